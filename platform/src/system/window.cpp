// Window classes, windows and the message queues.
//
// Every thread has its own queue, as on Windows: PostMessageA puts a message
// in the queue of the thread that created the window (a null window: the
// calling thread's own), PeekMessageA and friends read the calling thread's
// queue. Posted messages come before input, and WM_QUIT only when neither is
// waiting. The machine's events (keys, mouse, focus changes, close requests)
// are collected from the backend whenever a thread reads its queue: input
// becomes queued WM_KEYDOWN / WM_MOUSEMOVE ... messages, focus changes are
// delivered at once, as Windows delivers activation (WM_ACTIVATEAPP,
// WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS / WM_KILLFOCUS), and a close
// request is a posted WM_CLOSE.
//
// Window procedures are always called without any lock held, so they may
// create, show, destroy, send and post freely.
#include <algorithm>
#include <cctype>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/text.h"
#include "system/errors.h"
#include "winapi/kernel.h"
#include "winapi/mmsystem.h"
#include "winapi/user.h"

namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
// How long WaitMessage lets the backend sleep before it looks again.
constexpr std::uint32_t kWaitSliceMs = 1000;

struct WindowClass {
    std::string name;
    ATOM atom;
    WNDPROC proc;
    HINSTANCE instance;
};

struct Window {
    HWND handle = nullptr;
    std::string className;
    std::string title;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};
    DWORD ownerThread = 0;
    bool visible = false;
    bool needsPaint = false;
    bool destroying = false;
};

struct ThreadQueue {
    std::deque<MSG> posted;
    std::deque<MSG> input;
    bool quit = false;
    int quitCode = 0;
};

std::mutex stateLock;                       // guards everything below
std::map<std::string, WindowClass> classes; // by lower-case name
ATOM nextAtom = 0xC000;
std::map<std::uintptr_t, Window> windows; // in creation order
std::uintptr_t nextWindow = 0x100A2;
std::map<DWORD, ThreadQueue> queues;
HWND activeWindow = nullptr;     // the application's active top-level window
HWND lastActiveWindow = nullptr; // activated again when the application is
HWND focusWindow = nullptr;
bool applicationActive = false;
std::set<int> keysDown; // as the window messages have seen them
POINT cursor{0, 0};

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::uintptr_t Key(HWND window) {
    return reinterpret_cast<std::uintptr_t>(window);
}

Window* FindLocked(HWND window) {
    const auto it = windows.find(Key(window));
    return it == windows.end() ? nullptr : &it->second;
}

std::optional<Window> Find(HWND window) {
    std::lock_guard<std::mutex> hold(stateLock);
    const Window* found = FindLocked(window);
    return found ? std::optional<Window>(*found) : std::nullopt;
}

std::vector<HWND> TopLevelWindows(bool visibleOnly) {
    std::lock_guard<std::mutex> hold(stateLock);
    std::vector<HWND> result;
    for (const auto& [key, window] : windows) {
        // A window being destroyed still hears that the application is
        // losing focus; it is no longer visible.
        if (!visibleOnly || window.visible) {
            result.push_back(window.handle);
        }
    }
    return result;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = nullptr;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (const Window* found = FindLocked(window)) {
            proc = found->proc;
        }
    }
    return proc ? proc(window, message, wParam, lParam) : 0;
}

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    std::lock_guard<std::mutex> hold(stateLock);
    msg.pt = cursor;
    return msg;
}

enum class Lane { Posted, Input, PostedFront };

// Queues a message for the thread owning `window` (0: for `thread`).
bool Enqueue(HWND window, DWORD thread, const MSG& msg, Lane lane) {
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (window) {
            const Window* found = FindLocked(window);
            if (!found) {
                return false;
            }
            thread = found->ownerThread;
        }
        ThreadQueue& queue = queues[thread];
        switch (lane) {
        case Lane::Posted:
            queue.posted.push_back(msg);
            break;
        case Lane::PostedFront:
            queue.posted.push_front(msg);
            break;
        case Lane::Input:
            queue.input.push_back(msg);
            break;
        }
    }
    platform::CurrentBackend().Wake();
    return true;
}

// ------------------------------------------------------------------ activation

