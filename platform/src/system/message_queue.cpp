// The message queues. Every thread has its own, as on Windows: PostMessageA
// puts a message in the queue of the thread that created the window (a null
// window: the calling thread's own), PeekMessageA reads the calling thread's
// queue. Posted messages come before input, and WM_QUIT only when neither is
// waiting. SendMessageA calls the window procedure at once.
#include "platform/backend.h"
#include "platform/faults.h"
#include "system/handles.h"
#include "system/window_state.h"
#include "winapi/mmsystem.h"

namespace platform::windowing {
namespace {

// How long WaitMessage lets the backend sleep before it looks again.
constexpr std::uint32_t kWaitSliceMs = 1000;

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
    ThreadQueue& queue = state.queues[platform::CurrentThreadId()];
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
        out.pt = state.cursor;
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
    const ThreadQueue& queue = state.queues[platform::CurrentThreadId()];
    return !queue.posted.empty() || !queue.input.empty() || queue.quit;
}

} // namespace

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    std::lock_guard<std::mutex> hold(stateLock);
    msg.pt = state.cursor;
    return msg;
}

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
        ThreadQueue& queue = state.queues[thread];
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

} // namespace platform::windowing

using namespace platform::windowing;

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!WindowExists(window)) {
        return 0;
    }
    return Send(window, message, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (platform::TakeFault("PostMessageA")) {
        return FALSE;
    }
    if (!Enqueue(window, platform::CurrentThreadId(), MakeMessage(window, message, wParam, lParam),
                 Lane::Posted)) {
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax,
                         UINT removeMessage) {
    if (!message) {
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

BOOL WINAPI WaitMessage() {
    platform::Backend& backend = platform::CurrentBackend();
    while (!QueueHasMessages()) {
        backend.WaitUntil(backend.NowMilliseconds() + kWaitSliceMs);
    }
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message) {
    if (!message || !message->hwnd) {
        return 0;
    }
    if (!WindowExists(message->hwnd)) {
        return 0;
    }
    return Send(message->hwnd, message->message, message->wParam, message->lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    {
        std::lock_guard<std::mutex> hold(stateLock);
        ThreadQueue& queue = state.queues[platform::CurrentThreadId()];
        queue.quit = true;
        queue.quitCode = exitCode;
    }
    platform::CurrentBackend().Wake();
}
