#include "gdi/colour.h"

#include <array>

namespace platform::gdi {
namespace {

std::array<PaletteColour, 256> MakeSystemPalette() {
    std::array<PaletteColour, 256> p{};
    const PaletteColour low[10] = {{0, 0, 0},       {128, 0, 0},    {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},     {128, 0, 128},  {0, 128, 128}, {192, 192, 192},
                                   {192, 220, 192}, {166, 202, 240}};
    const PaletteColour high[10] = {
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 10; ++i) {
        p[i] = low[i];
        p[246 + i] = high[i];
    }
    return p;
}

} // namespace

const PaletteColour* SystemPalette() {
    static const std::array<PaletteColour, 256> palette = MakeSystemPalette();
    return palette.data();
}

std::uint8_t NearestIndex(const PaletteColour* palette, std::uint8_t r, std::uint8_t g,
                          std::uint8_t b) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        const int dr = palette[i].red - r;
        const int dg = palette[i].green - g;
        const int db = palette[i].blue - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0) {
                break;
            }
        }
    }
    return static_cast<std::uint8_t>(best);
}

std::uint8_t IndexForColour(const PaletteColour* palette, COLORREF colour) {
    if ((colour & 0xFF000000u) == 0x01000000u) {
        return static_cast<std::uint8_t>(colour & 0xFF);
    }
    return NearestIndex(palette, GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

} // namespace platform::gdi
