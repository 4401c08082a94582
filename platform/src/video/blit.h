// The pixel work of Blt and BltFast on 8-bit surfaces: colour fill, and a
// rectangle copy that scales (nearest pixel) when the rectangles differ, skips
// source pixels in the source colour key and writes only over destination
// pixels in the destination colour key. A destination reaching past the
// surface is clipped, and the source with it in proportion, so a sprite at
// the screen's edge shows its visible part.
#pragma once

#include <cstdint>
#include <vector>

#include "gdi/drawing_target.h"
#include "winapi/types.h"

namespace platform::video {

using gdi::PixelView;

struct KeyRange {
    bool enabled = false;
    std::uint8_t low = 0;
    std::uint8_t high = 0;
};

// Scratch memory a surface keeps between blits, so that a blit allocates
// nothing once the buffers have grown to the sizes in use.
struct BlitScratch {
    std::vector<int> columns;
    std::vector<std::uint8_t> pixels;
};

// `rect` clipped to the view; false when nothing of it is inside.
bool ClipToView(const PixelView& view, RECT& rect);

void FillRect(const PixelView& view, RECT rect, std::uint8_t index);

// Copies `sourceRect` of `source` onto `destRect` of `dest`. `sourceRect`
// lies inside `source` and both rectangles are non-empty (the caller checks);
// `destRect` may reach past `dest`. `source` and `dest` may be the same
// pixels, overlapping.
void CopyRect(const PixelView& dest, const RECT& destRect, const PixelView& source,
              const RECT& sourceRect, KeyRange sourceKey, KeyRange destKey, BlitScratch& scratch);

} // namespace platform::video
