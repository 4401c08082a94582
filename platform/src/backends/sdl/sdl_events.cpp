// SDL's events as the program sees them (keys, mouse in frame pixels,
// focus, closing), and the keys and buttons held down.
#include "backends/sdl/sdl_backend.h"

#include <algorithm>

#include "platform/video.h"
#include "winapi/user.h"

namespace platform::sdl {

namespace {

bool IsEnterKey(SDL_Scancode scancode) {
    return scancode == SDL_SCANCODE_RETURN || scancode == SDL_SCANCODE_KP_ENTER;
}

} // namespace

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
    case SDL_DISPLAYEVENT: // a monitor turned, plugged in or out
        Render();
        return false;
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
    case SDL_WINDOWEVENT_DISPLAY_CHANGED:
        Render(); // the last frame again, placed for the window's size now
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
} // namespace platform::sdl
