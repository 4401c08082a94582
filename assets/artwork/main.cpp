// Generates the game's artwork: a 640 x 1440 8-bit bitmap holding the
// background and every sprite, as a packed DIB (embedded in the executable),
// a .bmp file and PNG previews.
//
//   quorvane_artgen OUTPUT_DIR
//
// The result depends on nothing but this program: every run writes the same
// bytes.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include "assets/artwork/background.h"
#include "assets/artwork/bitmap_io.h"
#include "assets/artwork/font.h"
#include "assets/artwork/layout.h"
#include "assets/artwork/palette.h"
#include "assets/artwork/sprites.h"
#include "assets/binary_output.h"

namespace artwork {
namespace {

// Text the game draws in fixed colours: the HUD font, and the GDI title and
// prompts (GDI picks the nearest palette entry, so these get exact ones).
const PaletteEntry DIGIT_COLOUR{255, 96, 128};
const PaletteEntry LETTER_COLOUR{255, 64, 128};
const PaletteEntry TITLE_COLOUR{64, 160, 250};
const PaletteEntry PROMPT_COLOUR{0, 80, 200};

class PaletteAllocator {
public:
    PaletteAllocator() {
        for (const StaticColour& s : STATIC_COLOURS) {
            palette[s.index] = s.colour;
            taken.push_back(s.colour);
        }
    }

    // Places a colour in the next free entry, nudged if needed so that no
    // colour appears twice in the table.
    int Add(PaletteEntry colour) {
        if (next > LAST_FREE_INDEX)
            throw std::runtime_error("palette is full");
        PaletteEntry distinct = MakeDistinct(colour, taken);
        palette[next] = distinct;
        taken.push_back(distinct);
        return next++;
    }

    int Remaining() const { return LAST_FREE_INDEX + 1 - next; }

