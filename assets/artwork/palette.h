// Building the artwork's 256-colour table and mapping true-colour paintings
// onto it.
#pragma once

#include <array>
#include <vector>

#include "assets/artwork/colour.h"

namespace artwork {

using Palette = std::array<PaletteEntry, 256>;

// The twenty system colours the display keeps in entries 0-9 and 246-255;
// palette fades never touch them.
struct StaticColour {
    int index;
    PaletteEntry colour;
};
extern const std::array<StaticColour, 20> STATIC_COLOURS;

struct WeightedColour {
    Rgb colour;
    double weight;
};

// Deterministic weighted k-means: returns `count` new colours that, together
// with `fixed` (which stay where they are), represent `samples` well.
std::vector<Rgb> ClusterColours(const std::vector<WeightedColour>& samples, int count,
                                const std::vector<Rgb>& fixed, int iterations = 16);

// Index of the entry among `candidates` nearest to `c`.
int NearestIndex(const Palette& palette, const std::vector<int>& candidates, Rgb c);

// Error-diffusion (serpentine Floyd-Steinberg) of a width x height sRGB
// painting onto the candidate entries. Returns one palette index per pixel.
std::vector<std::uint8_t> Dither(const std::vector<Rgb>& image, int width, int height,
                                 const Palette& palette, const std::vector<int>& candidates);

// Moves `c` by the smallest steps needed to differ from every colour in `taken`.
PaletteEntry MakeDistinct(PaletteEntry c, const std::vector<PaletteEntry>& taken);

} // namespace artwork
