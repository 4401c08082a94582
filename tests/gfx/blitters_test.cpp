// The clipped Blt, the rotated copies, the diamond reveal and the
// trigonometry tables.
#include <climits>
#include <cmath>
#include <numbers>
#include <ostream>
#include <vector>

#include "canvas.h"
#include "gfx/graphics_device.h"
#include "platform/faults.h"
#include "platform/video/display_fixture.h"

// Comparing and printing rectangles in expectations (RECT lives in the
// global namespace, where lookup from the test macros finds these).
bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
void PrintTo(const RECT& r, std::ostream* out) {
    *out << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}

namespace {

using Picture = std::vector<std::string>;

// ---------------------------------------------------------------------------
// BltClipped.
// ---------------------------------------------------------------------------

// A surface that only records what it is asked: its size, and every Blt.
class SpySurface final : public IDirectDrawSurface {
public:
    SpySurface(DWORD width, DWORD height) : width(width), height(height) {}

    struct BltCall {
        RECT dest;
        IDirectDrawSurface* source;
        RECT sourceRect;
        DWORD flags;
        LPDDBLTFX fx;
    };

    HRESULT Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                LPDDBLTFX fx) override {
        blts.push_back(BltCall{*destRect, source, *sourceRect, flags, fx});
        return bltResult;
    }
    HRESULT GetSurfaceDesc(LPDDSURFACEDESC desc) override {
        ++descriptionReads;
        requestedSize = desc->dwSize;
        requestedFlags = desc->dwFlags;
        desc->dwWidth = width;
        desc->dwHeight = height;
        return DD_OK;
    }

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT BltFast(DWORD, DWORD, LPDIRECTDRAWSURFACE, LPRECT, DWORD) override {
        return DDERR_UNSUPPORTED;
    }
    HRESULT GetAttachedSurface(LPDDSCAPS, LPDIRECTDRAWSURFACE*) override {
        return DDERR_UNSUPPORTED;
    }
    HRESULT GetDC(HDC*) override { return DDERR_UNSUPPORTED; }
    HRESULT IsLost() override { return DD_OK; }
    HRESULT ReleaseDC(HDC) override { return DDERR_UNSUPPORTED; }
    HRESULT Restore() override { return DD_OK; }
    HRESULT SetColorKey(DWORD, LPDDCOLORKEY) override { return DDERR_UNSUPPORTED; }
    HRESULT SetPalette(LPDIRECTDRAWPALETTE) override { return DDERR_UNSUPPORTED; }

    DWORD width;
    DWORD height;
    HRESULT bltResult = DD_OK;
    int descriptionReads = 0;
    DWORD requestedSize = 0;
    DWORD requestedFlags = 0;
    std::vector<BltCall> blts;
};

class ClippedBlt : public ::testing::Test {
protected:
    GraphicsDevice device;
    SpySurface screen{640, 480};
    SpySurface sprite{40, 20};
    const RECT whole{0, 0, 40, 20};

    // The whole of `from` to `dest` on `to`, clipped to the screen.
    HRESULT Blt(IDirectDrawSurface* to, RECT dest, IDirectDrawSurface* from) {
        return device.BltClipped(to, dest, from, whole, DDBLT_WAIT, nullptr, nullptr);
    }

    // The rectangles handed to Blt for `dest` clipped to the screen.
    std::pair<RECT, RECT> Clip(RECT dest, const RECT* clip = nullptr) {
        const std::size_t before = screen.blts.size();
        EXPECT_EQ(device.BltClipped(&screen, dest, &sprite, whole, DDBLT_WAIT, nullptr, clip),
                  DD_OK);
        EXPECT_EQ(screen.blts.size(), before + 1);
        return {screen.blts.back().dest, screen.blts.back().sourceRect};
    }
};

