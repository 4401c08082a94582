#include "backends/sdl/sdl_backend.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <sys/eventfd.h>
#include <unistd.h>

#include "platform/sdl_backend.h"
#include "platform/system_backend.h"
#include "platform/video.h"
#include "winapi/user.h"

namespace platform::sdl {
namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr char kWindowTitle[] = "Quorvane";
// About 23 ms of sound at 44.1 kHz: short enough for the shot to follow the
// key, long enough not to stutter on a busy machine.
constexpr Uint16 kAudioBufferFrames = 1024;
// A frame presented this soon after the last one drawn waits for the main
// loop to look at its events (right after the game's frame) instead of
// being drawn at once: a frame that changes the palette and then copies the
// back surface is drawn once, not twice. A frame after a longer quiet
// (start-up's loading notice, the first frame) is drawn at once.
constexpr std::uint32_t kDrawAtOnceAfterMs = 40;
// The signal bridge sleeps until woken; this only bounds one wait.
constexpr std::uint32_t kBridgeWaitMs = 0x3FFFFFFF;
// A game loop polling its queue waits a millisecond at a time, a thousand
// times a second. Such short waits sleep on the wake descriptor, to the
// exact tick of the clock, and leave the window system alone: the events
// that came meanwhile are collected right after, when the loop looks at its
// queue. Longer waits (an inactive game in WaitMessage) wait in SDL, so that
// input ends them at once.
constexpr std::int32_t kLongestShortWaitMs = 2;
// Pads are read every few milliseconds rather than on every look at the
// queue (SDL would otherwise ask the device layer a thousand times a second):
// still twice as often as a USB pad reports.
constexpr std::uint32_t kPadUpdateMs = 4;

bool IsEnterKey(SDL_Scancode scancode) {
    return scancode == SDL_SCANCODE_RETURN || scancode == SDL_SCANCODE_KP_ENTER;
}

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
    {
        std::lock_guard<std::mutex> hold(padLock);
        for (const Pad& pad : pads) {
            if (pad.controller) {
                SDL_GameControllerClose(pad.controller);
            } else {
                SDL_JoystickClose(pad.joystick);
            }
        }
        pads.clear();
    }
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

bool SdlBackend::Translate(const SDL_Event& event, BackendEvent& out) {
    out = BackendEvent{};
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return TranslateKey(event.key, out);
    case SDL_MOUSEMOTION: {
        const SDL_Point at = FramePointOfWindowPoint(event.motion.x, event.motion.y);
        out.kind = BackendEvent::Kind::MouseMove;
        out.x = at.x;
        out.y = at.y;
        return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        if (event.button.button != SDL_BUTTON_LEFT && event.button.button != SDL_BUTTON_RIGHT) {
            return false;
        }
        const SDL_Point at = FramePointOfWindowPoint(event.button.x, event.button.y);
        out.kind = event.type == SDL_MOUSEBUTTONDOWN ? BackendEvent::Kind::ButtonDown
                                                     : BackendEvent::Kind::ButtonUp;
        out.virtualKey = event.button.button == SDL_BUTTON_LEFT ? VK_LBUTTON : VK_RBUTTON;
        out.x = at.x;
        out.y = at.y;
        return true;
    }
    case SDL_WINDOWEVENT:
        return TranslateWindowEvent(event.window, out);
    case SDL_QUIT:
        out.kind = BackendEvent::Kind::Close;
        return true;
    case SDL_RENDER_TARGETS_RESET:
        // What was drawn is gone: the program finds its surfaces lost and
        // restores them, as after losing the display on Windows.
        LoseAllSurfaces();
        Render();
        return false;
    case SDL_RENDER_DEVICE_RESET:
        RecoverFromDeviceReset();
        return false;
    case SDL_JOYDEVICEADDED:
        AddPad(event.jdevice.which);
        return false;
    case SDL_JOYDEVICEREMOVED:
        RemovePad(event.jdevice.which);
        return false;
    default:
        return false; // wake-ups among them: the caller looks at its queue anyway
    }
}

