// The generated artwork against what the game draws from it: the header and
// colour table, the transparent band, the background that fades, a picture in
// every sprite cell the game's table names, and the bitmap font.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "assets/artwork_resource.h"
#include "game/sprites.h"
#include "gfx/palette_fade.h"
#include "tests/assets/asset_files.h"

namespace {

constexpr int W = 640, H = 1440;
constexpr std::size_t DIB_BYTES = 922664;
constexpr std::size_t PIXELS_AT = 40 + 1024;

struct Colour {
    int r, g, b;
    bool operator==(const Colour&) const = default;
};

// Cells of the HUD font: digits 0 to 9, then letters A to Z.
SpriteRect Glyph(int k) {
    return k < 10 ? SpriteRect{76 + 10 * k, 960, 10, 14}
                  : SpriteRect{176 + 13 * (k - 10), 960, 13, 15};
}

class Artwork : public ::testing::Test {
protected:
    static void SetUpTestSuite() { dib = ReadBytes(ARTWORK_DIB_PATH); }
    void SetUp() override { ASSERT_EQ(dib.size(), DIB_BYTES); }

    static int Pixel(int x, int y) { return dib[PIXELS_AT + std::size_t(H - 1 - y) * W + x]; }
    static Colour Entry(int i) {
        const std::uint8_t* q = &dib[40 + 4 * std::size_t(i)];
        return {q[2], q[1], q[0]};
    }
    static double Luma(Colour c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }
    static bool Fades(int index) { return !IsStaticEntry(index); }
    static std::vector<int> Cell(SpriteRect r) {
        std::vector<int> out;
        for (int y = r.y; y < r.y + r.h; ++y) {
            for (int x = r.x; x < r.x + r.w; ++x) {
                out.push_back(Pixel(x, y));
            }
        }
        return out;
    }
    static int Drawn(SpriteRect r) { return int(std::ranges::count_if(Cell(r), Opaque)); }
    static bool Opaque(int index) { return index != 255; }

    static inline std::vector<std::uint8_t> dib;
};

TEST_F(Artwork, HeaderTableAndTheThreeCopiesAgree) {
    // Header size, width, height (rows bottom-up), 1 plane of 8 bits, no
    // compression, image size, 256 colours used and important.
    const std::pair<std::size_t, std::uint32_t> fields[] = {
        {0, 40}, {4, 640}, {8, 1440}, {12, 0x80001}, {16, 0}, {20, 921600}, {32, 256}, {36, 256}};
    for (const auto& [at, value] : fields) {
        EXPECT_EQ(Read32(dib, at), value) << "at " << at;
    }
    // The twenty fixed colours are those the fades write while they run.
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255}) {
        const PALETTEENTRY fixed = StaticColour(i);
        EXPECT_EQ(Entry(i), (Colour{fixed.peRed, fixed.peGreen, fixed.peBlue})) << i;
    }
    const auto bmp = ReadBytes(ARTWORK_BMP_PATH);
    ASSERT_EQ(bmp.size(), DIB_BYTES + 14);
    EXPECT_EQ(Read16(bmp, 0), 0x4D42u) << "BM";
    EXPECT_EQ(Read32(bmp, 2), DIB_BYTES + 14);
    EXPECT_EQ(Read32(bmp, 10), 14u + PIXELS_AT);
    EXPECT_TRUE(std::equal(dib.begin(), dib.end(), bmp.begin() + 14));
    ASSERT_EQ(ArtworkDibSize(), DIB_BYTES);
    EXPECT_EQ(std::memcmp(ArtworkDibData(), dib.data(), DIB_BYTES), 0);
}

// Matching a pixel's colour against this palette gives back its own index.
TEST_F(Artwork, EveryPixelUsesTheFirstEntryOfItsColour) {
    std::set<int> used(dib.begin() + PIXELS_AT, dib.end());
    for (int index : used) {
        for (int earlier = 0; earlier < index; ++earlier) {
            EXPECT_FALSE(Entry(earlier) == Entry(index)) << index << " repeats " << earlier;
        }
    }
}

// Rows 480 to 959 are the background: opaque, in colours that fade, dark
// behind the HUD column, the sun and the title prompts, and not black as a
// whole. Everything else is transparent outside the sprite and font cells.
TEST_F(Artwork, OpaqueFadingBackgroundAndTransparencyOutsideTheCells) {
    double sum = 0;
    for (int y = 480; y < 960; ++y) {
        for (int x = 0; x < W; ++x) {
            ASSERT_TRUE(Fades(Pixel(x, y))) << "index " << Pixel(x, y) << " at " << x << "," << y;
            sum += Luma(Entry(Pixel(x, y)));
        }
    }
    EXPECT_GT(sum / (W * 480), 8.0);
    for (const SpriteRect behindText :
         {SpriteRect{500, 480, 140, 262}, SpriteRect{290, 690, 60, 60},
          SpriteRect{220, 820, 200, 76}}) {
        const auto cell = Cell(behindText);
        EXPECT_LT(std::ranges::count_if(cell, [](int p) { return Luma(Entry(p)) > 45; }),
                  long(cell.size() / 100))
            << "bright behind text at " << behindText.x << "," << behindText.y;
    }
    std::vector<SpriteRect> cells(&SpriteRectTable[0][0], &SpriteRectTable[0][0] + 24);
    for (int k = 0; k < 36; ++k) {
        cells.push_back(Glyph(k));
    }
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const bool inCell = std::ranges::any_of(cells, [&](const SpriteRect& r) {
                return x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h;
            });
            if ((y < 480 || y >= 960) && !inCell) {
                ASSERT_EQ(Pixel(x, y), 255) << "stray pixel at " << x << ", " << y;
            }
        }
    }
}

// Planets and the sun are balls, the marker at least thin lines, each frame
// different from the next, all in colours that fade.
TEST_F(Artwork, EverySpriteFrameHoldsItsOwnPicture) {
    for (int row = 0; row < SPRITE_ROWS; ++row) {
        for (int f = 0; f < SPRITE_FRAMES; ++f) {
            const SpriteRect r = SpriteRectTable[row][f];
            SCOPED_TRACE(testing::Message() << "row " << row << " frame " << f);
            EXPECT_GT(Drawn(r), r.w * r.h / (row == MARKER_ROW ? 12 : 2));
            EXPECT_TRUE(std::ranges::all_of(Cell(r), [](int p) { return p == 255 || Fades(p); }));
            EXPECT_NE(Cell(r), Cell(SpriteRectTable[row][(f + 1) % SPRITE_FRAMES]));
        }
    }
}

TEST_F(Artwork, FontGlyphsAreInkedInFadingColoursAndDistinct) {
    std::set<std::vector<int>> shapes;
    for (int k = 0; k < 36; ++k) {
        SCOPED_TRACE(std::string(1, char(k < 10 ? '0' + k : 'A' + k - 10)));
        int inked = 0;
        for (int p : Cell(Glyph(k))) {
            if (p != 255) {
                ++inked;
                EXPECT_TRUE(Fades(p));
            }
        }
        EXPECT_GT(inked, Glyph(k).w * Glyph(k).h / 6);
        shapes.insert(Cell(Glyph(k)));
    }
    EXPECT_EQ(shapes.size(), 36u) << "two glyphs look the same";
}

} // namespace
