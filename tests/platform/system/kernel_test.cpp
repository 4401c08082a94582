// Threads and auto-reset events as the music notification thread uses them,
// local memory, and termination signals.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "platform/system_backend.h"
#include "winapi.h"

namespace {

HANDLE sharedEvent = nullptr;

DWORD WINAPI WaitForTheSignal(LPVOID) {
    WaitForSingleObject(sharedEvent, INFINITE);
    return 0;
}

TEST(ThreadsAndEvents, AnAutoResetEventReleasesOneWaitPerSignal) {
    sharedEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(sharedEvent, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, WaitForTheSignal, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT) << "waits for the signal";
    SetEvent(sharedEvent);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    // The thread's wait took the signal: nothing is left, and two signals
    // with nobody waiting release one wait only.
    EXPECT_EQ(WaitForSingleObject(sharedEvent, 0), WAIT_TIMEOUT);
    SetEvent(sharedEvent);
    SetEvent(sharedEvent);
    EXPECT_EQ(WaitForSingleObject(sharedEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(sharedEvent, 10), WAIT_TIMEOUT);
    CloseHandle(thread);
    CloseHandle(sharedEvent);
    EXPECT_EQ(WaitForSingleObject(sharedEvent, 0), WAIT_FAILED) << "never waits on a closed handle";
}

TEST(LocalMemory, BlocksComeZeroFilled) {
    auto* record = static_cast<unsigned char*>(LocalAlloc(LPTR, 308));
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(std::all_of(record, record + 308, [](unsigned char b) { return b == 0; }));
    EXPECT_EQ(LocalFree(record), nullptr);
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