TEST_F(ClippedBlt, EachSideIsCutAndTheSourceMovesWithIt) {
    struct Case {
        RECT dest, clipped, source;
    };
    const Case cases[] = {
        {{-10, 0, 30, 20}, {0, 0, 30, 20}, {10, 0, 40, 20}},
        {{620, 5, 660, 25}, {620, 5, 640, 25}, {0, 0, 20, 20}},
        {{100, -5, 140, 15}, {100, 0, 140, 15}, {0, 5, 40, 20}},
        {{100, 470, 140, 490}, {100, 470, 140, 480}, {0, 0, 40, 10}},
        {{-10, -10, 650, 490}, {0, 0, 640, 480}, {10, 10, 30, 10}},
        {{5, 6, 45, 26}, {5, 6, 45, 26}, whole},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Clip(c.dest), std::make_pair(c.clipped, c.source));
    }
}

TEST_F(ClippedBlt, AGivenClipRectangleIsUsedInsteadOfTheScreen) {
    const RECT clip{100, 100, 120, 110};
    auto [dest, source] = Clip(RECT{90, 95, 130, 115}, &clip);
    EXPECT_EQ(dest, (RECT{100, 100, 120, 110}));
    EXPECT_EQ(source, (RECT{10, 5, 30, 15}));
    EXPECT_EQ(screen.descriptionReads, 0);
}

TEST_F(ClippedBlt, FlagsEffectsAndResultPassThrough) {
    DDBLTFX fx{};
    fx.dwSize = DDBLTFX_SIZE_32BIT;
    screen.bltResult = DDERR_SURFACELOST;
    EXPECT_EQ(device.BltClipped(&screen, RECT{0, 0, 40, 20}, &sprite, whole,
                                DDBLT_KEYSRC | DDBLT_WAIT, &fx, nullptr),
              DDERR_SURFACELOST);
    ASSERT_EQ(screen.blts.size(), 1u);
    EXPECT_EQ(screen.blts[0].flags, DDBLT_KEYSRC | DDBLT_WAIT);
    EXPECT_EQ(screen.blts[0].fx, &fx);
    EXPECT_EQ(screen.blts[0].source, &sprite);
}

TEST_F(ClippedBlt, TheScreenSizeIsReadOnceAndKeptForEverySurface) {
    Clip(RECT{0, 0, 40, 20});
    EXPECT_EQ(screen.descriptionReads, 1);
    EXPECT_EQ(screen.requestedSize, sizeof(DDSURFACEDESC));
    EXPECT_EQ(screen.requestedFlags, DDSD_HEIGHT | DDSD_WIDTH);

    // A small surface later is clipped to the screen's size, not its own.
    SpySurface small(32, 32);
    ASSERT_EQ(Blt(&small, RECT{20, 0, 60, 20}, &sprite), DD_OK);
    EXPECT_EQ(small.descriptionReads, 0);
    ASSERT_EQ(small.blts.size(), 1u);
    EXPECT_EQ(small.blts[0].dest, (RECT{20, 0, 60, 20}));
    Clip(RECT{600, 0, 700, 20});
    EXPECT_EQ(screen.descriptionReads, 1);
    EXPECT_EQ(screen.blts.back().dest.right, 640);
}

TEST_F(ClippedBlt, NothingOutsideTheRegionReachesBlt) {
    ASSERT_EQ(Clip(RECT{0, 0, 10, 10}).first, (RECT{0, 0, 10, 10})); // reads the screen size
    for (RECT outside : {RECT{-50, 0, -1, 20}, RECT{641, 0, 700, 20}, RECT{0, -30, 40, -1},
                         RECT{0, 481, 40, 500}, RECT{-40, 0, 0, 20}, RECT{640, 0, 680, 20}}) {
        EXPECT_EQ(Blt(&screen, outside, &sprite), DD_OK);
    }
    EXPECT_EQ(screen.blts.size(), 1u);
}

TEST_F(ClippedBlt, AFailedSizeReadIsReportedAndTriedAgain) {
    CaptureBackend backend;
    GameDisplay display;
    platform::InjectFault("IDirectDrawSurface::GetSurfaceDesc", DDERR_SURFACELOST, 1);
    EXPECT_EQ(Blt(display.back, RECT{0, 0, 40, 20}, &sprite), DDERR_SURFACELOST);
    platform::ClearFaults();
    ASSERT_EQ(Clip(RECT{-10, 0, 30, 20}).first, (RECT{0, 0, 30, 20}));
    EXPECT_EQ(screen.descriptionReads, 1);
    EXPECT_EQ(Blt(nullptr, RECT{0, 0, 4, 4}, &sprite), DDERR_INVALIDPARAMS);
}

