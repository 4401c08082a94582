// Game controllers and joysticks, plugged in and out while the game runs,
// read as joyGetPosEx reports joystick positions and buttons.
#include "backends/sdl/sdl_backend.h"

#include <algorithm>
#include <iterator>

namespace platform::sdl {

namespace {

// Pads are read every few milliseconds rather than on every look at the
// queue (SDL would otherwise ask the device layer a thousand times a second):
// still twice as often as a USB pad reports.
constexpr std::uint32_t kPadUpdateMs = 4;

} // namespace

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

void SdlBackend::ClosePads() {
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

} // namespace platform::sdl
