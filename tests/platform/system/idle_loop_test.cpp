// A game loop idling in PeekMessageA: it gives the processor away until the
// next millisecond tick instead of spinning, and a message posted from
// another thread reaches it without waiting for that tick.
//
// The clock here stands still until the test moves it, so "within the same
// millisecond" is exact rather than a matter of timing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "platform/lifetimes.h"
#include "support/test_backend.h"
#include "winapi.h"

namespace {

using namespace std::chrono_literals;

constexpr UINT WM_PING = WM_USER + 7;
// How long a correct loop may take to react (real time): generous, since a
// correct loop reacts at once and a broken one never does.
constexpr auto kPatience = 10s;

class StoppedClock final : public TestBackend {
public:
    StoppedClock() : TestBackend(5000) {}

    void WaitUntil(std::uint32_t deadlineMs) override {
        std::unique_lock<std::mutex> hold(lock);
        ++waits;
        otherDeadlines += deadlineMs - now != 1 ? 1 : 0;
        waiting = true;
        changed.notify_all();
        changed.wait(hold,
                     [&] { return woken || static_cast<std::int32_t>(deadlineMs - now) <= 0; });
        waiting = false;
        woken = false;
    }

    void Wake() override {
        std::lock_guard<std::mutex> hold(lock);
        woken = true;
        changed.notify_all();
    }

    void Advance(std::uint32_t ms) {
        std::lock_guard<std::mutex> hold(lock);
        now += ms;
        changed.notify_all();
    }

    // Waits until the loop has begun its `n`th wait and is blocked in it;
    // false if it never gets there.
    bool AwaitWait(int n) {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, kPatience, [&] { return waits >= n && waiting; });
    }

    int Waits() {
        std::lock_guard<std::mutex> hold(lock);
        return waits;
    }

    // Waits asked to last until some other time than the next tick.
    int OtherDeadlines() {
        std::lock_guard<std::mutex> hold(lock);
        return otherDeadlines;
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    bool woken = false;
    bool waiting = false;
    int waits = 0;
    int otherDeadlines = 0;
};

// What the loop's window has handled.
std::atomic<int> pings{0};
std::atomic<std::uint32_t> pingHandledAt{0};

LRESULT CALLBACK PingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PING) {
        pingHandledAt = timeGetTime();
        ++pings;
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The game's loop shape, on a thread of its own: take a message if there is
// one, otherwise do the frame's work (here: count the idle pass).
class IdleLoop {
public:
    explicit IdleLoop(StoppedClock& clock) : clock(clock) {
        pings = 0;
        thread = std::thread([this] {
            made.set_value(CreateLoopWindow());
            Run();
            finished = true;
        });
    }
    ~IdleLoop() {
        PostMessageA(Window(), WM_CLOSE, 0, 0);
        // Keeps time moving, so that even a loop that misses the close
        // until a tick comes round ends.
        while (!finished) {
            clock.Advance(1);
            std::this_thread::sleep_for(1ms);
        }
        thread.join();
    }

    HWND Window() { return window.get(); }

    std::atomic<int> idlePasses{0};

private:
    static HWND CreateLoopWindow() {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = PingProcedure;
        windowClass.lpszClassName = "Idle Loop";
        RegisterClassExA(&windowClass);
        return CreateWindowExA(0, "Idle Loop", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
    }

    void Run() {
        MSG msg;
        for (;;) {
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    return;
                }
                DispatchMessageA(&msg);
            } else {
                ++idlePasses;
            }
        }
    }

    StoppedClock& clock;
    std::promise<HWND> made;
    std::shared_future<HWND> window = made.get_future().share();
    std::thread thread;
    std::atomic<bool> finished{false};
};

class IdleLoopTest : public ::testing::Test {
protected:
    void SetUp() override { platform::ResetProcessState(); }

    StoppedClock clock;
};

TEST_F(IdleLoopTest, AnEmptyQueueYieldsUntilTheNextMillisecondInsteadOfSpinning) {
    IdleLoop loop(clock);
    ASSERT_NE(loop.Window(), nullptr);
    ASSERT_TRUE(clock.AwaitWait(1));
    // With the clock standing still the loop stays in its one wait: it does
    // not come back round to poll again.
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(clock.Waits(), 1) << "the idle loop spins";
    EXPECT_EQ(loop.idlePasses.load(), 0);

    // Each tick of the clock lets exactly one idle pass run.
    for (int tick = 1; tick <= 5; ++tick) {
        clock.Advance(1);
        ASSERT_TRUE(clock.AwaitWait(1 + tick));
        EXPECT_EQ(loop.idlePasses.load(), tick);
    }
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(clock.Waits(), 6);
    EXPECT_EQ(clock.OtherDeadlines(), 0) << "each wait ends at the next tick, no later";
}

TEST_F(IdleLoopTest, AMessagePostedFromAnotherThreadIsHandledWithinTheSameMillisecond) {
    IdleLoop loop(clock);
    const HWND window = loop.Window();
    ASSERT_NE(window, nullptr);
    for (int round = 1; round <= 20; ++round) {
        // Each round takes two waits: the one the post ends and the one the
        // clock's step ends.
        ASSERT_TRUE(clock.AwaitWait(2 * round - 1)) << "the loop does not come back to wait";
        const DWORD postedAt = timeGetTime();
        std::thread poster([&] { PostMessageA(window, WM_PING, 0, 0); });
        poster.join();
        // The clock does not move until the message has been handled: a loop
        // that only looked at its queue on the next tick would never see it.
        const auto giveUpAt = std::chrono::steady_clock::now() + kPatience;
        while (pings.load() < round && std::chrono::steady_clock::now() < giveUpAt) {
            std::this_thread::sleep_for(100us);
        }
        ASSERT_EQ(pings.load(), round) << "not handled while the clock stood still";
        EXPECT_EQ(pingHandledAt.load(), postedAt);
        // Handling it took the loop out of its wait; the next one begins the
        // next round.
        clock.Advance(1 + round % 3);
    }
}

} // namespace
