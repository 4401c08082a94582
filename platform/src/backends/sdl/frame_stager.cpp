#include "backends/sdl/frame_stager.h"

#include <algorithm>
#include <cstring>

#include "backends/sdl/sdl_mapping.h"

namespace platform::sdl {
namespace {

bool SamePalette(const std::array<PaletteColour, 256>& shown, const PaletteColour* palette) {
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i].red != palette[i].red || shown[i].green != palette[i].green ||
            shown[i].blue != palette[i].blue) {
            return false;
        }
    }
    return true;
}

} // namespace

bool FrameStager::Stage(const std::uint8_t* indices, int newWidth, int newHeight, int pitch,
                        const PaletteColour* palette) {
    RowBand rows{0, newHeight};
    if (newWidth != width || newHeight != height || pixels.empty()) {
        Resize(newWidth, newHeight);
    } else if (SamePalette(shownPalette, palette)) {
        // Only the rows between the first and the last that differ.
        const auto rowDiffers = [&](int y) {
            return std::memcmp(indices + static_cast<std::ptrdiff_t>(y) * pitch,
                               shownIndices.data() + static_cast<std::ptrdiff_t>(y) * width,
                               static_cast<std::size_t>(width)) != 0;
        };
        int first = 0;
        while (first < height && !rowDiffers(first)) {
            ++first;
        }
        if (first == height) {
            return false;
        }
        int last = height - 1;
        while (!rowDiffers(last)) {
            --last;
        }
        rows = RowBand{first, last - first + 1};
    }
    std::copy(palette, palette + shownPalette.size(), shownPalette.begin());
    ConvertRows(indices, pitch, palette, rows);
    AddChanged(rows);
    return true;
}

RowBand FrameStager::TakeChangedRows() {
    const RowBand taken = changed;
    changed = RowBand{};
    return taken;
}

void FrameStager::MarkAllChanged() {
    changed = RowBand{0, height};
}

void FrameStager::Resize(int newWidth, int newHeight) {
    width = newWidth;
    height = newHeight;
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    shownIndices.assign(count, 0);
    pixels.assign(count * 4, 0);
    changed = RowBand{};
}

void FrameStager::ConvertRows(const std::uint8_t* indices, int pitch, const PaletteColour* palette,
                              RowBand rows) {
    for (int y = rows.first; y < rows.first + rows.count; ++y) {
        std::memcpy(shownIndices.data() + static_cast<std::ptrdiff_t>(y) * width,
                    indices + static_cast<std::ptrdiff_t>(y) * pitch,
                    static_cast<std::size_t>(width));
    }
    ConvertFrame(indices + static_cast<std::ptrdiff_t>(rows.first) * pitch, width, rows.count,
                 pitch, palette, pixels.data() + static_cast<std::ptrdiff_t>(rows.first) * Pitch(),
                 Pitch());
}

void FrameStager::AddChanged(RowBand rows) {
    if (changed.count == 0) {
        changed = rows;
        return;
    }
    const int first = std::min(changed.first, rows.first);
    const int end = std::max(changed.first + changed.count, rows.first + rows.count);
    changed = RowBand{first, end - first};
}

} // namespace platform::sdl
