// The generated artwork against the layout the game relies on: header,
// colour table, the transparent top band, the opaque background, every
// sprite cell and the font. (That the palette fades in exactly 33 steps each
// way at the start of play is checked on the running game, in tests/app.)
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <ranges>
#include <set>

#include "assets/artwork_resource.h"
#include "tests/assets/asset_files.h"

namespace {

constexpr int W = 640, H = 1440;
constexpr std::size_t DIB_BYTES = 922664;
constexpr std::size_t PIXELS_AT = 40 + 1024;

struct Colour {
    int r, g, b;
    bool operator==(const Colour&) const = default;
};

struct Rect {
    int x, y, w, h;
    bool Contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

// The game's sprite table, row by row (four planet kinds, sun, marker).
const Rect SPRITES[6][4] = {
    {{0, 960, 8, 8}, {0, 968, 8, 8}, {0, 976, 8, 8}, {0, 984, 8, 8}},
    {{32, 960, 10, 10}, {32, 970, 10, 10}, {32, 980, 10, 10}, {32, 990, 10, 10}},
    {{8, 960, 11, 10}, {8, 970, 11, 10}, {8, 980, 11, 10}, {8, 990, 11, 10}},
    {{19, 960, 13, 11}, {19, 971, 13, 11}, {19, 982, 13, 11}, {19, 993, 13, 11}},
    {{42, 960, 33, 30}, {42, 990, 33, 30}, {42, 1020, 33, 30}, {42, 1050, 33, 30}},
    {{75, 975, 23, 23}, {75, 998, 23, 23}, {75, 975, 23, 23}, {75, 998, 23, 23}},
};

Rect DigitRect(int d) {
    return {76 + 10 * d, 960, 10, 14};
}
Rect LetterRect(int k) {
    return {176 + 13 * k, 960, 13, 15};
}

const std::array<std::pair<int, Colour>, 20> STATIC_COLOURS = {{
    {0, {0, 0, 0}},         {1, {128, 0, 0}},     {2, {0, 128, 0}},       {3, {128, 128, 0}},
    {4, {0, 0, 128}},       {5, {128, 0, 128}},   {6, {0, 128, 128}},     {7, {192, 192, 192}},
    {8, {192, 220, 192}},   {9, {166, 202, 240}}, {246, {255, 251, 240}}, {247, {160, 160, 164}},
    {248, {128, 128, 128}}, {249, {255, 0, 0}},   {250, {0, 255, 0}},     {251, {255, 255, 0}},
    {252, {0, 0, 255}},     {253, {255, 0, 255}}, {254, {0, 255, 255}},   {255, {255, 255, 255}},
}};

class Artwork : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dib = new std::vector<std::uint8_t>(ReadBytes(ARTWORK_DIB_PATH));
    }
    static void TearDownTestSuite() {
        delete dib;
        dib = nullptr;
    }
    void SetUp() override { ASSERT_EQ(dib->size(), DIB_BYTES); }

    static int Pixel(int x, int y) { return (*dib)[PIXELS_AT + std::size_t(H - 1 - y) * W + x]; }
    static Colour Entry(int i) {
        const std::uint8_t* q = &(*dib)[40 + 4 * std::size_t(i)];
        return {q[2], q[1], q[0]};
    }
    static double Luma(Colour c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }
    static bool Fadable(int index) { return index >= 10 && index <= 245; }

    static std::vector<int> CellPixels(Rect r) {
        std::vector<int> out;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                out.push_back(Pixel(x, y));
        return out;
    }
    static int Drawn(Rect r) { return int(std::ranges::count_if(CellPixels(r), Opaque)); }
    static bool Opaque(int index) { return index != 255; }
    // Mean colour of the drawn pixels of a cell.
    static Colour MeanColour(Rect r) {
        long sum[3] = {0, 0, 0}, n = 0;
        for (int p : CellPixels(r) | std::views::filter(Opaque)) {
            Colour c = Entry(p);
            sum[0] += c.r, sum[1] += c.g, sum[2] += c.b, ++n;
        }
        if (n == 0)
            return {-1, -1, -1};
        return {int(sum[0] / n), int(sum[1] / n), int(sum[2] / n)};
    }

