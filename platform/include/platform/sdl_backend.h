// The windowed backend: the program's 640 x 480 screen in a real window
// through SDL2, full screen at the desktop's resolution (Alt+Enter switches
// to a window and back), the keyboard, mouse and first game controller, the
// audio device, and native message boxes.
#pragma once

#include <memory>
#include <string>

#include "platform/backend.h"

namespace platform {

// Starts SDL's video and creates the (still hidden) window; the window
// appears, and its renderer is made, with the first frame presented.
// Returns nullptr, with the reason in `error`, when no window can be opened
// (no display).
std::unique_ptr<Backend> OpenSdlBackend(std::string& error);

} // namespace platform