    Palette palette{};

private:
    std::vector<PaletteEntry> taken;
    int next = FIRST_FREE_INDEX;
};

std::vector<WeightedColour> OpaqueColours(const SpriteGroup& group) {
    std::vector<WeightedColour> samples;
    for (const SpriteImage& image : group.images)
        for (std::size_t i = 0; i < image.colour.size(); ++i)
            if (image.opaque[i])
                samples.push_back({image.colour[i], 1.0});
    return samples;
}

// Colours for one sprite group: its own exact colours when it has few,
// otherwise a clustering of them.
std::vector<Rgb> GroupColours(const SpriteGroup& group) {
    auto samples = OpaqueColours(group);
    std::vector<Rgb> distinct;
    for (const auto& s : samples) {
        PaletteEntry e = ToEntry(s.colour);
        bool seen =
            std::any_of(distinct.begin(), distinct.end(), [&](Rgb d) { return ToEntry(d) == e; });
        if (!seen)
            distinct.push_back(ToRgb(e));
    }
    if (int(distinct.size()) <= group.paletteSize)
        return distinct;
    return ClusterColours(samples, group.paletteSize, {});
}

// The background's colour statistics: every distinct colour with its pixel
// count; bright colours count extra so that stars keep their tints.
std::vector<WeightedColour> BackgroundSamples(const std::vector<Rgb>& image) {
    std::map<std::uint32_t, double> histogram;
    for (const Rgb& c : image) {
        PaletteEntry e = ToEntry(c);
        histogram[(std::uint32_t(e.r) << 16) | (std::uint32_t(e.g) << 8) | e.b] +=
            1.0 + (e.r + e.g + e.b) / 60.0;
    }
    std::vector<WeightedColour> samples;
    for (const auto& [key, weight] : histogram)
        samples.push_back(
            {Rgb{double(key >> 16), double((key >> 8) & 255), double(key & 255)}, weight});
    return samples;
}

void PaintGlyphs(IndexedImage& out, const std::vector<Glyph>& glyphs, int index) {
    for (const Glyph& g : glyphs)
        for (int y = 0; y < g.cell.h; ++y)
            for (int x = 0; x < g.cell.w; ++x)
                if (g.ink[std::size_t(y) * g.cell.w + x])
                    out.At(g.cell.x + x, g.cell.y + y) = std::uint8_t(index);
}

// Which palette entries serve what.
struct PaletteLayout {
    Palette palette{};
    int digitIndex = 0;
    int letterIndex = 0;
    std::vector<int> textIndices;               // colours only text may use
    std::vector<std::vector<int>> groupIndices; // per sprite group
};

// Fixed text colours first, then each sprite group's own colours, then as
// many background colours as the table still has room for.
PaletteLayout BuildPalette(const std::vector<SpriteGroup>& groups,
                           const std::vector<Rgb>& background) {
    PaletteAllocator allocator;
    PaletteLayout layout;
    layout.digitIndex = allocator.Add(DIGIT_COLOUR);
    layout.letterIndex = allocator.Add(LETTER_COLOUR);
    layout.textIndices = {layout.digitIndex, layout.letterIndex, allocator.Add(TITLE_COLOUR),
                          allocator.Add(PROMPT_COLOUR)};
    std::vector<Rgb> pinned;
    for (const SpriteGroup& group : groups) {
        std::vector<int> indices;
        for (Rgb c : GroupColours(group)) {
            indices.push_back(allocator.Add(ToEntry(c)));
            pinned.push_back(ToRgb(allocator.palette[indices.back()]));
        }
        layout.groupIndices.push_back(indices);
    }
    for (Rgb c : ClusterColours(BackgroundSamples(background), allocator.Remaining(), pinned))
        allocator.Add(ToEntry(c));
    layout.palette = allocator.palette;
    return layout;
}

void PlaceBackground(IndexedImage& art, const std::vector<Rgb>& background,
                     const PaletteLayout& layout) {
    std::vector<int> candidates;
    for (int i = FIRST_FREE_INDEX; i <= LAST_FREE_INDEX; ++i)
        if (std::find(layout.textIndices.begin(), layout.textIndices.end(), i) ==
            layout.textIndices.end())
            candidates.push_back(i);
    auto pixels = Dither(background, WIDTH, BACKGROUND_HEIGHT, layout.palette, candidates);
    std::copy(pixels.begin(), pixels.end(),
              art.pixels.begin() + std::size_t(BACKGROUND_TOP) * WIDTH);
}

void PlaceSprites(IndexedImage& art, const std::vector<SpriteGroup>& groups,
                  const PaletteLayout& layout) {
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (const SpriteImage& image : groups[g].images)
            for (int y = 0; y < image.cell.h; ++y)
                for (int x = 0; x < image.cell.w; ++x) {
                    std::size_t at = std::size_t(y) * image.cell.w + x;
                    if (image.opaque[at])
                        art.At(image.cell.x + x, image.cell.y + y) = std::uint8_t(
                            NearestIndex(layout.palette, layout.groupIndices[g], image.colour[at]));
                }
}

void WriteOutputs(const std::string& outDir, IndexedImage& art, const Palette& palette) {
    auto dib = PackedDib(art, palette);
    assets::WriteFile(outDir + "/artwork.dib", dib);
    assets::WriteFile(outDir + "/artwork.bmp", BmpFile(dib));
    WritePng(outDir + "/artwork.png", art, palette, 2, TRANSPARENT_INDEX);

    // A close-up of the sprite strip, where the pictures are small.
    IndexedImage strip{520, 124, {}};
    for (int y = 0; y < strip.height; ++y)
        for (int x = 0; x < strip.width; ++x)
            strip.pixels.push_back(art.At(x, SPRITE_TOP + y));
    WritePng(outDir + "/artwork_sprites.png", strip, palette, 4, TRANSPARENT_INDEX);
}

int Run(const std::string& outDir) {
    auto groups = PaintSprites();
    auto background = PaintBackground();
    PaletteLayout layout = BuildPalette(groups, background);

    IndexedImage art{
        WIDTH, HEIGHT,
        std::vector<std::uint8_t>(std::size_t(WIDTH) * HEIGHT, std::uint8_t(TRANSPARENT_INDEX))};
    PlaceBackground(art, background, layout);
    PlaceSprites(art, groups, layout);
    PaintGlyphs(art, DigitGlyphs(), layout.digitIndex);
    PaintGlyphs(art, LetterGlyphs(), layout.letterIndex);
    WriteOutputs(outDir, art, layout.palette);
    return 0;
}

} // namespace
} // namespace artwork

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    if (!std::filesystem::is_directory(argv[1])) {
        std::fprintf(stderr, "quorvane_artgen: %s is not a folder\n", argv[1]);
        return 1;
    }
    try {
        return artwork::Run(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvane_artgen: %s\n", e.what());
        return 1;
    }
}