    static std::vector<std::uint8_t>* dib;
};
std::vector<std::uint8_t>* Artwork::dib = nullptr;

TEST_F(Artwork, HeaderDescribesA640By1440PalettisedBitmap) {
    const auto& b = *dib;
    // Size, width, height (positive: bottom-up rows), no compression, image
    // size, no resolution, 256 colours used and important.
    const std::pair<std::size_t, std::uint32_t> fields[] = {{0, 40}, {4, 640},     {8, 1440},
                                                            {16, 0}, {20, 921600}, {24, 0},
                                                            {28, 0}, {32, 256},    {36, 256}};
    for (const auto& [at, value] : fields)
        EXPECT_EQ(Read32(b, at), value) << "at " << at;
    EXPECT_EQ(Read16(b, 12), 1u) << "planes";
    EXPECT_EQ(Read16(b, 14), 8u) << "bits per pixel";
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(b[40 + 4 * i + 3], 0) << "reserved byte of entry " << i;
}

TEST_F(Artwork, BmpFileAndEmbeddedCopyCarryTheSameBitmap) {
    auto bmp = ReadBytes(ARTWORK_BMP_PATH);
    ASSERT_EQ(bmp.size(), DIB_BYTES + 14);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Read32(bmp, 2), DIB_BYTES + 14);
    EXPECT_EQ(Read32(bmp, 10), 14u + PIXELS_AT);
    EXPECT_TRUE(std::equal(dib->begin(), dib->end(), bmp.begin() + 14));

    ASSERT_EQ(ArtworkDibSize(), DIB_BYTES);
    EXPECT_EQ(std::memcmp(ArtworkDibData(), dib->data(), DIB_BYTES), 0);

    auto png = ReadBytes(ARTWORK_PNG_PATH);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
}

TEST_F(Artwork, FixedSystemColoursHoldTheirEntries) {
    for (const auto& [index, colour] : STATIC_COLOURS)
        EXPECT_EQ(Entry(index), colour) << "entry " << index;
}

TEST_F(Artwork, EveryPixelUsesTheFirstEntryOfItsColour) {
    std::set<int> used;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            used.insert(Pixel(x, y));
    for (int index : used)
        for (int earlier = 0; earlier < index; ++earlier)
            EXPECT_FALSE(Entry(earlier) == Entry(index))
                << "index " << index << " repeats the colour of entry " << earlier;
}

TEST_F(Artwork, TopBandIsTransparentOnly) {
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < W; ++x)
            ASSERT_EQ(Pixel(x, y), 255) << "at " << x << ", " << y;
}

TEST_F(Artwork, BackgroundIsOpaqueAndFadesWithThePalette) {
    std::set<int> colours;
    for (int y = 480; y < 960; ++y)
        for (int x = 0; x < W; ++x) {
            int p = Pixel(x, y);
            // entries outside 10-245 neither fade nor (255) show at all
            ASSERT_TRUE(Fadable(p)) << "index " << p << " at " << x << ", " << y;
            colours.insert(p);
        }
    EXPECT_GT(colours.size(), 100u) << "the background should use most of the palette";
}

// Text and sprites are drawn over the background: it stays dark behind the
// HUD column, the sun at the centre and the title prompts.
TEST_F(Artwork, BackgroundStaysDarkWhereTextAndTheSunAreDrawn) {
    auto brightShare = [&](Rect r, double limit) {
        int bright = 0;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                bright += Luma(Entry(Pixel(x, 480 + y))) > limit;
        return double(bright) / (r.w * r.h);
    };
    EXPECT_LT(brightShare({500, 0, 140, 262}, 45), 0.01);  // HUD column
    EXPECT_LT(brightShare({290, 210, 60, 60}, 45), 0.01);  // the sun
    EXPECT_LT(brightShare({220, 340, 200, 76}, 45), 0.01); // prompts
    // ...while the picture as a whole is not just black
    double sum = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < W; ++x)
            sum += Luma(Entry(Pixel(x, 480 + y)));
    EXPECT_GT(sum / (W * 480), 8.0);
}

