// The sprite pictures: four kinds of planet, the sun and the steering marker,
// painted in true colour with a coverage mask, ready to be mapped onto the
// palette group by group.
#pragma once

#include <cstdint>
#include <vector>

#include "assets/artwork/colour.h"
#include "assets/artwork/layout.h"

namespace artwork {

struct SpriteImage {
    Cell cell;
    std::vector<Rgb> colour;          // sRGB 0-255, w x h from the top left
    std::vector<std::uint8_t> opaque; // 0: the pixel stays transparent
};

// Sprites that share one set of palette entries.
struct SpriteGroup {
    int paletteSize;
    std::vector<SpriteImage> images;
};

std::vector<SpriteGroup> PaintSprites();

} // namespace artwork
