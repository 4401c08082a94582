// The seam between DirectDraw surfaces and GDI: what a device context needs
// to draw on a surface, and how a surface hands one out and takes it back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/backend.h"
#include "winapi/types.h"

namespace platform::gdi {

// Palette indices, one byte a pixel; `top` is row 0, and row y starts
// `y * pitch` bytes after it (a bottom-up DIB has a negative pitch).
struct PixelView {
    std::uint8_t* top = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t pitch = 0;

    std::uint8_t* Row(int y) const { return top + static_cast<std::ptrdiff_t>(y) * pitch; }
};

class DrawingTarget {
public:
    virtual PixelView Pixels() = 0;
    // The 256 colours the indices stand for right now.
    virtual const PaletteColour* Colours() = 0;
    // The colours of the palette as it was made, before any change of its
    // entries: a palette fade changes what the screen shows, not what the
    // pictures are drawn in.
    virtual const PaletteColour* CreatedColours() { return Colours(); }

protected:
    ~DrawingTarget() = default;
};

// A fresh device context on `target`, with GDI's defaults.
HDC OpenSurfaceDC(DrawingTarget* target);
// Ends a device context from OpenSurfaceDC; false when `dc` is not one of
// `target`'s.
bool CloseSurfaceDC(HDC dc, DrawingTarget* target);

} // namespace platform::gdi
