// Activation and focus: which window of the application is active and which
// has the keyboard, with the messages Windows sends when they change
// (WM_ACTIVATEAPP to every window, WM_NCACTIVATE and WM_ACTIVATE to the two
// windows concerned, WM_KILLFOCUS and WM_SETFOCUS).
#include "system/window_state.h"

namespace platform::windowing {

void SetFocusTo(HWND window) {
    HWND old = nullptr;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (state.focusWindow == window) {
            return;
        }
        old = state.focusWindow;
        state.focusWindow = window;
    }
    if (old) {
        Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    }
    if (window) {
        Send(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    }
}

void Activate(HWND window) {
    bool appWasActive = false;
    HWND old = nullptr;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        appWasActive = state.applicationActive;
        state.applicationActive = true;
        old = state.activeWindow;
        state.activeWindow = window;
        state.lastActiveWindow = window;
    }
    if (!appWasActive) {
        for (HWND each : TopLevelWindows(false)) {
            Send(each, WM_ACTIVATEAPP, TRUE, 0);
        }
    }
    if (old != window) {
        if (old) {
            Send(old, WM_NCACTIVATE, FALSE, 0);
            Send(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(window));
        }
        Send(window, WM_NCACTIVATE, TRUE, 0);
        Send(window, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    }
    SetFocusTo(window);
}

void DeactivateApplication() {
    HWND old = nullptr;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (!state.applicationActive) {
            return;
        }
        state.applicationActive = false;
        old = state.activeWindow;
        state.activeWindow = nullptr;
    }
    if (old) {
        Send(old, WM_NCACTIVATE, FALSE, 0);
        Send(old, WM_ACTIVATE, WA_INACTIVE, 0);
    }
    for (HWND each : TopLevelWindows(false)) {
        Send(each, WM_ACTIVATEAPP, FALSE, 0);
    }
    SetFocusTo(nullptr);
}

// The active window goes away (hidden or destroyed): another visible window
// of the application takes over, or the application becomes inactive.
void HandOverActivation(HWND leaving) {
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (state.activeWindow != leaving) {
            return;
        }
    }
    for (HWND each : TopLevelWindows(true)) {
        if (each != leaving) {
            Activate(each);
            return;
        }
    }
    DeactivateApplication();
}

HWND FocusedWindow() {
    std::lock_guard<std::mutex> hold(stateLock);
    return state.focusWindow;
}

} // namespace platform::windowing

using namespace platform::windowing;

HWND WINAPI SetFocus(HWND window) {
    const HWND previous = FocusedWindow();
    if (!window) {
        SetFocusTo(nullptr);
        return previous;
    }
    bool active = false;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (!FindLocked(window)) {
            return nullptr;
        }
        active = state.applicationActive && state.activeWindow == window;
    }
    if (!active) {
        Activate(window); // focusing a window of an inactive application activates it
    } else {
        SetFocusTo(window);
    }
    return previous;
}
