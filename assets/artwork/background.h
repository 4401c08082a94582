// The full-screen background of the title and play screens: deep space with a
// nebula arc and a star field with depth.
#pragma once

#include <vector>

#include "assets/artwork/colour.h"

namespace artwork {

// 640 x 480 true-colour painting (sRGB, 0-255 per channel), row by row from the top.
std::vector<Rgb> PaintBackground();

} // namespace artwork
