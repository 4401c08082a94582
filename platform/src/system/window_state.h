// What the window files share: the registered classes, the windows, each
// thread's message queue, which window is active and focused, and the helpers
// that reach them. One lock guards all of it; window procedures are always
// called without it held, so they may create, show, destroy, send and post
// freely.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "winapi/user.h"

namespace platform::windowing {

struct WindowClass {
    std::string name;
    ATOM atom;
    WNDPROC proc;
    HINSTANCE instance;
};

struct Window {
    HWND handle = nullptr;
    WNDPROC proc = nullptr;
    DWORD exStyle = 0;
    RECT rect{};
    DWORD ownerThread = 0;
    bool visible = false;
    bool needsPaint = false;
    bool destroying = false;
};

// Posted messages come before input, and WM_QUIT only when neither waits.
struct ThreadQueue {
    std::deque<MSG> posted;
    std::deque<MSG> input;
    bool quit = false;
    int quitCode = 0;
};

struct State {
    std::map<std::string, WindowClass> classes; // by lower-case name
    ATOM nextAtom = 0xC000;
    std::map<std::uintptr_t, Window> windows; // in creation order
    std::uintptr_t nextWindow = 0x100A2;
    std::map<DWORD, ThreadQueue> queues;
    HWND activeWindow = nullptr;     // the application's active top-level window
    HWND lastActiveWindow = nullptr; // activated again when the application is
    HWND focusWindow = nullptr;
    bool applicationActive = false;
    POINT cursor{0, 0};
    std::set<int> keysDown; // as the window messages have seen them
};

extern std::mutex stateLock; // guards `state`
extern State state;

// Forgets every class, window and queue, as a new process starts with none.
void ForgetAllWindows();
// The cursor shown again, as a new process finds it (input.cpp).
void ResetCursor();

// Under stateLock: the window, or null when the handle names none.
Window* FindLocked(HWND window);
bool WindowExists(HWND window);
// The top-level windows in creation order (only the visible ones, or all).
std::vector<HWND> TopLevelWindows(bool visibleOnly);
// Calls the window procedure on this thread; 0 for a window that is gone.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Activation: the application and one of its windows become active (with
// the messages Windows sends), or the application loses the focus.
void Activate(HWND window);
void DeactivateApplication();
void SetFocusTo(HWND window);
HWND FocusedWindow();
// The active window goes away (hidden or destroyed): another visible window
// of the application takes over, or the application becomes inactive.
void HandOverActivation(HWND leaving);

// The message queues.
enum class Lane { Posted, Input, PostedFront };
MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Queues a message for the thread owning `window` (null: for `thread`).
bool Enqueue(HWND window, DWORD thread, const MSG& msg, Lane lane);

// The machine's events: input becomes queued messages, activation is sent
// at once, a close request is a posted WM_CLOSE. True when there was any.
bool PumpBackendEvents();

} // namespace platform::windowing
