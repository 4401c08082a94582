// The named mutex as a single-instance guard between processes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
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

// Starts a child that runs `body`, writes the character it returns to `out`
// and then waits to be killed, without any chance to close what it holds.
template <class Body> pid_t Holding(int out, Body body) {
    const pid_t child = fork();
    if (child == 0) {
        const char answer = body();
        [[maybe_unused]] auto written = write(out, &answer, 1);
        pause();
        _exit(0);
    }
    return child;
}

char ReadChar(int fd) {
    char c = 0;
    return read(fd, &c, 1) == 1 ? c : 0;
}

void Kill(pid_t child) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

// The worst interleaving of simultaneous starts: every process has checked
// with OpenMutexA before any of them creates the guard.
TEST(NamedMutex, ExactlyOneOfManySimultaneousStartsRunsAndTheGuardDiesWithIt) {
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
        children.push_back(Holding(results[1], [&] {
            close(go[1]);
            HANDLE other = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str());
            const char found = other ? 'f' : 'n';
            [[maybe_unused]] auto told = write(checked[1], &found, 1);
            ReadChar(go[0]); // until all have checked
            return !other && CreateMutexA(nullptr, FALSE, name.c_str()) ? 'R' : 'x';
        }));
    }
    close(checked[1]);
    close(results[1]);
    close(go[0]);
    for (int i = 0; i < kStarts; ++i) {
        ASSERT_NE(ReadChar(checked[0]), 0);
    }
    close(go[1]); // EOF releases every child at once
    int running = 0;
    for (int i = 0; i < kStarts; ++i) {
        running += ReadChar(results[0]) == 'R';
    }
    close(checked[0]);
    close(results[0]);
    EXPECT_EQ(running, 1);
    EXPECT_EQ(InChild([&] { return TakeGuard(name) ? 1 : 0; }), 0) << "held while its holder lives";
    std::for_each(children.begin(), children.end(), Kill);
    EXPECT_EQ(InChild([&] { return TakeGuard(name) ? 0 : 1; }), 0) << "free once it died";

    // The game releases its guard at the end without ever owning it.
    HANDLE guard = CreateMutexA(nullptr, FALSE, name.c_str());
    ASSERT_NE(guard, nullptr);
    EXPECT_FALSE(ReleaseMutex(guard));
    EXPECT_TRUE(CloseHandle(guard));
    EXPECT_FALSE(CloseHandle(guard));
}

} // namespace
