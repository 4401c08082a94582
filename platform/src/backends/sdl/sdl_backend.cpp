// The backend's life (SDL started, the window made hidden, the signal
// bridge), its clock, and how the main thread waits and is woken. The
// other pieces: events in sdl_events.cpp, pads in sdl_pads.cpp, the window
// and its frames in sdl_video.cpp, sound in sdl_audio.cpp, message boxes
// in sdl_message_box.cpp.
#include "backends/sdl/sdl_backend.h"

#include <cstdio>

#include <sys/eventfd.h>

#include "platform/sdl_backend.h"
#include "platform/system_backend.h"

namespace platform::sdl {

namespace {

constexpr char kWindowTitle[] = "Quorvane";
// The signal bridge sleeps until woken; this only bounds one wait.
constexpr std::uint32_t kBridgeWaitMs = 0x3FFFFFFF;
// A game loop polling its queue waits a millisecond at a time, a thousand
// times a second. Such short waits sleep on the wake descriptor, to the
// exact tick of the clock, and leave the window system alone: the events
// that came meanwhile are collected right after, when the loop looks at its
// queue. Longer waits (an inactive game in WaitMessage) wait in SDL, so that
// input ends them at once.
constexpr std::int32_t kLongestShortWaitMs = 2;

} // namespace

SdlBackend::SdlBackend() : mainThread(std::this_thread::get_id()) {
    for (int vk = 0; vk < 256; ++vk) {
        keySources[static_cast<std::size_t>(vk)] = SourceOfVirtualKey(vk);
    }
}

std::unique_ptr<SdlBackend> SdlBackend::Open(std::string& error) {
    std::unique_ptr<SdlBackend> backend(new SdlBackend());
    if (!backend->Start(error)) {
        return nullptr;
    }
    return backend;
}

bool SdlBackend::Start(std::string& error) {
    // SIGINT and SIGTERM stay with the system layer, which turns them into
    // a close request; the window's close button is a close request too, not
    // a quit of SDL's own.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0"); // nearest neighbour, no blur
    // joyGetPosEx reads the stick whatever window has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0"); // see UpdatePadsNowAndThen
    SDL_SetHint(SDL_HINT_AUTO_UPDATE_SENSORS, "0");   // not used
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        error = std::string("cannot start SDL's video: ") + SDL_GetError();
        SDL_Quit(); // what SDL did start (its D-Bus connection) ends too
        return false;
    }
    SDL_Rect usable{0, 0, kScreenWidth, kScreenHeight};
    SDL_GetDisplayUsableBounds(0, &usable);
    const SDL_Point windowed = WindowedSize(kScreenWidth, kScreenHeight, usable.w, usable.h);
    window = SDL_CreateWindow(
        kWindowTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, windowed.x, windowed.y,
        SDL_WINDOW_HIDDEN | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!window) {
        error = std::string("cannot open a window: ") + SDL_GetError();
        SDL_Quit();
        return false;
    }
    keyState = SDL_GetKeyboardState(nullptr);
    wakeEventType = SDL_RegisterEvents(1);
    wakeDescriptor.Reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    // A controller is a nice-to-have: without the subsystem there is simply
    // no joystick.
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        std::fprintf(stderr, "quorvane: no joystick support: %s\n", SDL_GetError());
    }
    signalBridge = std::thread([this] {
        Backend& system = SystemBackend();
        while (!stopping.load()) {
            system.WaitUntil(system.NowMilliseconds() + kBridgeWaitMs);
            if (!stopping.load()) {
                Wake();
            }
        }
    });
    return true;
}

SdlBackend::~SdlBackend() {
    CloseAudio();
    if (signalBridge.joinable()) {
        stopping.store(true);
        SystemBackend().Wake();
        signalBridge.join();
    }
    ClosePads();
    if (texture) {
        SDL_DestroyTexture(texture);
    }
    if (renderer) {
        SDL_DestroyRenderer(renderer);
    }
    if (window) {
        SDL_DestroyWindow(window);
    }
    SDL_Quit();
}

bool SdlBackend::OnMainThread() const {
    return std::this_thread::get_id() == mainThread;
}

// ------------------------------------------------------------------ clock and events

std::uint32_t SdlBackend::NowMilliseconds() {
    return SystemBackend().NowMilliseconds();
}

void SdlBackend::Sleep(std::uint32_t ms) {
    SystemBackend().Sleep(ms);
}

bool SdlBackend::PollEvent(BackendEvent& out) {
    if (!OnMainThread()) {
        return false; // the machine's input goes to the window's thread
    }
    // A termination signal, taken up by the system layer.
    if (SystemBackend().PollEvent(out)) {
        return true;
    }
    ShowStagedFrame();
    UpdatePadsNowAndThen();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (Translate(event, out)) {
            return true;
        }
    }
    return false;
}

void SdlBackend::WaitUntil(std::uint32_t deadlineMs) {
    if (!OnMainThread()) {
        std::unique_lock<std::mutex> hold(offMainLock);
        const auto remaining = static_cast<std::int32_t>(deadlineMs - NowMilliseconds());
        if (remaining > 0) {
            offMainWoken.wait_for(hold, std::chrono::milliseconds(remaining),
                                  [this] { return offMainWake; });
        }
        offMainWake = false;
        return;
    }
    ShowStagedFrame();
    if (wakePending.exchange(false)) {
        // Woken before the wait began: the descriptor's count goes too, or
        // the next short wait would end at once.
        ClearDescriptor(wakeDescriptor.Get());
        return;
    }
    const auto remaining = static_cast<std::int32_t>(deadlineMs - NowMilliseconds());
    if (remaining <= 0) {
        return;
    }
    if (remaining <= kLongestShortWaitMs && wakeDescriptor.Valid()) {
        WaitForClockOrDescriptor(deadlineMs, wakeDescriptor.Get());
        wakePending.store(false);
    } else {
        SDL_WaitEventTimeout(nullptr, remaining);
    }
}

void SdlBackend::Wake() {
    {
        std::lock_guard<std::mutex> hold(offMainLock);
        offMainWake = true;
    }
    offMainWoken.notify_all();
    SignalDescriptor(wakeDescriptor.Get());
    if (!wakePending.exchange(true)) {
        SDL_Event event{};
        event.type = wakeEventType;
        SDL_PushEvent(&event);
    }
}

} // namespace platform::sdl

namespace platform {

std::unique_ptr<Backend> OpenSdlBackend(std::string& error) {
    return sdl::SdlBackend::Open(error);
}

} // namespace platform
