// The HUD's bitmap font: bold italic digits and bold upright capitals,
// designed pixel by pixel for reading at 1x.
#pragma once

#include <vector>

#include "assets/artwork/layout.h"

namespace artwork {

struct Glyph {
    Cell cell;
    std::vector<bool> ink; // w x h from the top left
};

std::vector<Glyph> DigitGlyphs();  // 0 to 9, in their cells
std::vector<Glyph> LetterGlyphs(); // A to Z, in their cells

} // namespace artwork
