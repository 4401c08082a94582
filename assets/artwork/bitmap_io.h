// Writing the finished artwork: the packed device-independent bitmap the game
// embeds, the same as a .bmp file, and a scaled-up PNG preview for people.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assets/artwork/palette.h"

namespace artwork {

// An 8-bit image, one palette index per pixel, rows from the top.
struct IndexedImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
    std::uint8_t& At(int x, int y) { return pixels[std::size_t(y) * width + x]; }
};

// BITMAPINFOHEADER, 256-entry colour table, rows bottom-up.
std::vector<std::uint8_t> PackedDib(const IndexedImage& image, const Palette& palette);
// BITMAPFILEHEADER in front of the packed bitmap.
std::vector<std::uint8_t> BmpFile(const std::vector<std::uint8_t>& packedDib);

// Palette PNG, each pixel repeated `scale` times each way; `transparent` is
// written fully transparent.
void WritePng(const std::string& path, const IndexedImage& image, const Palette& palette, int scale,
              int transparent);

} // namespace artwork