TEST_F(ClippedBlt, ClippedCopyOnTheGameScreen) {
    CaptureBackend backend;
    GameDisplay display;
    IDirectDrawSurface* art = display.OffScreen(40, 20);
    {
        Pixels p(art);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 40; ++x) {
                p(x, y) = static_cast<std::uint8_t>(1 + y * 12 + x % 12);
            }
        }
    }
    FillSurface(display.back, 0);
    ASSERT_EQ(Blt(display.back, RECT{-10, 0, 30, 20}, art), DD_OK);
    ASSERT_EQ(Blt(display.back, RECT{620, 460, 660, 480}, art), DD_OK);
    {
        Pixels back(display.back);
        Pixels source(art);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 30; ++x) {
                EXPECT_EQ(back(x, y), source(x + 10, y)) << x << "," << y;
            }
            EXPECT_EQ(back(30, y), 0);
            for (int x = 620; x < 640; ++x) {
                EXPECT_EQ(back(x, 460 + y), source(x - 620, y)) << x << "," << y;
            }
            EXPECT_EQ(back(619, 460 + y), 0);
        }
    }
    art->Release();
}

// ---------------------------------------------------------------------------
// Rotated copies.
// ---------------------------------------------------------------------------

constexpr BYTE KEY = 255;
const std::string LETTERS = Legend(
    {{'a', 1}, {'b', 2}, {'c', 3}, {'d', 4}, {'e', 5}, {'f', 6}, {'g', 7}, {'h', 8}, {'k', KEY}});

// A GDI bitmap over pixels the test owns; `rows` gives the image top to
// bottom, stored bottom-up (positive height) or top-down (negative).
struct TestBitmap {
    TestBitmap(const std::vector<std::vector<BYTE>>& rows, bool bottomUp) {
        const int width = static_cast<int>(rows[0].size());
        const int height = static_cast<int>(rows.size());
        for (int i = 0; i < height; ++i) {
            const auto& row = rows[bottomUp ? height - 1 - i : i];
            bytes.insert(bytes.end(), row.begin(), row.end());
        }
        info.bmType = 0;
        info.bmWidth = width;
        info.bmHeight = bottomUp ? height : -height;
        info.bmWidthBytes = width;
        info.bmPlanes = 1;
        info.bmBitsPixel = 8;
        info.bmBits = bytes.data();
    }
    std::vector<BYTE> bytes;
    BITMAP info{};
};

// The 4 x 2 image "abcd" over "efgh".
const std::vector<std::vector<BYTE>> SMALL{{1, 2, 3, 4}, {5, 6, 7, 8}};

class Rotation : public ::testing::Test {
protected:
    GraphicsDevice device;

    Picture Rotated(const TestBitmap& bitmap, int angle, double scale = 1.0,
                    const RECT* window = nullptr, int size = 10, LONG at = 5) {
        Canvas canvas(size, size);
        device.DrawRotated(canvas.view, bitmap.info, at, at, scale, angle, KEY, window);
        EXPECT_TRUE(canvas.PaddingUntouched());
        return canvas.Picture(0, LETTERS);
    }
};

TEST_F(Rotation, QuarterTurnsInAndOutsideOneTurnFromEitherRowOrder) {
    // The window's pixel (hw - 1, hh - 1) lands on the centre (5, 5).
    const std::string upright = ".......... .......... .......... .......... .......... "
                                "....abcd.. ....efgh.. .......... .......... ..........";
    const std::string ninety = ".......... .......... .......... .....dh... .....cg... "
                               ".....bf... .....ae... .......... .......... ..........";
    const std::string half = ".......... .......... .......... .......... ...hgfe... "
                             "...dcba... .......... .......... .......... ..........";
    const std::pair<int, std::string> turns[] = {{0, upright},  {360, upright}, {90, ninety},
                                                 {450, ninety}, {-270, ninety}, {180, half},
                                                 {-180, half}};
    for (const auto& [angle, picture] : turns) {
        for (bool bottomUp : {true, false}) {
            EXPECT_EQ(Rotated(TestBitmap(SMALL, bottomUp), angle), Rows(picture)) << angle;
        }
    }
    const TestBitmap bitmap(SMALL, true);
    EXPECT_EQ(Rotated(bitmap, INT_MIN), Rotated(bitmap, INT_MIN % 360 + 360));
    EXPECT_EQ(Rotated(bitmap, INT_MAX), Rotated(bitmap, INT_MAX % 360));
}

