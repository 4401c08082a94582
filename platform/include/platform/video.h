// What the machine side (backends, tests) may do to the video layer beyond
// the DirectDraw calls a Windows program makes.
#pragma once

#include <cstdint>

#include "winapi/ddraw.h"

namespace platform {

// A surface's pixels, one palette index a byte, row y starting `y * pitch`
// bytes after `bits`: for tests and tools that look at or prepare what the
// game draws (the game itself only blits and draws text). Null `bits` for
// anything that is no surface of this layer.
struct SurfacePixels {
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;

    std::uint8_t& At(int x, int y) const { return bits[y * pitch + x]; }
};
SurfacePixels PixelsOf(IDirectDrawSurface* surface);

// Everything in video memory is gone: every live surface is marked lost and
// its pixels are really discarded, as when a full-screen program loses the
// display. IsLost then answers DDERR_SURFACELOST until the surface is
// restored, and a restored surface starts from cleared pixels. A backend calls
// this when its window loses the display; tests call it to drive the game's
// restore path.
void LoseAllSurfaces();

} // namespace platform
