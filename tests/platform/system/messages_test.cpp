// Window messages: the order a Windows program sees them in, the queue's
// priorities, and posting from other threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/headless.h"
#include "platform/lifetimes.h"
#include "support/popup_window.h"
#include "winapi.h"

namespace {

using Kind = platform::BackendEvent::Kind;

std::vector<UINT> seen;      // messages in the order the procedure saw them
WPARAM lastParam = 0;        // of the last of them
WPARAM activateAppParam = 0; // of the last WM_ACTIVATEAPP

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back(message);
    lastParam = wParam;
    activateAppParam = message == WM_ACTIVATEAPP ? wParam : activateAppParam;
    return DefWindowProcA(window, message, wParam, lParam);
}

// Each test starts as a fresh process would, with the class registered.
class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetProcessState();
        platform::InstallBackend(&backend);
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.lpszClassName = "Test Class";
        ASSERT_NE(RegisterClassExA(&windowClass), 0);
        seen.clear();
    }
    void TearDown() override { platform::InstallBackend(nullptr); }

    HWND Create() {
        return CreateWindowExA(WS_EX_TOPMOST, "Test Class", "Test", WS_POPUP, 0, 0, 640, 480,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }

    // Drains the queue the way the game's loop does.
    void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ASSERT_NE(msg.message, WM_QUIT);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    platform::HeadlessBackend backend;
};

TEST_F(MessagesTest, StartUpSendsCreateSizeAndActivationInWindowsOrder) {
    // Focus that arrives before there is a window must not use up the
    // window's first activation.
    backend.Schedule(0, {Kind::Activate});
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    const HWND window = Create();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_CREATE, WM_SIZE, WM_MOVE}));
    seen.clear();
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    SetFocus(window);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_SHOWWINDOW, WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE,
                                       WM_SETFOCUS, WM_PAINT}));
    EXPECT_EQ(activateAppParam, static_cast<WPARAM>(TRUE));
    // A sent message runs the procedure at once.
    seen.clear();
    SendMessageA(window, WM_USER + 3, 9, 0);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 3}));
    EXPECT_EQ(lastParam, 9u);
}

TEST_F(MessagesTest, CloseThroughDefaultProcessingDestroysAndQuitEndsTheLoop) {
    const HWND window = Create();
    ShowWindow(window, SW_SHOW);
    seen.clear();
    PostMessageA(window, WM_CLOSE, 0, 0);
    Pump();
    // The active window going away deactivates the application first.
    EXPECT_EQ(seen, (std::vector<UINT>{WM_CLOSE, WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP,
                                       WM_KILLFOCUS, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(activateAppParam, static_cast<WPARAM>(FALSE));
    EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));
    EXPECT_FALSE(DestroyWindow(window));

    PostQuitMessage(7);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT is taken once";
}

// Posted messages come before input, WM_QUIT after everything else; backend
// input becomes messages in its order, and TranslateMessage queues the
// character next.
TEST_F(MessagesTest, PostedBeforeInputQuitLastAndBackendInputBecomesMessages) {
    const HWND window = Create();
    ShowWindow(window, SW_SHOW);
    backend.ScheduleKey(0, 'Q', true);
    backend.Schedule(0, {Kind::ButtonDown, VK_LBUTTON, 100, 50});
    backend.Schedule(5, {Kind::Close});
    PostQuitMessage(0);
    PostMessageA(window, WM_USER + 1, 0, 0);
    PostMessageA(window, WM_USER + 2, 0, 0);
    MSG msg;
    std::vector<UINT> taken;
    for (int peeks = 0; peeks < 100 && taken.size() < 7; ++peeks) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            taken.push_back(msg.message);
            TranslateMessage(&msg);
        }
    }
    EXPECT_EQ(taken, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_KEYDOWN, WM_CHAR,
                                        WM_LBUTTONDOWN, WM_QUIT, WM_CLOSE}));
    // A close request becomes a posted WM_CLOSE, stamped with its time.
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.time, 5u);
}

TEST_F(MessagesTest, BackendFocusChangesAreDeliveredAndKeysOnlyReachTheActiveApplication) {
    const HWND window = Create();
    ShowWindow(window, SW_SHOW);
    seen.clear();
    backend.Schedule(10, {Kind::Deactivate});
    backend.ScheduleKey(20, VK_ESCAPE, true);
    backend.Schedule(30, {Kind::Activate});
    backend.ScheduleKey(40, VK_LEFT, true);
    while (timeGetTime() < 50) {
        Pump();
    }
    EXPECT_EQ(seen, (std::vector<UINT>{WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS,
                                       WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS,
                                       WM_KEYDOWN}));
    EXPECT_EQ(lastParam, static_cast<WPARAM>(VK_LEFT));
    EXPECT_TRUE(GetAsyncKeyState(VK_ESCAPE) & 0x8000) << "key state is seen while inactive";
}

// On the operating system's backend: messages posted by another thread wake
// a thread sleeping in WaitMessage and arrive in the order they were posted,
// also while the other thread is still posting (which the ThreadSanitizer
// build checks for unguarded access to the queue).
TEST(CrossThreadPosting, PostFromAnotherThreadWakesWaitMessage) {
    platform::ResetProcessState();
    platform::InstallBackend(nullptr);
    const HWND window = MakePopupWindow("Wake Class", 10, 10);
    ASSERT_NE(window, nullptr);
    constexpr int kPosts = 20000;
    std::atomic<bool> posted{false};
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        posted = true;
        for (int i = 0; i < kPosts; ++i) {
            PostMessageA(window, WM_USER, static_cast<WPARAM>(i), 0);
        }
    });
    const auto start = std::chrono::steady_clock::now();
    WaitMessage();
    EXPECT_TRUE(posted.load());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900))
        << "woken by the post, not the time slice";
    // Taken while the other thread still posts, in the order posted.
    MSG msg;
    int taken = 0;
    while (taken < kPosts && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            EXPECT_EQ(msg.wParam, static_cast<WPARAM>(taken++));
        }
    }
    poster.join();
    EXPECT_EQ(taken, kPosts);
}

} // namespace
