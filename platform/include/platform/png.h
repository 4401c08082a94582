// Writes 8-bit indexed frames as PNG pictures (captured frames, previews).
#pragma once

#include <cstdint>
#include <string>

#include "platform/backend.h"

namespace platform {

// Writes `width` x `height` palette indices, `pitch` bytes a row, with their
// 256-entry palette as an indexed-colour PNG. False (and no file left
// half-written) when the file cannot be written.
bool WriteIndexedPng(const std::string& path, const std::uint8_t* indices, int width, int height,
                     int pitch, const PaletteColour* palette);

} // namespace platform