bool SdlBackend::TranslateKey(const SDL_KeyboardEvent& key, BackendEvent& out) {
    const bool down = key.type == SDL_KEYDOWN;
    if (IsEnterKey(key.keysym.scancode)) {
        if (down && (key.keysym.mod & KMOD_ALT)) {
            if (!key.repeat) {
                ToggleFullscreen();
            }
            enterSwallowed = true; // the program never sees this Enter
            return false;
        }
        if (enterSwallowed) {
            if (!down) {
                enterSwallowed = false;
            }
            return false;
        }
    }
    const int virtualKey = VirtualKeyFromSdl(key.keysym.sym, key.keysym.scancode);
    if (virtualKey == 0) {
        return false;
    }
    out.kind = down ? BackendEvent::Kind::KeyDown : BackendEvent::Kind::KeyUp;
    out.virtualKey = virtualKey;
    return true;
}

bool SdlBackend::TranslateWindowEvent(const SDL_WindowEvent& event, BackendEvent& out) {
    switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        out.kind = BackendEvent::Kind::Activate;
        return true;
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_MINIMIZED:
        out.kind = BackendEvent::Kind::Deactivate;
        return true;
    case SDL_WINDOWEVENT_CLOSE:
        out.kind = BackendEvent::Kind::Close;
        return true;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        Render(); // the last frame again, placed for the new size
        return false;
    default:
        return false;
    }
}

SDL_Point SdlBackend::FramePointOfWindowPoint(int x, int y) const {
    // Window coordinates are points; on a high-DPI display the renderer's
    // output has more pixels than that.
    int windowWidth = 0;
    int windowHeight = 0;
    SDL_GetWindowSize(window, &windowWidth, &windowHeight);
    const SDL_Point output = OutputSize();
    if (windowWidth > 0 && windowHeight > 0) {
        x = static_cast<int>(static_cast<long long>(x) * output.x / windowWidth);
        y = static_cast<int>(static_cast<long long>(y) * output.y / windowHeight);
    }
    const SDL_Rect placed = FramePlacement();
    return FramePointAt(placed, textureWidth ? textureWidth : kScreenWidth,
                        textureHeight ? textureHeight : kScreenHeight, x, y);
}

// ------------------------------------------------------------------ input state

bool SdlBackend::IsKeyDown(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) {
        return false;
    }
    const KeySource& source = keySources[static_cast<std::size_t>(virtualKey)];
    if (source.mouseButton != 0) {
        // Held anywhere on the screen, as Windows reports the buttons.
        return (SDL_GetGlobalMouseState(nullptr, nullptr) & SDL_BUTTON(source.mouseButton)) != 0;
    }
    if (virtualKey == VK_RETURN && enterSwallowed) {
        return false;
    }
    if (source.keycode != SDLK_UNKNOWN) {
        const SDL_Scancode scancode = SDL_GetScancodeFromKey(source.keycode);
        if (scancode != SDL_SCANCODE_UNKNOWN) {
            return keyState[scancode] != 0;
        }
        // The layout has no key for that character: its usual position.
    }
    return std::any_of(source.scancodes.begin(), source.scancodes.end(),
                       [this](SDL_Scancode scancode) { return keyState[scancode] != 0; });
}

void SdlBackend::UpdatePadsNowAndThen() {
    const std::uint32_t now = NowMilliseconds();
    if (now - lastPadUpdate < kPadUpdateMs || SDL_WasInit(SDL_INIT_JOYSTICK) == 0) {
        return;
    }
    lastPadUpdate = now;
    // Queues plugging, unplugging and the pads' own events, and refreshes
    // what ReadJoystick reads.
    SDL_JoystickUpdate();
}

void SdlBackend::AddPad(int deviceIndex) {
    const SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    std::lock_guard<std::mutex> hold(padLock);
    for (const Pad& pad : pads) {
        if (pad.instance == instance) {
            return;
        }
    }
    Pad pad{instance, nullptr, nullptr};
    if (SDL_IsGameController(deviceIndex)) {
        pad.controller = SDL_GameControllerOpen(deviceIndex);
    }
    if (!pad.controller) {
        pad.joystick = SDL_JoystickOpen(deviceIndex);
        if (!pad.joystick) {
            return;
        }
    }
    pads.push_back(pad);
}