TEST_F(Rotation, ScaleTwoCoversAboutTwoByTwoPerPixel) {
    // Offsets are cut toward zero, so the centre column and row take three.
    Picture expected(16, std::string(16, '.'));
    expected[7] = expected[8] = expected[9] = ".....aabbbccdd..";
    expected[10] = expected[11] = ".....eefffgghh..";
    EXPECT_EQ(Rotated(TestBitmap(SMALL, true), 0, 2.0, nullptr, 16, 8), expected);
}

TEST_F(Rotation, KeyPixelsLeaveTheDestinationAlone) {
    const TestBitmap bitmap({{1, KEY, 3, 4}, {5, 6, 7, KEY}}, true);
    Canvas canvas(10, 10, 9);
    device.DrawRotated(canvas.view, bitmap.info, 5, 5, 1.0, 0, KEY, nullptr);
    const Picture drawn = canvas.Picture(0, LETTERS + Legend({{'x', 9}}));
    EXPECT_EQ(drawn[5], "xxxxaxcdxx");
    EXPECT_EQ(drawn[6], "xxxxefgxxx");
    EXPECT_EQ(drawn[4], "xxxxxxxxxx");
}

TEST_F(Rotation, SourceRectangleSelectsAWindow) {
    // The 4 x 2 image sits at (1, 1) inside a 6 x 4 bitmap.
    const std::vector<std::vector<BYTE>> framed{
        {9, 9, 9, 9, 9, 9}, {9, 1, 2, 3, 4, 9}, {9, 5, 6, 7, 8, 9}, {9, 9, 9, 9, 9, 9}};
    const RECT window{1, 1, 5, 3};
    const Picture plain = Rotated(TestBitmap(SMALL, true), 90);
    EXPECT_EQ(Rotated(TestBitmap(framed, true), 90, 1.0, &window), plain);
    EXPECT_EQ(Rotated(TestBitmap(framed, false), 90, 1.0, &window), plain);
}

TEST_F(Rotation, SourceRectanglePastTheBitmapReadsOnlyTheBitmap) {
    // A 4 x 4 window at (4, 2) of a 6 x 4 bitmap: only its top-left 2 x 2
    // lies in the bitmap; the pixel vectors are exactly the bitmap's size.
    const std::vector<std::vector<BYTE>> image{
        {9, 9, 9, 9, 9, 9}, {9, 9, 9, 9, 9, 9}, {9, 9, 9, 9, 1, 2}, {9, 9, 9, 9, 5, 6}};
    const RECT window{4, 2, 8, 6};
    for (bool bottomUp : {true, false}) {
        const Picture drawn = Rotated(TestBitmap(image, bottomUp), 0, 1.0, &window);
        EXPECT_EQ(drawn[4], "....ab....");
        EXPECT_EQ(drawn[5], "....ef....");
        EXPECT_EQ(drawn[6], "..........");
        EXPECT_EQ(drawn[3], "..........");
    }
    const RECT negative{-3, -3, 1, 1};
    const Picture corner = Rotated(TestBitmap(image, true), 0, 1.0, &negative);
    EXPECT_EQ(corner[7], ".......?..");
}

TEST_F(Rotation, DrawingNearTheEdgeOfTheViewIsClipped) {
    const TestBitmap bitmap(SMALL, true);
    Canvas canvas(4, 4);
    device.DrawRotated(canvas.view, bitmap.info, 0, 0, 1.0, 0, KEY, nullptr);
    EXPECT_EQ(canvas.Picture(0, LETTERS), Rows("bcd. fgh. .... ...."));
    device.DrawRotated(canvas.view, bitmap.info, 3, 3, 50.0, 0, KEY, nullptr);
    EXPECT_TRUE(canvas.PaddingUntouched());
}

