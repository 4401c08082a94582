// Window classes and windows: registering a class, creating, showing,
// updating and destroying a window, and the default window procedure.
// Windows are laid out on the screen of the display mode; a window has no
// frame, so its client area is its whole rectangle.
#include <cctype>

#include "platform/backend.h"
#include "platform/faults.h"
#include "platform/text.h"
#include "system/handles.h"
#include "system/window_state.h"

namespace platform::windowing {

std::mutex stateLock;
State state;

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::uintptr_t Key(HWND window) {
    return reinterpret_cast<std::uintptr_t>(window);
}

} // namespace

void ForgetAllWindows() {
    std::lock_guard<std::mutex> hold(stateLock);
    state = State{};
}

Window* FindLocked(HWND window) {
    const auto it = state.windows.find(Key(window));
    return it == state.windows.end() ? nullptr : &it->second;
}

bool WindowExists(HWND window) {
    std::lock_guard<std::mutex> hold(stateLock);
    return FindLocked(window) != nullptr;
}

std::vector<HWND> TopLevelWindows(bool visibleOnly) {
    std::lock_guard<std::mutex> hold(stateLock);
    std::vector<HWND> result;
    for (const auto& [key, window] : state.windows) {
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

} // namespace platform::windowing

using namespace platform::windowing;

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* windowClass) {
    if (platform::TakeFault("RegisterClassExA")) {
        return 0;
    }
    constexpr UINT kSizeIn32BitPrograms = 48;
    if (!windowClass ||
        (windowClass->cbSize != sizeof(WNDCLASSEXA) &&
         windowClass->cbSize != kSizeIn32BitPrograms) ||
        !windowClass->lpfnWndProc || !windowClass->lpszClassName ||
        IS_INTRESOURCE(windowClass->lpszClassName) || !*windowClass->lpszClassName) {
        return 0;
    }
    std::lock_guard<std::mutex> hold(stateLock);
    const std::string key = Lower(windowClass->lpszClassName);
    if (state.classes.count(key)) {
        return 0;
    }
    const ATOM atom = state.nextAtom++;
    state.classes[key] = WindowClass{windowClass->lpszClassName, atom, windowClass->lpfnWndProc,
                                     windowClass->hInstance};
    return atom;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
    if (platform::TakeFault("CreateWindowExA")) {
        return nullptr;
    }
    if (style & WS_CHILD) {
        return nullptr;
    }
    if (x == CW_USEDEFAULT) {
        x = y = 0;
    }
    if (width == CW_USEDEFAULT) {
        width = platform::kScreenWidth;
        height = platform::kScreenHeight;
    }
    Window window;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        const WindowClass* found = nullptr;
        for (const auto& [key, each] : state.classes) {
            const bool byAtom =
                IS_INTRESOURCE(className) &&
                each.atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(className));
            if (byAtom || (className && !IS_INTRESOURCE(className) && key == Lower(className))) {
                found = &each;
            }
        }
        if (!found) {
            return nullptr;
        }
        window.handle = reinterpret_cast<HWND>(state.nextWindow);
        state.nextWindow += 2;
        if (parent == nullptr) {
            platform::CurrentBackend().SetWindowTitle(
                platform::AnsiToUtf8(windowName ? windowName : ""));
        }
        window.proc = found->proc;
        window.exStyle = exStyle;
        window.rect = RECT{x, y, x + width, y + height};
        window.ownerThread = platform::CurrentThreadId();
        state.windows[Key(window.handle)] = window;
    }
    const HWND handle = window.handle;
    CREATESTRUCTA create{
        param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, className, exStyle};
    if (Send(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (!WindowExists(handle)) {
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
            return FALSE;
        }
        if (found->ownerThread != platform::CurrentThreadId()) {
            return FALSE;
        }
        if (found->destroying) {
            return TRUE; // already on its way out (DestroyWindow from WM_DESTROY)
        }
        found->destroying = true;
        found->visible = false;
    }
    HandOverActivation(window);
    if (FocusedWindow() == window) {
        SetFocusTo(nullptr);
    }
    Send(window, WM_DESTROY, 0, 0);
    Send(window, WM_NCDESTROY, 0, 0);
    std::lock_guard<std::mutex> hold(stateLock);
    state.windows.erase(Key(window));
    if (state.lastActiveWindow == window) {
        state.lastActiveWindow = nullptr;
    }
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND window, int showCommand) {
    bool wasVisible = false;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        Window* found = FindLocked(window);
        if (!found || found->destroying) {
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
    if (activates && WindowExists(window)) {
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
