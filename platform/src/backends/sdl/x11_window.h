// What the X server knows about the game's window that SDL may not. Asked
// for full screen, SDL records the window as covering the screen whether or
// not anything grants it; with no window manager (a bare X session, a kiosk)
// or one that ignores the request, the window stays the size it was made,
// and SDL's renderer and pointer positions would work to the wrong size.
#pragma once

#include <SDL.h>

#include <optional>

namespace platform::sdl {

// The window's size in pixels as the X server has it; nothing when the
// window is not an X11 window (other window systems keep SDL's record
// right) or the server cannot say.
std::optional<SDL_Point> X11WindowSize(SDL_Window* window);

// Tells SDL the window's size and place as a window manager does after
// configuring a window (synthetic ConfigureNotify events): SDL takes the
// size as the window's own, and posts its size-change event when it differs.
void TellSdlX11WindowSize(SDL_Window* window, SDL_Point size);

} // namespace platform::sdl