TEST_F(Artwork, NothingIsDrawnOutsideTheCells) {
    std::vector<Rect> cells;
    for (const auto& row : SPRITES)
        cells.insert(cells.end(), std::begin(row), std::end(row));
    for (int d = 0; d < 10; ++d)
        cells.push_back(DigitRect(d));
    for (int k = 0; k < 26; ++k)
        cells.push_back(LetterRect(k));
    for (int y = 960; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            bool inside = std::any_of(cells.begin(), cells.end(),
                                      [&](const Rect& r) { return r.Contains(x, y); });
            if (!inside) {
                ASSERT_EQ(Pixel(x, y), 255) << "stray pixel at " << x << ", " << y;
            }
        }
}

TEST_F(Artwork, EverySpriteCellHoldsAPictureInFadingColours) {
    for (int row = 0; row < 6; ++row)
        for (int f = 0; f < 4; ++f) {
            Rect r = SPRITES[row][f];
            // even the marker's thin lines cover a twelfth of its cell
            EXPECT_GT(Drawn(r), r.w * r.h / 12) << "row " << row << " frame " << f;
            for (int p : CellPixels(r))
                EXPECT_TRUE(p == 255 || Fadable(p)) << "row " << row << " uses index " << p;
        }
    // Planets and the sun fill most of their cells: balls, not specks.
    for (int row = 0; row < 5; ++row)
        for (int f = 0; f < 4; ++f)
            EXPECT_GT(Drawn(SPRITES[row][f]), SPRITES[row][f].w * SPRITES[row][f].h / 2);
}

TEST_F(Artwork, AnimationFramesDifferFromEachOther) {
    for (int row = 0; row < 5; ++row)
        for (int f = 0; f < 4; ++f) {
            auto a = CellPixels(SPRITES[row][f]);
            auto b = CellPixels(SPRITES[row][(f + 1) % 4]);
            EXPECT_NE(a, b) << "row " << row << " frames " << f << " and " << (f + 1) % 4;
        }
    EXPECT_NE(CellPixels(SPRITES[5][0]), CellPixels(SPRITES[5][1]));
}

TEST_F(Artwork, SpritesHaveTheirColours) {
    Colour grey_blue = MeanColour(SPRITES[0][0]);
    EXPECT_GT(grey_blue.b, grey_blue.r + 20);
    Colour grey_white = MeanColour(SPRITES[1][0]);
    EXPECT_GT(Luma(grey_white), 120);
    EXPECT_LT(std::max({grey_white.r, grey_white.g, grey_white.b}) -
                  std::min({grey_white.r, grey_white.g, grey_white.b}),
              30);
    Colour pink_red = MeanColour(SPRITES[2][0]);
    EXPECT_GT(pink_red.r, pink_red.g + 60);
    EXPECT_GT(pink_red.b, pink_red.g); // pink, not orange
    Colour orange = MeanColour(SPRITES[3][0]);
    EXPECT_GT(orange.r, orange.g);
    EXPECT_GT(orange.g, orange.b + 50);
    for (int f = 0; f < 4; ++f) { // the sun is white-hot in the middle
        Rect s = SPRITES[4][f];
        EXPECT_GT(Luma(Entry(Pixel(s.x + s.w / 2, s.y + s.h / 2))), 235);
    }
    for (int f = 0; f < 2; ++f) { // the marker is cyan and blue
        Colour m = MeanColour(SPRITES[5][f]);
        EXPECT_GT(m.b, m.r + 100);
    }
}

TEST_F(Artwork, FontGlyphsAreSingleColouredAndDistinct) {
    const Colour digit{255, 96, 128}, letter{255, 64, 128};
    std::set<std::vector<int>> shapes;
    auto check = [&](Rect r, Colour ink, const std::string& name) {
        int inked = 0;
        for (int p : CellPixels(r)) {
            if (p == 255)
                continue;
            ++inked;
            EXPECT_EQ(Entry(p), ink) << name;
            EXPECT_TRUE(Fadable(p)) << name;
        }
        EXPECT_GT(inked, r.w * r.h / 6) << name;
        shapes.insert(CellPixels(r));
    };
    for (int d = 0; d < 10; ++d)
        check(DigitRect(d), digit, "digit " + std::to_string(d));
    for (int k = 0; k < 26; ++k)
        check(LetterRect(k), letter, std::string("letter ") + char('A' + k));
    EXPECT_EQ(shapes.size(), 36u) << "two glyphs look the same";
}

} // namespace
