// Threads and auto-reset events as the music notification thread uses them,
// local memory, and termination signals.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/faults.h"
#include "platform/system_backend.h"
#include "winapi.h"

namespace {

HANDLE sharedEvent = nullptr;
std::atomic<int> wakeUps{0};

DWORD WINAPI CountSignals(LPVOID) {
    for (;;) {
        if (WaitForSingleObject(sharedEvent, INFINITE) != WAIT_OBJECT_0) {
            return 1;
        }
        if (++wakeUps == 3) {
            return 42;
        }
    }
}

TEST(ThreadsAndEvents, AutoResetEventReleasesOneWaitPerSignal) {
    wakeUps = 0;
    sharedEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(sharedEvent, nullptr);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, CountSignals, nullptr, 0, &id);
    ASSERT_NE(thread, nullptr);
    for (int i = 0; i < 3; ++i) {
        SetEvent(sharedEvent);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (wakeUps.load() <= i && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(wakeUps.load(), i + 1);
    }
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    // The last signal was consumed by the thread's wait: nothing is left,
    // and two signals with nobody waiting release one wait only.
    EXPECT_EQ(WaitForSingleObject(sharedEvent, 0), WAIT_TIMEOUT);
    SetEvent(sharedEvent);
    SetEvent(sharedEvent);
    EXPECT_EQ(WaitForSingleObject(sharedEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(sharedEvent, 10), WAIT_TIMEOUT);
    CloseHandle(thread);
    CloseHandle(sharedEvent);
    EXPECT_EQ(WaitForSingleObject(sharedEvent, 0), WAIT_FAILED) << "never waits on a closed handle";
}

TEST(LocalMemory, BlocksComeZeroFilledAndCanFail) {
    auto* record = static_cast<unsigned char*>(LocalAlloc(LPTR, 308));
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(std::all_of(record, record + 308, [](unsigned char b) { return b == 0; }));
    EXPECT_EQ(LocalFree(record), nullptr);
    platform::InjectFault("LocalAlloc", 0, 1);
    EXPECT_EQ(LocalAlloc(LPTR, 308), nullptr);
}

TEST(SystemBackend, TerminationSignalBecomesACloseRequestAndASecondOneEnds) {
    const pid_t child = fork();
    if (child == 0) {
        platform::RouteTerminationSignalsToClose();
        raise(SIGTERM); // taken as a close request
        platform::BackendEvent event;
        if (!platform::SystemBackend().PollEvent(event) ||
            event.kind != platform::BackendEvent::Kind::Close) {
            _exit(1);
        }
        raise(SIGTERM); // taken up: still only a request
        raise(SIGTERM); // the first was not taken: this one ends the process
        _exit(2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

} // namespace