TEST_F(Rotation, UnusableScalesAndBitmapsDrawNothing) {
    const TestBitmap bitmap(SMALL, true);
    BITMAP empty = bitmap.info;
    empty.bmBits = nullptr;
    BITMAP flat = bitmap.info;
    flat.bmHeight = 0;
    Canvas canvas(10, 10);
    for (double scale : {0.0, -1.0, double{NAN}, double{INFINITY}}) {
        device.DrawRotated(canvas.view, bitmap.info, 5, 5, scale, 0, KEY, nullptr);
    }
    device.DrawRotated(canvas.view, empty, 5, 5, 1.0, 0, KEY, nullptr);
    device.DrawRotated(canvas.view, flat, 5, 5, 1.0, 0, KEY, nullptr);
    EXPECT_EQ(canvas.Picture(0, LETTERS), Picture(10, ".........."));
    // A tiny scale draws at most the centre pixel.
    device.DrawRotated(canvas.view, bitmap.info, 5, 5, 1e-300, 0, KEY, nullptr);
    EXPECT_EQ(canvas.Picture(0, LETTERS)[5], ".....b....");
}

TEST_F(Rotation, FromABufferUprightAtAngleZero) {
    // Rows of rect width - 1 = 4 bytes, rect height - 1 = 2 rows.
    const std::vector<BYTE> buffer{1, 2, 3, 4, 5, 6, 7, 8};
    const RECT rect{0, 0, 5, 3};
    Canvas canvas(10, 10);
    device.DrawRotatedFromBuffer(canvas.view, buffer.data(), rect, 5, 5, 1.0, 0, KEY);
    EXPECT_EQ(canvas.Picture(0, LETTERS), Rotated(TestBitmap(SMALL, true), 0));
    Canvas turned(10, 10);
    device.DrawRotatedFromBuffer(turned.view, buffer.data(), rect, 5, 5, 1.0, 450, KEY);
    EXPECT_EQ(turned.Picture(0, LETTERS), Rotated(TestBitmap(SMALL, true), 90));
}

TEST_F(Rotation, FromABufferNeverReadsPastIt) {
    // A 4 x 2 rectangle means rows of 3 bytes and a single row: the window's
    // last column and second row lie past the buffer and are skipped.
    const std::vector<BYTE> buffer{1, 2, 3};
    Canvas canvas(10, 10);
    device.DrawRotatedFromBuffer(canvas.view, buffer.data(), RECT{0, 0, 4, 2}, 5, 5, 1.0, 0, KEY);
    const Picture drawn = canvas.Picture(0, LETTERS);
    EXPECT_EQ(drawn[5], "....abc...");
    EXPECT_EQ(drawn[6], "..........");
    std::vector<BYTE> none;
    device.DrawRotatedFromBuffer(canvas.view, none.data(), RECT{0, 0, 1, 1}, 5, 5, 1.0, 0, KEY);
    EXPECT_EQ(canvas.Picture(0, LETTERS), drawn);
}

TEST(TrigonometryTables, WholeDegreesRoundedToSixDecimals) {
    for (int degree = 0; degree < 360; ++degree) {
        const double radians = degree * std::numbers::pi / 180.0;
        EXPECT_EQ(COSINE_TABLE[degree], std::round(std::cos(radians) * 1e6) / 1e6) << degree;
        EXPECT_EQ(SINE_TABLE[degree], std::round(std::sin(radians) * 1e6) / 1e6) << degree;
    }
}

// ---------------------------------------------------------------------------
// The diamond reveal.
// ---------------------------------------------------------------------------

class Reveal : public ::testing::Test {
protected:
    GraphicsDevice device;
    VirtualSleep clock;
    Canvas dest{10, 8};
    Canvas source{12, 10};

    Reveal() {
        for (int y = 0; y < source.height; ++y) {
            for (int x = 0; x < source.width; ++x) {
                source(x, y) = static_cast<BYTE>(100 + y * 12 + x);
            }
        }
    }
};

