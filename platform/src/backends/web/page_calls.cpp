// What the page calls in the program, from the browser's main thread, as the
// DOM reports the player's doings. Calls before the game has started, or
// after it has ended, change nothing.
#include <emscripten.h>

#include <string_view>

#include "backends/web/web_backend.h"
#include "winapi/user.h"

using platform::BackendEvent;
using platform::web::WebBackend;

namespace {

void Push(BackendEvent::Kind kind, int virtualKey = 0) {
    if (WebBackend* backend = WebBackend::Active()) {
        BackendEvent event;
        event.kind = kind;
        event.virtualKey = virtualKey;
        backend->PushEvent(event);
    }
}

} // namespace

extern "C" {

// A key of the DOM's KeyboardEvent.code went down or up; true when the game
// knows the key (the page then keeps the browser from acting on it).
EMSCRIPTEN_KEEPALIVE int quorvane_web_key(const char* code, int down) {
    const int virtualKey = platform::web::VirtualKeyOfCode(code ? code : "");
    if (virtualKey == 0) {
        return 0;
    }
    Push(down ? BackendEvent::Kind::KeyDown : BackendEvent::Kind::KeyUp, virtualKey);
    return 1;
}

// The pointer at (x, y) in CSS pixels of the page's view: moved (kind 0), a
// button pressed (1) or released (2); button 0 is the left, 2 the right.
EMSCRIPTEN_KEEPALIVE void quorvane_web_pointer(int kind, double x, double y, int button) {
    WebBackend* backend = WebBackend::Active();
    if (!backend) {
        return;
    }
    const int virtualKey = button == 0 ? VK_LBUTTON : button == 2 ? VK_RBUTTON : 0;
    if (kind == 0) {
        backend->PointerAt(BackendEvent::Kind::MouseMove, 0, x, y);
    } else if (virtualKey != 0) {
        backend->PointerAt(kind == 1 ? BackendEvent::Kind::ButtonDown
                                     : BackendEvent::Kind::ButtonUp,
                           virtualKey, x, y);
    }
}

// The tab was shown and focused (1) or hidden or left (0).
EMSCRIPTEN_KEEPALIVE void quorvane_web_activate(int active) {
    Push(active ? BackendEvent::Kind::Activate : BackendEvent::Kind::Deactivate);
}

EMSCRIPTEN_KEEPALIVE void quorvane_web_close() {
    Push(BackendEvent::Kind::Close);
}

// The view is this large: places the frame, and returns its scale; its
// offset follows from quorvane_web_frame_left and _top.
EMSCRIPTEN_KEEPALIVE double quorvane_web_layout(double width, double height) {
    WebBackend* backend = WebBackend::Active();
    if (!backend) {
        return 1;
    }
    backend->LayOut(width, height);
    return backend->Placement().scale;
}

EMSCRIPTEN_KEEPALIVE double quorvane_web_frame_left() {
    WebBackend* backend = WebBackend::Active();
    return backend ? backend->Placement().left : 0;
}

EMSCRIPTEN_KEEPALIVE double quorvane_web_frame_top() {
    WebBackend* backend = WebBackend::Active();
    return backend ? backend->Placement().top : 0;
}

// The newest frame as 640 x 480 RGBA, or null when the page has it already.
EMSCRIPTEN_KEEPALIVE const unsigned char* quorvane_web_take_frame() {
    WebBackend* backend = WebBackend::Active();
    return backend ? backend->TakeFrame() : nullptr;
}

// The player closed the message box with this button (IDOK, IDCANCEL, ...).
EMSCRIPTEN_KEEPALIVE void quorvane_web_answer(int buttonId) {
    if (WebBackend* backend = WebBackend::Active()) {
        backend->Answer(buttonId);
    }
}

EMSCRIPTEN_KEEPALIVE unsigned quorvane_web_frames_presented() {
    WebBackend* backend = WebBackend::Active();
    return backend ? backend->FramesPresented() : 0;
}

EMSCRIPTEN_KEEPALIVE double quorvane_web_take_wake_lateness() {
    WebBackend* backend = WebBackend::Active();
    return backend ? backend->TakeWakeLateness() : 0;
}

} // extern "C"
