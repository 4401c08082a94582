// A game loop idling in PeekMessageA: it gives the processor away until the
// next millisecond tick instead of spinning, and a message posted from
// another thread wakes that wait instead of waiting for the tick.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/lifetimes.h"
#include "support/popup_window.h"
#include "support/test_backend.h"
#include "winapi.h"

namespace {

// A clock that notes every wait (as the time it was asked to last) and
// every wake-up.
class RecordingClock final : public TestBackend {
public:
    void WaitUntil(std::uint32_t deadlineMs) override {
        waitsFor.push_back(deadlineMs - now);
        TestBackend::WaitUntil(deadlineMs);
    }
    void Wake() override { ++wakes; }

    std::vector<std::uint32_t> waitsFor;
    std::atomic<int> wakes{0};
};

TEST(IdleLoop, EmptyPeeksWaitOneTickEachAndAPostFromAnotherThreadWakesTheWait) {
    platform::ResetProcessState();
    RecordingClock clock;
    const HWND window = MakePopupWindow("Idle Loop", 10, 10);
    ASSERT_NE(window, nullptr);
    clock.waitsFor.clear();
    MSG msg;
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    }
    EXPECT_EQ(clock.waitsFor, std::vector<std::uint32_t>(5, 1));
    EXPECT_EQ(timeGetTime(), 5u);

    const int wakesBefore = clock.wakes.load();
    std::thread([&] { PostMessageA(window, WM_USER + 7, 0, 0); }).join();
    EXPECT_EQ(clock.wakes.load(), wakesBefore + 1) << "the post woke the loop's wait";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 7u);
    EXPECT_EQ(clock.waitsFor.size(), 5u) << "a waiting message is taken without a wait";
}

} // namespace