void SdlBackend::RemovePad(SDL_JoystickID instance) {
    std::lock_guard<std::mutex> hold(padLock);
    for (auto it = pads.begin(); it != pads.end(); ++it) {
        if (it->instance == instance) {
            if (it->controller) {
                SDL_GameControllerClose(it->controller);
            } else {
                SDL_JoystickClose(it->joystick);
            }
            pads.erase(it);
            return;
        }
    }
}

bool SdlBackend::ReadJoystick(unsigned id, JoystickState& out) {
    std::lock_guard<std::mutex> hold(padLock);
    if (id >= pads.size()) {
        return false;
    }
    const Pad& pad = pads[id];
    out = JoystickState{};
    if (pad.controller) {
        SDL_GameController* c = pad.controller;
        out.x = JoystickAxisPosition(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX));
        out.y = JoystickAxisPosition(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY));
        // The pad's cross counts as the stick pushed all the way.
        if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT)) {
            out.x = 0;
        } else if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT)) {
            out.x = 65535;
        }
        if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_UP)) {
            out.y = 0;
        } else if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN)) {
            out.y = 65535;
        }
        // Buttons 1, 2, ... are A, B, X, Y, then the shoulders, Back, Start.
        constexpr SDL_GameControllerButton kOrder[] = {SDL_CONTROLLER_BUTTON_A,
                                                       SDL_CONTROLLER_BUTTON_B,
                                                       SDL_CONTROLLER_BUTTON_X,
                                                       SDL_CONTROLLER_BUTTON_Y,
                                                       SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
                                                       SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
                                                       SDL_CONTROLLER_BUTTON_BACK,
                                                       SDL_CONTROLLER_BUTTON_START};
        for (std::size_t i = 0; i < std::size(kOrder); ++i) {
            if (SDL_GameControllerGetButton(c, kOrder[i])) {
                out.buttons |= 1u << i;
            }
        }
        return true;
    }
    SDL_Joystick* j = pad.joystick;
    if (SDL_JoystickNumAxes(j) >= 2) {
        out.x = JoystickAxisPosition(SDL_JoystickGetAxis(j, 0));
        out.y = JoystickAxisPosition(SDL_JoystickGetAxis(j, 1));
    }
    const int buttons = std::min(SDL_JoystickNumButtons(j), 32);
    for (int i = 0; i < buttons; ++i) {
        if (SDL_JoystickGetButton(j, i)) {
            out.buttons |= 1u << i;
        }
    }
    return true;
}

// ------------------------------------------------------------------ video

bool SdlBackend::CreateTexture(int width, int height) {
    if (texture) {
        SDL_DestroyTexture(texture);
    }
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                width, height);
    textureWidth = texture ? width : 0;
    textureHeight = texture ? height : 0;
    return texture != nullptr;
}

bool SdlBackend::EnsureRenderer() {
    if (renderer) {
        return true;
    }
    if (rendererFailed) {
        return false;
    }
    // Made with the first frame rather than at start-up: a second instance,
    // which closes at once, never waits for a graphics driver.
    renderer = SDL_CreateRenderer(window, -1, 0);
    if (!renderer) {
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!renderer || !CreateTexture(kScreenWidth, kScreenHeight)) {
        std::fprintf(stderr, "quorvane: cannot draw in the window: %s\n", SDL_GetError());
        rendererFailed = true;
        return false;
    }
    return true;
}

SDL_Point SdlBackend::OutputSize() const {
    int width = 0;
    int height = 0;
    if (renderer) {
        SDL_GetRendererOutputSize(renderer, &width, &height);
    } else {
        SDL_GetWindowSizeInPixels(window, &width, &height);
    }
    return SDL_Point{width, height};
}

SDL_Rect SdlBackend::FramePlacement() const {
    const SDL_Point output = OutputSize();
    return FitFrame(textureWidth ? textureWidth : kScreenWidth,
                    textureHeight ? textureHeight : kScreenHeight, output.x, output.y);
}

