// The newest frame, converted from palette indices to the window's 32-bit
// pixels. A game of this kind copies its whole back surface to the screen
// every frame even when nothing moved (the title screen stands still for
// seconds at a time), so the stager remembers the indices and palette it
// converted last and converts again only the rows that changed; the backend
// then uploads only those rows, or draws nothing at all.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/backend.h"

namespace platform::sdl {

// Rows first .. first + count - 1 of the frame; count 0: none.
struct RowBand {
    int first = 0;
    int count = 0;
};

class FrameStager {
public:
    // Takes a presented frame. False when it shows exactly what the frame
    // before it showed (same size, palette and indices): nothing to draw.
    bool Stage(const std::uint8_t* indices, int width, int height, int pitch,
               const PaletteColour* palette);

    // The rows converted since the last call, which the screen has not had
    // yet; the band is empty afterwards.
    RowBand TakeChangedRows();
    // The next TakeChangedRows covers the whole frame (after the texture
    // holding the screen's copy was made anew).
    void MarkAllChanged();

    const std::uint8_t* Pixels() const { return pixels.data(); }
    int Width() const { return width; }
    int Height() const { return height; }
    int Pitch() const { return width * 4; } // bytes a row of Pixels()
    bool Empty() const { return pixels.empty(); }

private:
    void Resize(int newWidth, int newHeight);
    void ConvertRows(const std::uint8_t* indices, int pitch, const PaletteColour* palette,
                     RowBand rows);
    void AddChanged(RowBand rows);

    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> shownIndices; // width x height, no padding
    std::array<PaletteColour, 256> shownPalette{};
    std::vector<std::uint8_t> pixels;
    RowBand changed;
};

} // namespace platform::sdl
