// The page's keys, buttons and pointer on their way to the game's thread.
// The browser's main thread pushes events as the DOM reports them; the game
// takes them, in the same order, when it looks at its message queue. The
// state GetAsyncKeyState answers from is the state after the events the game
// has taken, so a key pressed and released between two frames is still seen
// held for one frame: its release waits until a frame has been presented
// since the press (or, with no frame coming, a short while).
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/backend.h"

namespace platform::web {

class InputQueue {
public:
    static constexpr std::size_t kCapacity = 256;
    // How long a release waits for a frame when none comes (a paused game
    // presents nothing).
    static constexpr std::uint32_t kHoldLimitMs = 100;

    // From the browser's thread; false (the event dropped) when the game has
    // left kCapacity events untaken.
    bool Push(const BackendEvent& event);

    // From the game's thread: the next event, unless it is a release that
    // must wait for a frame. `nowMs` is the backend's clock.
    bool Take(BackendEvent& out, std::uint32_t nowMs);
    // A frame has been presented: what it showed was sampled after every
    // event taken so far.
    void FramePresented();

    // Whether the key or button is held, as of the events taken.
    bool IsDown(int virtualKey) const;

private:
    static bool IsRelease(const BackendEvent& event) {
        return event.kind == BackendEvent::Kind::KeyUp ||
               event.kind == BackendEvent::Kind::ButtonUp;
    }
    static bool IsPress(const BackendEvent& event) {
        return event.kind == BackendEvent::Kind::KeyDown ||
               event.kind == BackendEvent::Kind::ButtonDown;
    }

    std::array<BackendEvent, kCapacity> ring{};
    std::atomic<std::uint32_t> pushed{0};
    std::atomic<std::uint32_t> taken{0};

    // Game thread only, but IsDown may be asked from any thread.
    std::array<std::atomic<bool>, 256> down{};
    std::array<bool, 256> pressedSinceFrame{};
    bool holding = false;
    std::uint32_t holdingSince = 0;
};

} // namespace platform::web
