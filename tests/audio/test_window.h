// A window for the audio classes to report to and to send their messages
// to: its procedure counts the application messages and hands the music ones
// to whatever the test installs, as the game's window procedure does.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "app/window_base.h"
#include "winapi.h"

class TestWindow {
public:
    TestWindow() {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "Audio Test Class";
        RegisterClassExA(&windowClass);
        current = this;
        handle = CreateWindowExA(0, "Audio Test Class", "Audio Test", WS_POPUP, 0, 0, 640, 480,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~TestWindow() {
        DestroyWindow(handle);
        current = nullptr;
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    // Dispatches every message waiting now.
    void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
    }
    // Dispatches messages until `musicNotifies` reaches `count` (the
    // notification thread posts them a moment after the event is set), or
    // gives up after two seconds of real time.
    bool PumpUntilNotified(int count) {
        for (int i = 0; i < 2000 && musicNotifies < count; ++i) {
            Pump();
            if (musicNotifies < count) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return musicNotifies >= count;
    }

    HWND handle = nullptr;
    int soundReady = 0;
    int musicReady = 0;
    int musicNotifies = 0;
    int closeRequests = 0;
    std::function<void()> onMusicReady;
    std::function<void()> onMusicNotify;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        TestWindow* self = current;
        if (self == nullptr) {
            return DefWindowProcA(window, message, wParam, lParam);
        }
        switch (message) {
        case UM_SOUND_READY:
            ++self->soundReady;
            return 0;
        case UM_MUSIC_READY:
            ++self->musicReady;
            if (self->onMusicReady) {
                self->onMusicReady();
            }
            return 0;
        case UM_MUSIC_NOTIFY:
            ++self->musicNotifies;
            if (self->onMusicNotify) {
                self->onMusicNotify();
            }
            return 0;
        case WM_CLOSE:
            ++self->closeRequests; // the test decides when the window goes
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
        }
    }
    static inline TestWindow* current = nullptr;
};
