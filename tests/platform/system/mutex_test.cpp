// The named mutex as a single-instance guard between processes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "winapi.h"

namespace {

// A name of its own for every test run, so that runs never meet.
std::string UniqueName(const char* what) {
    return std::string("Quorvane test ") + what + " " + std::to_string(getpid()) + " " +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

// The game's guard: a running instance is found by OpenMutexA, otherwise the
// guard is created. True when this process may run.
bool TakeGuard(const std::string& name) {
    if (HANDLE other = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str())) {
        CloseHandle(other);
        return false;
    }
    return CreateMutexA(nullptr, FALSE, name.c_str()) != nullptr;
}

// Runs `body` in a child process; returns its exit status.
template <class Body> int InChild(Body body) {
    const pid_t child = fork();
    if (child == 0) {
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST(NamedMutex, SecondProcessFindsTheGuardAndCreateReportsItExists) {
    const std::string name = UniqueName("guard");
    ASSERT_TRUE(TakeGuard(name));
    EXPECT_EQ(InChild([&] { return TakeGuard(name) ? 1 : 0; }), 0);
    EXPECT_EQ(InChild([&] {
                  HANDLE again = CreateMutexA(nullptr, FALSE, name.c_str());
                  return again && GetLastError() == ERROR_ALREADY_EXISTS ? 0 : 1;
              }),
              0);
}

TEST(NamedMutex, FreshNameIsCreatedAndOpenFailsWithFileNotFound) {
    const std::string name = UniqueName("fresh");
    EXPECT_EQ(InChild([&] {
                  if (OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str()) ||
                      GetLastError() != ERROR_FILE_NOT_FOUND) {
                      return 1;
                  }
                  HANDLE guard = CreateMutexA(nullptr, FALSE, name.c_str());
                  return guard && GetLastError() == ERROR_SUCCESS ? 0 : 2;
              }),
              0);
}

TEST(NamedMutex, GuardDiesWithItsProcess) {
    const std::string name = UniqueName("dies");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        close(ready[0]);
        const bool took = TakeGuard(name);
        const char answer = took ? 'y' : 'n';
        [[maybe_unused]] auto written = write(ready[1], &answer, 1);
        pause(); // killed below, without any chance to close the handle
        _exit(0);
    }
    close(ready[1]);
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    close(ready[0]);
    ASSERT_EQ(answer, 'y');
    EXPECT_EQ(InChild([&] { return TakeGuard(name) ? 1 : 0; }), 0) << "held while the holder lives";
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(InChild([&] { return TakeGuard(name) ? 0 : 1; }), 0) << "free once it died";
}

// The worst interleaving of simultaneous starts: every process has checked
// with OpenMutexA before any of them creates the guard.
TEST(NamedMutex, ExactlyOneOfManySimultaneousStartsRuns) {
    const std::string name = UniqueName("race");
    constexpr int kStarts = 6;
    int checked[2];
    int go[2];
    int results[2];
    ASSERT_EQ(pipe(checked), 0);
    ASSERT_EQ(pipe(go), 0);
    ASSERT_EQ(pipe(results), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < kStarts; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            close(go[1]);
            HANDLE other = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str());
            const char found = other ? 'f' : 'n';
            [[maybe_unused]] auto told = write(checked[1], &found, 1);
            char start = 0;
            [[maybe_unused]] auto got = read(go[0], &start, 1); // until all have checked
            char verdict = 'x';
            if (!other && CreateMutexA(nullptr, FALSE, name.c_str())) {
                verdict = 'R';
            }
            [[maybe_unused]] auto written = write(results[1], &verdict, 1);
            pause();
            _exit(0);
        }
        children.push_back(child);
    }
    close(checked[1]);
    close(results[1]);
    close(go[0]);
    for (int i = 0; i < kStarts; ++i) {
        char found = 0;
        ASSERT_EQ(read(checked[0], &found, 1), 1);
    }
    close(go[1]); // EOF releases every child at once
    int running = 0;
    for (int i = 0; i < kStarts; ++i) {
        char verdict = 0;
        ASSERT_EQ(read(results[0], &verdict, 1), 1);
        running += verdict == 'R';
    }
    close(checked[0]);
    close(results[0]);
    for (const pid_t child : children) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    EXPECT_EQ(running, 1);
}

TEST(NamedMutex, ReleaseNeedsOwnershipAndOwnershipExcludesOtherThreads) {
    HANDLE guard = CreateMutexA(nullptr, FALSE, UniqueName("owner").c_str());
    ASSERT_NE(guard, nullptr);
    EXPECT_FALSE(ReleaseMutex(guard)) << "the game's unowned guard";
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);

    HANDLE owned = CreateMutexA(nullptr, TRUE, nullptr);
    ASSERT_NE(owned, nullptr);
    DWORD otherResult = 0;
    std::thread([&] { otherResult = WaitForSingleObject(owned, 20); }).join();
    EXPECT_EQ(otherResult, WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(owned, 0), WAIT_OBJECT_0) << "the owner may enter again";
    EXPECT_TRUE(ReleaseMutex(owned));
    EXPECT_TRUE(ReleaseMutex(owned));
    std::thread([&] {
        otherResult = WaitForSingleObject(owned, 1000);
        ReleaseMutex(owned);
    }).join();
    EXPECT_EQ(otherResult, WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(owned));
    EXPECT_FALSE(CloseHandle(owned));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

} // namespace
