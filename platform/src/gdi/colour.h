// Colour matching between GDI colours and 8-bit palettes.
#pragma once

#include <cstdint>

#include "platform/backend.h"
#include "winapi/types.h"

namespace platform::gdi {

// The palette an 8-bit display has before a program sets its own: the
// twenty static colours of the system palette in entries 0 to 9 and 246 to
// 255, black in between.
const PaletteColour* SystemPalette();

// The first entry of the 256 closest to (r, g, b).
std::uint8_t NearestIndex(const PaletteColour* palette, std::uint8_t r, std::uint8_t g,
                          std::uint8_t b);

// A COLORREF as a palette index: PALETTEINDEX values name their entry, all
// others take the nearest colour.
std::uint8_t IndexForColour(const PaletteColour* palette, COLORREF colour);

} // namespace platform::gdi