constexpr BYTE BACKGROUND = 50;

TEST_F(Reveal, UncoversTheSourceWindowRingByRing) {
    const RECT region{2, 1, 7, 5}; // 5 x 4
    std::vector<std::vector<BYTE>> seen;
    clock.onSleep = [&] { seen.push_back(dest.memory); };
    ASSERT_EQ(device.DiamondReveal(dest.view, source.view, 2, BACKGROUND, &region, 3, 2), 1);

    EXPECT_EQ(clock.waits, (std::vector<std::uint32_t>(3, 125)));
    EXPECT_EQ(clock.now, 375u);
    for (int y = 0; y < dest.height; ++y) {
        for (int x = 0; x < dest.width; ++x) {
            const bool inside = x >= 2 && x < 7 && y >= 1 && y < 5;
            EXPECT_EQ(dest(x, y), inside ? source(x + 1, y + 1) : 0) << x << "," << y;
        }
    }
    // Before the first ring the region shows only the background; after
    // ring 0 the cell centres (0, 2, 4 across, 0, 2 down) are uncovered.
    ASSERT_EQ(seen.size(), 3u);
    Canvas first(10, 8), second(10, 8);
    first.memory = seen[0];
    second.memory = seen[1];
    for (int y = 1; y < 5; ++y) {
        for (int x = 2; x < 7; ++x) {
            EXPECT_EQ(first(x, y), BACKGROUND);
            const bool centre = (x - 2) % 2 == 0 && (y - 1) % 2 == 0;
            EXPECT_EQ(second(x, y), centre ? source(x + 1, y + 1) : BACKGROUND) << x << "," << y;
        }
    }
    EXPECT_TRUE(dest.PaddingUntouched());
}

TEST_F(Reveal, WholeDestinationWithCellOne) {
    ASSERT_EQ(device.DiamondReveal(dest.view, source.view, 1, BACKGROUND, nullptr, 2, 2), 1);
    EXPECT_EQ(clock.waits, (std::vector<std::uint32_t>{250, 250}));
    for (int y = 0; y < dest.height; ++y) {
        for (int x = 0; x < dest.width; ++x) {
            ASSERT_EQ(dest(x, y), source(x + 2, y + 2)) << x << "," << y;
        }
    }
}

TEST_F(Reveal, RefusalsLeaveTheDestinationAndDoNotWait) {
    const RECT region{2, 1, 7, 5};
    const RECT outside{6, 0, 11, 4};
    const RECT empty{3, 3, 3, 5};
    const std::vector<BYTE> before = dest.memory;
    // The source is 12 x 10: a 5 x 4 window fits from (7, 6) but not further.
    EXPECT_EQ(device.DiamondReveal(dest.view, source.view, 2, BACKGROUND, &region, 8, 0), 0);
    EXPECT_EQ(device.DiamondReveal(dest.view, source.view, 2, BACKGROUND, &region, 0, 7), 0);
    EXPECT_EQ(device.DiamondReveal(dest.view, source.view, 2, BACKGROUND, nullptr, 3, 0), 0);
    EXPECT_EQ(device.DiamondReveal(dest.view, source.view, 2, BACKGROUND, &region, -1, 0), 0);
    EXPECT_EQ(device.DiamondReveal(dest.view, source.view, 2, BACKGROUND, &region, 0, -1), 0);
    EXPECT_EQ(device.DiamondReveal(dest.view, source.view, 0, BACKGROUND, &region, 0, 0), 0);
    EXPECT_EQ(device.DiamondReveal(dest.view, source.view, 2, BACKGROUND, &outside, 0, 0), 0);
    EXPECT_EQ(device.DiamondReveal(dest.view, source.view, 2, BACKGROUND, &empty, 0, 0), 0);
    EXPECT_EQ(dest.memory, before);
    EXPECT_TRUE(clock.waits.empty());
    EXPECT_EQ(device.DiamondReveal(dest.view, source.view, 2, BACKGROUND, &region, 7, 6), 1);
}

} // namespace