namespace {

// Seconds since this process started, from the kernel's record of its start
// (in clock ticks since boot) and the boot-time clock; -1 when unknown.
double SecondsSinceProcessStart() {
    std::FILE* stat = std::fopen("/proc/self/stat", "r");
    if (stat == nullptr) {
        return -1.0;
    }
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    const char* afterName = read ? std::strrchr(line, ')') : nullptr;
    if (afterName == nullptr) {
        return -1.0;
    }
    // Field 22 (starttime); fields 3 onwards follow the command name.
    unsigned long long startTicks = 0;
    const char* field = afterName + 2;
    for (int n = 3; n < 22 && field != nullptr; ++n) {
        field = std::strchr(field, ' ');
        field = field != nullptr ? field + 1 : nullptr;
    }
    if (field == nullptr || std::sscanf(field, "%llu", &startTicks) != 1) {
        return -1.0;
    }
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK));
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 -
           static_cast<double>(startTicks) / ticksPerSecond;
}

// With QUORVANE_REPORT_FIRST_FRAME set, the first frame presented says how
// long the start took (the start-up measurement in bench/ reads it).
void ReportFirstFrame() {
    static bool reported = false;
    if (reported) {
        return;
    }
    reported = true;
    if (std::getenv("QUORVANE_REPORT_FIRST_FRAME") != nullptr) {
        std::fprintf(stderr, "quorvane: first frame presented %.3f s after the process started\n",
                     SecondsSinceProcessStart());
    }
}

} // namespace

void SdlBackend::Present(const std::uint8_t* indices, int width, int height, int pitch,
                         const PaletteColour* palette) {
    if (!indices || !palette || width <= 0 || height <= 0 || pitch < width) {
        return;
    }
    ReportFirstFrame();
    {
        std::lock_guard<std::mutex> hold(frameLock);
        if (!stager.Stage(indices, width, height, pitch, palette)) {
            return; // the screen shows this already
        }
        stagedNew = true;
    }
    if (!OnMainThread()) {
        Wake();
    } else if (!shown ||
               static_cast<std::uint32_t>(NowMilliseconds() - lastDrawnAt) >= kDrawAtOnceAfterMs) {
        ShowStagedFrame();
    }
}

void SdlBackend::ShowStagedFrame() {
    {
        std::lock_guard<std::mutex> hold(frameLock);
        if (!stagedNew) {
            return;
        }
        stagedNew = false;
        if (!EnsureRenderer()) {
            return;
        }
        if (stager.Width() != textureWidth || stager.Height() != textureHeight) {
            if (!CreateTexture(stager.Width(), stager.Height())) {
                std::fprintf(stderr, "quorvane: cannot make a %d x %d texture: %s\n",
                             stager.Width(), stager.Height(), SDL_GetError());
                return;
            }
            stager.MarkAllChanged();
        }
        const RowBand rows = stager.TakeChangedRows();
        if (rows.count > 0) {
            const SDL_Rect band{0, rows.first, stager.Width(), rows.count};
            const std::uint8_t* firstRow =
                stager.Pixels() + static_cast<std::ptrdiff_t>(rows.first) * stager.Pitch();
            SDL_UpdateTexture(texture, &band, firstRow, stager.Pitch());
        }
    }
    if (!shown) {
        // The window appears with the program's first picture; the window
        // layer has already activated the program when it showed its window.
        shown = true;
        SDL_ShowWindow(window);
        SDL_RaiseWindow(window);
    }
    Render();
}

void SdlBackend::Render() {
    if (!shown || !renderer || !texture) {
        return;
    }
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    const SDL_Rect placed = FramePlacement();
    SDL_RenderCopy(renderer, texture, nullptr, &placed);
    SDL_RenderPresent(renderer);
    lastDrawnAt = NowMilliseconds();
}

void SdlBackend::RecoverFromDeviceReset() {
    if (!renderer) {
        return;
    }
    // Every texture went with the device; the program's surfaces count as
    // lost too, and it restores and redraws them itself.
    const int width = std::max(textureWidth, kScreenWidth);
    const int height = std::max(textureHeight, kScreenHeight);
    textureWidth = textureHeight = 0;
    if (!CreateTexture(width, height)) {
        std::fprintf(stderr, "quorvane: the display was reset and cannot be drawn on: %s\n",
                     SDL_GetError());
    }
    {
        std::lock_guard<std::mutex> hold(frameLock);
        stagedNew = !stager.Empty();
        stager.MarkAllChanged();
    }
    LoseAllSurfaces();
    ShowStagedFrame();
}

