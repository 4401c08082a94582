// The machine's input as window messages. Events from the backend (keys,
// mouse, focus changes, close requests) are collected whenever a thread
// reads its queue: keys go to the focused window of the active application
// and the mouse to the window under the pointer, both as queued input
// messages; focus changes are delivered at once, as Windows delivers
// activation; a close request is a posted WM_CLOSE. TranslateMessage adds
// the characters of the keys pressed.
#include "platform/backend.h"
#include "system/handles.h"
#include "system/window_state.h"

namespace platform::windowing {
namespace {

bool IsSystemKey(int virtualKey) {
    return virtualKey == VK_MENU || virtualKey == VK_F10;
}

void QueueKey(int virtualKey, bool down) {
    const bool altHeld = platform::CurrentBackend().IsKeyDown(VK_MENU);
    bool wasDown = false;
    HWND target = nullptr;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        wasDown = state.keysDown.count(virtualKey) != 0;
        if (down) {
            state.keysDown.insert(virtualKey);
        } else {
            state.keysDown.erase(virtualKey);
        }
        target = state.applicationActive ? state.focusWindow : nullptr;
    }
    if (!target) {
        return; // keys go to the focused window of the active application only
    }
    // lParam: repeat count 1, context (Alt) bit 29, previous state bit 30,
    // transition bit 31.
    LPARAM lParam = 1;
    if (altHeld) {
        lParam |= LPARAM{1} << 29;
    }
    if (wasDown || !down) {
        lParam |= LPARAM{1} << 30;
    }
    if (!down) {
        lParam |= LPARAM{1} << 31;
    }
    const bool system = IsSystemKey(virtualKey) || altHeld;
    const UINT message =
        system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    Enqueue(target, 0, MakeMessage(target, message, static_cast<WPARAM>(virtualKey), lParam),
            Lane::Input);
}

// The topmost visible window under the point: top-most windows first, then
// the newest.
HWND WindowAt(int x, int y, RECT& rect) {
    std::lock_guard<std::mutex> hold(stateLock);
    const Window* best = nullptr;
    for (const auto& [key, window] : state.windows) {
        const RECT& r = window.rect;
        if (!window.visible || window.destroying || x < r.left || x >= r.right || y < r.top ||
            y >= r.bottom) {
            continue;
        }
        if (!best || (window.exStyle & WS_EX_TOPMOST) || !(best->exStyle & WS_EX_TOPMOST)) {
            best = &window;
        }
    }
    if (!best) {
        return nullptr;
    }
    rect = best->rect;
    return best->handle;
}

void QueueMouse(UINT message, int x, int y) {
    {
        std::lock_guard<std::mutex> hold(stateLock);
        state.cursor = POINT{x, y};
    }
    RECT rect{};
    HWND target = WindowAt(x, y, rect);
    if (!target) {
        return;
    }
    platform::Backend& backend = platform::CurrentBackend();
    WPARAM keys = 0;
    keys |= backend.IsKeyDown(VK_LBUTTON) ? MK_LBUTTON : 0;
    keys |= backend.IsKeyDown(VK_RBUTTON) ? MK_RBUTTON : 0;
    keys |= backend.IsKeyDown(VK_SHIFT) ? MK_SHIFT : 0;
    keys |= backend.IsKeyDown(VK_CONTROL) ? MK_CONTROL : 0;
    const LPARAM where =
        MAKELPARAM(static_cast<WORD>(x - rect.left), static_cast<WORD>(y - rect.top));
    Enqueue(target, 0, MakeMessage(target, message, keys, where), Lane::Input);
}

UINT ButtonMessage(int virtualKey, bool down) {
    if (virtualKey == VK_RBUTTON) {
        return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    }
    return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
}

void PostClose() {
    HWND target = nullptr;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        target = state.activeWindow ? state.activeWindow : state.lastActiveWindow;
        if (!FindLocked(target)) {
            target = state.windows.empty() ? nullptr : state.windows.begin()->second.handle;
        }
    }
    if (target) {
        Enqueue(target, 0, MakeMessage(target, WM_CLOSE, 0, 0), Lane::Posted);
    }
}

void HandleBackendEvent(const platform::BackendEvent& event) {
    using Kind = platform::BackendEvent::Kind;
    switch (event.kind) {
    case Kind::KeyDown:
    case Kind::KeyUp:
        QueueKey(event.virtualKey, event.kind == Kind::KeyDown);
        break;
    case Kind::MouseMove:
        QueueMouse(WM_MOUSEMOVE, event.x, event.y);
        break;
    case Kind::ButtonDown:
    case Kind::ButtonUp:
        QueueMouse(ButtonMessage(event.virtualKey, event.kind == Kind::ButtonDown), event.x,
                   event.y);
        break;
    case Kind::Activate: {
        HWND target = nullptr;
        {
            std::lock_guard<std::mutex> hold(stateLock);
            // With no window shown yet there is nothing to activate: showing
            // the first window activates the application.
            const Window* last = FindLocked(state.lastActiveWindow);
            target = last && last->visible ? last->handle : nullptr;
        }
        if (target) {
            Activate(target);
        }
        break;
    }
    case Kind::Deactivate:
        DeactivateApplication();
        break;
    case Kind::Close:
        PostClose();
        break;
    }
}

char CharacterOf(int virtualKey, bool shift) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        return static_cast<char>(shift ? virtualKey : virtualKey - 'A' + 'a');
    }
    if (virtualKey >= '0' && virtualKey <= '9' && !shift) {
        return static_cast<char>(virtualKey);
    }
    switch (virtualKey) {
    case VK_SPACE:
        return ' ';
    case VK_RETURN:
        return '\r';
    case VK_ESCAPE:
        return 0x1B;
    case VK_BACK:
        return '\b';
    case VK_TAB:
        return '\t';
    default:
        return '\0';
    }
}

} // namespace

// Handles every pending backend event; true when there was any.
bool PumpBackendEvents() {
    platform::BackendEvent event;
    bool any = false;
    while (platform::CurrentBackend().PollEvent(event)) {
        HandleBackendEvent(event);
        any = true;
    }
    return any;
}

} // namespace platform::windowing

using namespace platform::windowing;

BOOL WINAPI TranslateMessage(const MSG* message) {
    if (!message || (message->message != WM_KEYDOWN && message->message != WM_KEYUP &&
                     message->message != WM_SYSKEYDOWN && message->message != WM_SYSKEYUP)) {
        return FALSE;
    }
    if (message->message == WM_KEYDOWN) {
        const bool shift = platform::CurrentBackend().IsKeyDown(VK_SHIFT);
        const char c = CharacterOf(static_cast<int>(message->wParam), shift);
        if (c != '\0') {
            // The character comes next, before anything else that is queued.
            MSG character = *message;
            character.message = WM_CHAR;
            character.wParam = static_cast<unsigned char>(c);
            Enqueue(message->hwnd, platform::CurrentThreadId(), character, Lane::PostedFront);
        }
    }
    return TRUE;
}