void SetFocusTo(HWND window) {
    HWND old = nullptr;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (focusWindow == window) {
            return;
        }
        old = focusWindow;
        focusWindow = window;
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
        appWasActive = applicationActive;
        applicationActive = true;
        old = activeWindow;
        activeWindow = window;
        lastActiveWindow = window;
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
        if (!applicationActive) {
            return;
        }
        applicationActive = false;
        old = activeWindow;
        activeWindow = nullptr;
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
        if (activeWindow != leaving) {
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

// ------------------------------------------------------------------ input

bool IsSystemKey(int virtualKey) {
    return virtualKey == VK_MENU || virtualKey == VK_F10;
}

void QueueKey(int virtualKey, bool down) {
    const bool altHeld = platform::CurrentBackend().IsKeyDown(VK_MENU);
    bool wasDown = false;
    HWND target = nullptr;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        wasDown = keysDown.count(virtualKey) != 0;
        if (down) {
            keysDown.insert(virtualKey);
        } else {
            keysDown.erase(virtualKey);
        }
        target = applicationActive ? focusWindow : nullptr;
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
    for (const auto& [key, window] : windows) {
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
        cursor = POINT{x, y};
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
        target = activeWindow ? activeWindow : lastActiveWindow;
        if (!FindLocked(target)) {
            target = windows.empty() ? nullptr : windows.begin()->second.handle;
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
            const Window* last = FindLocked(lastActiveWindow);
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

// ------------------------------------------------------------------ queue reading

bool Matches(const MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
    if (window == reinterpret_cast<HWND>(-1)) {
        if (msg.hwnd) {
            return false;
        }
    } else if (window && msg.hwnd != window) {
        return false;
    }
    return (filterMin == 0 && filterMax == 0) ||
           (msg.message >= filterMin && msg.message <= filterMax);
}

bool TakeFrom(std::deque<MSG>& lane, MSG& out, HWND window, UINT filterMin, UINT filterMax,
              bool remove) {
    for (auto it = lane.begin(); it != lane.end(); ++it) {
        if (Matches(*it, window, filterMin, filterMax)) {
            out = *it;
            if (remove) {
                lane.erase(it);
            }
            return true;
        }
    }
    return false;
}

// The next message of the calling thread's queue that passes the filter.
bool TakeMessage(MSG& out, HWND window, UINT filterMin, UINT filterMax, bool remove) {
    PumpBackendEvents();
    const DWORD now = timeGetTime(); // the backend is never asked under stateLock
    std::lock_guard<std::mutex> hold(stateLock);
    ThreadQueue& queue = queues[GetCurrentThreadId()];
    if (TakeFrom(queue.posted, out, window, filterMin, filterMax, remove) ||
        TakeFrom(queue.input, out, window, filterMin, filterMax, remove)) {
        return true;
    }
    const bool quitPasses =
        (!window || window == reinterpret_cast<HWND>(-1)) &&
        ((filterMin == 0 && filterMax == 0) || (WM_QUIT >= filterMin && WM_QUIT <= filterMax));
    if (queue.quit && quitPasses) {
        out = MSG{};
        out.message = WM_QUIT;
        out.wParam = static_cast<WPARAM>(queue.quitCode);
        out.time = now;
        out.pt = cursor;
        if (remove) {
            queue.quit = false;
        }
        return true;
    }
    return false;
}

// Whether WaitMessage may return: a message is queued, or the machine's
// events were just delivered (activation is sent, not queued, and wakes the
// waiting thread as it does on Windows).
bool QueueHasMessages() {
    if (PumpBackendEvents()) {
        return true;
    }
    std::lock_guard<std::mutex> hold(stateLock);
    const ThreadQueue& queue = queues[GetCurrentThreadId()];
    return !queue.posted.empty() || !queue.input.empty() || queue.quit;
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

// ------------------------------------------------------------------ classes

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* windowClass) {
    if (platform::FailedByInjection("RegisterClassExA")) {
        return 0;
    }
    constexpr UINT kSizeIn32BitPrograms = 48;
    if (!windowClass ||
        (windowClass->cbSize != sizeof(WNDCLASSEXA) &&
         windowClass->cbSize != kSizeIn32BitPrograms) ||
        !windowClass->lpfnWndProc || !windowClass->lpszClassName ||
        IS_INTRESOURCE(windowClass->lpszClassName) || !*windowClass->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::mutex> hold(stateLock);
    const std::string key = Lower(windowClass->lpszClassName);
    if (classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    const ATOM atom = nextAtom++;
    classes[key] = WindowClass{windowClass->lpszClassName, atom, windowClass->lpfnWndProc,
                               windowClass->hInstance};
    return atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
    if (!className || IS_INTRESOURCE(className)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> hold(stateLock);
    const std::string key = Lower(className);
    if (!classes.count(key)) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    for (const auto& [handle, window] : windows) {
        if (window.className == key) {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS); // as Windows: class still in use
            return FALSE;
        }
    }
    classes.erase(key);
    return TRUE;
}

// ------------------------------------------------------------------ windows

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
    if (platform::FailedByInjection("CreateWindowExA")) {
        return nullptr;
    }
    if (style & WS_CHILD) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (x == CW_USEDEFAULT) {
        x = y = 0;
    }
    if (width == CW_USEDEFAULT) {
        width = kScreenWidth;
        height = kScreenHeight;
    }
    Window window;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        const WindowClass* found = nullptr;
        for (const auto& [key, each] : classes) {
            const bool byAtom =
                IS_INTRESOURCE(className) &&
                each.atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(className));
            if (byAtom || (className && !IS_INTRESOURCE(className) && key == Lower(className))) {
                found = &each;
            }
        }
        if (!found) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        window.handle = reinterpret_cast<HWND>(nextWindow);
        nextWindow += 2;
        window.className = Lower(found->name);
        window.title = windowName ? windowName : "";
        if (parent == nullptr) {
            platform::CurrentBackend().SetWindowTitle(platform::AnsiToUtf8(window.title));
        }
        window.proc = found->proc;
        window.style = style & ~WS_VISIBLE;
        window.exStyle = exStyle;
        window.rect = RECT{x, y, x + width, y + height};
        window.ownerThread = GetCurrentThreadId();
        windows[Key(window.handle)] = window;
    }
    const HWND handle = window.handle;
    CREATESTRUCTA create{
        param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, className, exStyle};
    if (Send(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!IsWindow(handle)) {
        return nullptr; // destroyed by its own WM_CREATE
    }
    Send(handle, WM_SIZE, SIZE_RESTORED,
         MAKELPARAM(static_cast<WORD>(width), static_cast<WORD>(height)));
    Send(handle, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    if (style & WS_VISIBLE) {
        ShowWindow(handle, SW_SHOW);
    }
    return handle;
}

BOOL WINAPI DestroyWindow(HWND window) {
    {
        std::lock_guard<std::mutex> hold(stateLock);
        Window* found = FindLocked(window);
        if (!found) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (found->ownerThread != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (found->destroying) {
            return TRUE; // already on its way out (DestroyWindow from WM_DESTROY)
        }
        found->destroying = true;
        found->visible = false;
    }
    HandOverActivation(window);
    if (GetFocus() == window) {
        SetFocusTo(nullptr);
    }
    Send(window, WM_DESTROY, 0, 0);
    Send(window, WM_NCDESTROY, 0, 0);
    std::lock_guard<std::mutex> hold(stateLock);
    windows.erase(Key(window));
    if (lastActiveWindow == window) {
        lastActiveWindow = nullptr;
    }
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND window, int showCommand) {
    bool wasVisible = false;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        Window* found = FindLocked(window);
        if (!found || found->destroying) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        wasVisible = found->visible;
    }
    if (showCommand == SW_HIDE) {
        if (wasVisible) {
            Send(window, WM_SHOWWINDOW, FALSE, 0);
            {
                std::lock_guard<std::mutex> hold(stateLock);
                if (Window* found = FindLocked(window)) {
                    found->visible = false;
                }
            }
            HandOverActivation(window);
        }
        return wasVisible;
    }
    if (!wasVisible) {
        Send(window, WM_SHOWWINDOW, TRUE, 0);
        std::lock_guard<std::mutex> hold(stateLock);
        if (Window* found = FindLocked(window)) {
            found->visible = true;
            found->needsPaint = true;
        }
    }
    const bool activates = showCommand != SW_SHOWNOACTIVATE && showCommand != SW_SHOWNA &&
                           showCommand != SW_SHOWMINNOACTIVE;
    if (activates && IsWindow(window)) {
        Activate(window);
    }
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND window) {
    bool paint = false;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        Window* found = FindLocked(window);
        if (!found) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        paint = found->visible && found->needsPaint;
    }
    if (paint) {
        Send(window, WM_PAINT, 0, 0);
        std::lock_guard<std::mutex> hold(stateLock);
        if (Window* found = FindLocked(window)) {
            found->needsPaint = false;
        }
    }
    return TRUE;
}

HWND WINAPI SetFocus(HWND window) {
    const HWND previous = GetFocus();
    if (!window) {
        SetFocusTo(nullptr);
        return previous;
    }
    bool active = false;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (!FindLocked(window)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        active = applicationActive && activeWindow == window;
    }
    if (!active) {
        Activate(window); // focusing a window of an inactive application activates it
    } else {
        SetFocusTo(window);
    }
    return previous;
}

HWND WINAPI GetFocus() {
    std::lock_guard<std::mutex> hold(stateLock);
    return focusWindow;
}

HWND WINAPI GetActiveWindow() {
    std::lock_guard<std::mutex> hold(stateLock);
    return activeWindow;
}

BOOL WINAPI IsWindow(HWND window) {
    std::lock_guard<std::mutex> hold(stateLock);
    return FindLocked(window) != nullptr;
}

BOOL WINAPI IsWindowVisible(HWND window) {
    std::lock_guard<std::mutex> hold(stateLock);
    const Window* found = FindLocked(window);
    return found && found->visible;
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
    const auto found = Find(window);
    if (!found || !rect) {
        SetLastError(found ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = found->rect;
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    const auto found = Find(window);
    if (!found || !rect) {
        SetLastError(found ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = RECT{0, 0, found->rect.right - found->rect.left, found->rect.bottom - found->rect.top};
    return TRUE;
}

// ------------------------------------------------------------------ messages

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_PAINT: {
        std::lock_guard<std::mutex> hold(stateLock);
        if (Window* found = FindLocked(window)) {
            found->needsPaint = false;
        }
        return 0;
    }
    case WM_NCCREATE:
    case WM_NCACTIVATE:
        return TRUE;
    case WM_SYSKEYDOWN:
        if (wParam == static_cast<WPARAM>(VK_F4) && (lParam & (LPARAM{1} << 29))) {
            SendMessageA(window, WM_CLOSE, 0, 0); // Alt+F4
        }
        return 0;
    default:
        return 0;
    }
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return Send(window, message, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (platform::FailedByInjection("PostMessageA")) {
        return FALSE;
    }
    if (!Enqueue(window, GetCurrentThreadId(), MakeMessage(window, message, wParam, lParam),
                 Lane::Posted)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax,
                         UINT removeMessage) {
    if (!message) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (TakeMessage(*message, window, filterMin, filterMax, (removeMessage & PM_REMOVE) != 0)) {
        return TRUE;
    }
    // Nothing waiting: give the processor away until the clock ticks on or a
    // message is posted, so a loop polling here does not spin a core (and, on
    // the virtual clock, so that time passes while it polls).
    platform::Backend& backend = platform::CurrentBackend();
    backend.WaitUntil(backend.NowMilliseconds() + 1);
    return FALSE;
}

BOOL WINAPI GetMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax) {
    if (!message) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    while (!TakeMessage(*message, window, filterMin, filterMax, true)) {
        WaitMessage();
    }
    return message->message != WM_QUIT;
}

BOOL WINAPI WaitMessage() {
    platform::Backend& backend = platform::CurrentBackend();
    while (!QueueHasMessages()) {
        backend.WaitUntil(backend.NowMilliseconds() + kWaitSliceMs);
    }
    return TRUE;
}

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
            Enqueue(message->hwnd, GetCurrentThreadId(), character, Lane::PostedFront);
        }
    }
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message) {
    if (!message || !message->hwnd) {
        return 0;
    }
    if (!IsWindow(message->hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return Send(message->hwnd, message->message, message->wParam, message->lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    {
        std::lock_guard<std::mutex> hold(stateLock);
        ThreadQueue& queue = queues[GetCurrentThreadId()];
        queue.quit = true;
        queue.quitCode = exitCode;
    }
    platform::CurrentBackend().Wake();
}