void SdlBackend::ToggleFullscreen() {
    fullscreen = !fullscreen;
    if (fullscreen) {
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(window, 0);
        SDL_Rect usable{0, 0, kScreenWidth, kScreenHeight};
        SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(window), &usable);
        const SDL_Point size = WindowedSize(kScreenWidth, kScreenHeight, usable.w, usable.h);
        SDL_SetWindowSize(window, size.x, size.y);
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    Render();
}

void SdlBackend::SetWindowTitle(const std::string& titleUtf8) {
    if (window != nullptr) {
        SDL_SetWindowTitle(window, titleUtf8.c_str());
    }
}

void SdlBackend::SetCursorVisible(bool visible) {
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

// ------------------------------------------------------------------ audio

void SDLCALL SdlBackend::FeedAudio(void* opaque, Uint8* stream, int length) {
    auto* backend = static_cast<SdlBackend*>(opaque);
    AudioSource* source = backend->audioSource.load();
    const auto frames = static_cast<std::uint32_t>(length) /
                        (2u * std::max<std::uint32_t>(backend->audioChannels, 1));
    if (!source) {
        SDL_memset(stream, 0, static_cast<std::size_t>(length));
        return;
    }
    // SDL hands over a byte buffer that it allocated for S16 samples.
    source->Mix(reinterpret_cast<std::int16_t*>(stream), frames);
}

bool SdlBackend::OpenAudio(std::uint32_t sampleRate, std::uint32_t channels, AudioSource* source) {
    if (!source || sampleRate == 0 || sampleRate > 384000 || channels == 0 || channels > 8) {
        return false;
    }
    CloseAudio();
    std::lock_guard<std::mutex> hold(audioLock);
    if (!audioStarted) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            std::fprintf(stderr, "quorvane: no sound device: %s\n", SDL_GetError());
            return false;
        }
        audioStarted = true;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(sampleRate);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(channels);
    wanted.samples = kAudioBufferFrames;
    wanted.callback = &SdlBackend::FeedAudio;
    wanted.userdata = this;
    audioChannels = channels;
    audioSource.store(source);
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device takes.
    audioDevice = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (audioDevice == 0) {
        std::fprintf(stderr, "quorvane: cannot open the sound device at %u Hz, %u channels: %s\n",
                     sampleRate, channels, SDL_GetError());
        audioSource.store(nullptr);
        return false;
    }
    SDL_PauseAudioDevice(audioDevice, 0);
    return true;
}

void SdlBackend::CloseAudio() {
    std::lock_guard<std::mutex> hold(audioLock);
    if (audioDevice != 0) {
        // Returns once the callback has finished its last pull.
        SDL_CloseAudioDevice(audioDevice);
        audioDevice = 0;
    }
    audioSource.store(nullptr);
}

// ------------------------------------------------------------------ dialogs

int SdlBackend::ShowMessageBox(const std::string& captionUtf8, const std::string& textUtf8,
                               unsigned type) {
    if (OnMainThread()) {
        ShowStagedFrame(); // the box stands over what the program last showed
    }
    const MessageBoxLayout layout = LayoutOfMessageBox(type);
    std::vector<SDL_MessageBoxButtonData> buttons;
    for (const MessageBoxButton& button : layout.buttons) {
        Uint32 flags = 0;
        flags |= button.returnKeyDefault ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
        flags |= button.escapeKeyDefault ? SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT : 0;
        buttons.push_back(SDL_MessageBoxButtonData{flags, button.id, button.text});
    }
    SDL_MessageBoxData box{};
    box.flags = layout.flags | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    // Owned by the window (kept above it, modal to it) when asked on the
    // window's own thread.
    box.window = shown && OnMainThread() ? window : nullptr;
    box.title = captionUtf8.c_str();
    box.message = textUtf8.c_str();
    box.numbuttons = static_cast<int>(buttons.size());
    box.buttons = buttons.data();
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) {
        std::fprintf(stderr, "[%s] %s\n(no message box: %s)\n", captionUtf8.c_str(),
                     textUtf8.c_str(), SDL_GetError());
        return DefaultMessageBoxAnswer(type);
    }
    return MessageBoxAnswer(type, pressed);
}

} // namespace platform::sdl

namespace platform {

std::unique_ptr<Backend> OpenSdlBackend(std::string& error) {
    return sdl::SdlBackend::Open(error);
}

} // namespace platform
