// The clipped Blt, the rotated copies with the trigonometry tables they turn
// by, and the diamond reveal.
#include <cmath>

#include "canvas.h"
#include "gfx/graphics_device.h"
#include "platform/video/display_fixture.h"

namespace {

const std::string LETTERS = Legend({{'k', 255}}, 16);

Picture Window(IDirectDrawSurface* surface, RECT window) {
    const platform::SurfacePixels pixels = platform::PixelsOf(surface);
    Picture rows;
    for (int y = window.top; y < window.bottom; ++y) {
        rows.emplace_back();
        for (int x = window.left; x < window.right; ++x) {
            rows.back() += LETTERS[pixels.At(x, y)];
        }
    }
    return rows;
}

// The source is 4 x 4 pixels: "abcd" over "efgh" over "ijkl" over "mnop".
TEST(ClippedBlt, CutsDestinationAndSourceTogetherToTheScreenOrTheClip) {
    CaptureBackend backend;
    GameDisplay display;
    GraphicsDevice device;
    IDirectDrawSurface* source = display.OffScreen(4, 4);
    IDirectDrawSurface* small = display.OffScreen(4, 4);
    for (int i = 0; i < 16; ++i) {
        platform::PixelsOf(source).At(i % 4, i / 4) = static_cast<BYTE>(i + 1);
    }
    IDirectDrawSurface* back = display.back;
    const RECT whole{0, 0, 4, 4}, inner{1, 1, 3, 3};
    const struct {
        IDirectDrawSurface* to;
        RECT dest, from;
        const RECT* clip;
        RECT window; // what is looked at
        const char* picture;
    } cases[] = {
        {back, {-1, -2, 3, 2}, whole, nullptr, {0, 0, 5, 3}, "jkl.. nop.. ....."},
        {back, {638, 478, 642, 482}, whole, nullptr, {636, 476, 640, 480}, ".... .... ..ab ..ef"},
        // The cut counts destination pixels even when the copy is stretched.
        {back, {-2, 0, 6, 2}, {0, 0, 4, 2}, nullptr, {0, 0, 7, 2}, "cccddd. ggghhh."},
        {back, whole, whole, &inner, whole, ".... .fg. .jk. ...."},
        {back, {4, 0, 8, 4}, whole, &inner, {0, 0, 8, 1}, "........"},
        // The screen's size, read from the first destination, serves every
        // later one: the small surface's own edge cuts the stretched copy.
        {small, {2, 0, 10, 4}, whole, nullptr, whole, "..aa ..ee ..ii ..mm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picture);
        FillSurface(c.to, 0);
        EXPECT_EQ(device.BltClipped(c.to, c.dest, source, c.from, DDBLT_WAIT, nullptr, c.clip),
                  DD_OK);
        EXPECT_EQ(Window(c.to, c.window), Rows(c.picture));
    }
    platform::LoseAllSurfaces();
    EXPECT_EQ(device.BltClipped(small, whole, source, whole, DDBLT_WAIT, nullptr, nullptr),
              DDERR_SURFACELOST);
    source->Release();
    small->Release();
}

// A GDI bitmap over pixels the test owns, stored bottom-up (positive
// height) or top-down (negative) from `rows`, the image top to bottom.
struct TestBitmap {
    TestBitmap(const std::vector<std::vector<BYTE>>& rows, bool bottomUp) {
        const LONG width = LONG(rows[0].size()), height = LONG(rows.size());
        for (LONG i = 0; i < height; ++i) {
            const auto& row = rows[bottomUp ? height - 1 - i : i];
            bytes.insert(bytes.end(), row.begin(), row.end());
        }
        info = BITMAP{0, width, bottomUp ? height : -height, width, 1, 8, bytes.data()};
    }
    std::vector<BYTE> bytes;
    BITMAP info;
};

constexpr BYTE KEY = 255;

// "abcd" over "efgh", alone or at (1, 1) in a frame of 'i', or keyed.
TEST(Rotation, TurnsScalesKeysAndWindowsFromEitherRowOrder) {
    const std::vector<std::vector<BYTE>> small{{1, 2, 3, 4}, {5, 6, 7, 8}},
        keyed{{1, KEY, 3, 4}, {5, 6, 7, KEY}},
        framed{{9, 9, 9, 9, 9, 9}, {9, 1, 2, 3, 4, 9}, {9, 5, 6, 7, 8, 9}, {9, 9, 9, 9, 9, 9}};
    const RECT window{1, 1, 5, 3};
    // The window's pixel (hw - 1, hh - 1) lands on the centre (5, 5); offsets
    // are cut toward zero, so at twice the size the centre takes three.
    const std::string upright =
        "..... ..... ..... ..... ..... ....abcd.. ....efgh.. ..... ..... .....";
    const std::string ninety =
        "..... ..... ..... .....dh... .....cg... .....bf... .....ae... ..... ..... .....";
    const struct {
        const std::vector<std::vector<BYTE>>* image;
        int angle;
        double scale;
        const RECT* window;
        std::string picture; // the rows 0 to 9 of a 10 x 10 view; "....." is a blank row
    } cases[] = {
        {&small, 0, 1, nullptr, upright},
        {&small, 90, 1, nullptr, ninety},
        {&small, -270, 1, nullptr, ninety},
        {&small, 180, 1, nullptr,
         "..... ..... ..... ..... ...hgfe... ...dcba... ..... ..... ..... ....."},
        {&small, 0, 2, nullptr,
         "..... ..... ..... ..... ..aabbbccd ..aabbbccd ..aabbbccd ..eefffggh ..eefffggh ....."},
        {&keyed, 0, 1, nullptr,
         "..... ..... ..... ..... ..... ....a.cd.. ....efg... ..... ..... ....."},
        {&framed, 90, 1, &window, ninety},
    };
    for (const auto& c : cases) {
        for (bool bottomUp : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.angle << " degrees at " << c.scale);
            const TestBitmap bitmap(*c.image, bottomUp);
            Canvas canvas(10, 10);
            GraphicsDevice().DrawRotated(canvas.view, bitmap.info, 5, 5, c.scale, c.angle, KEY,
                                         c.window);
            Picture expected = Rows(c.picture);
            for (std::string& row : expected) {
                row = row == "....." ? ".........." : row;
            }
            EXPECT_EQ(canvas.Drawn(LETTERS), expected);
        }
    }
}

TEST(Rotation, ClippedToTheViewNothingWhenUnusableAndFromBuffers) {
    GraphicsDevice device;
    const TestBitmap bitmap({{1, 2, 3, 4}, {5, 6, 7, 8}}, true);
    Canvas corner(4, 4), canvas(10, 10), upright(10, 10), cut(10, 10);
    device.DrawRotated(corner.view, bitmap.info, 0, 0, 1.0, 0, KEY, nullptr);
    EXPECT_EQ(corner.Drawn(LETTERS), Rows("bcd. fgh. .... ...."));
    device.DrawRotated(corner.view, bitmap.info, 3, 3, 50.0, 0, KEY, nullptr);
    EXPECT_TRUE(corner.PaddingUntouched());
    device.DrawRotated(canvas.view, bitmap.info, 5, 5, NAN, 0, KEY, nullptr);
    EXPECT_EQ(canvas.Drawn(LETTERS), Picture(10, "..........")) << "no scale";
    // A buffer's rows are one byte shorter than its rectangle is wide, and
    // nothing past them is read.
    const std::vector<BYTE> buffer{1, 2, 3, 4, 5, 6, 7, 8}, row{1, 2, 3};
    device.DrawRotatedFromBuffer(upright.view, buffer.data(), RECT{0, 0, 5, 3}, 5, 5, 1.0, 0, KEY);
    EXPECT_EQ(upright.Drawn(LETTERS)[5] + upright.Drawn(LETTERS)[6], "....abcd......efgh..");
    device.DrawRotatedFromBuffer(cut.view, row.data(), RECT{0, 0, 4, 2}, 5, 5, 1.0, 0, KEY);
    EXPECT_EQ(cut.Drawn(LETTERS)[5] + cut.Drawn(LETTERS)[6], "....abc.............");
}

// The reveal of a 12 x 10 source whose pixel (x, y) is 100 + 12y + x: the
// region shows the background 50 before the first ring and the source window
// after the last; one ring every 250 / cell ms. A window reaching past the
// source is refused.
TEST(Reveal, UncoversTheSourceWindowOverTheBackgroundOrRefusesWithoutWaiting) {
    GraphicsDevice device;
    SleepLog clock;
    Canvas dest(10, 8), source(12, 10);
    for (int i = 0; i < 120; ++i) {
        source(i % 12, i / 12) = static_cast<BYTE>(100 + i);
    }
    const RECT region{2, 1, 7, 5}; // 5 x 4, fitting from (7, 6) but not further
    EXPECT_EQ(device.DiamondReveal(dest.view, source.view, 2, 50, &region, 8, 0), 0);
    EXPECT_EQ(device.DiamondReveal(dest.view, source.view, 2, 50, &region, 0, 7), 0);
    EXPECT_EQ(device.DiamondReveal(dest.view, source.view, 0, 50, &region, 0, 0), 0);
    EXPECT_TRUE(clock.waits.empty());
    std::vector<BYTE> first;
    clock.onSleep = [&] { first = first.empty() ? dest.memory : first; };
    ASSERT_EQ(device.DiamondReveal(dest.view, source.view, 2, 50, &region, 3, 2), 1);
    EXPECT_EQ(clock.waits, (std::vector<std::uint32_t>(3, 125)));
    for (int y = 0; y < dest.height; ++y) {
        for (int x = 0; x < dest.width; ++x) {
            const bool inside = x >= 2 && x < 7 && y >= 1 && y < 5;
            EXPECT_EQ(first[std::size_t(y * dest.pitch + x)], inside ? 50 : 0) << x << "," << y;
            EXPECT_EQ(dest(x, y), inside ? source(x + 1, y + 1) : 0) << x << "," << y;
        }
    }
    EXPECT_TRUE(dest.PaddingUntouched());
    // Windows from the source's first pixel and up to its last fit.
    ASSERT_EQ(device.DiamondReveal(dest.view, source.view, 2, 50, &region, 0, 0), 1);
    EXPECT_EQ(dest(2, 1), source(0, 0));
    ASSERT_EQ(device.DiamondReveal(dest.view, source.view, 2, 50, &region, 7, 6), 1);
    EXPECT_EQ(dest(6, 4), source(11, 9));
}

} // namespace
