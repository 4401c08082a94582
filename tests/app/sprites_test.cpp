// Planet sprites drawn into real surfaces: where each record lands, how the
// animation counter picks frames, and sprites that reach past the screen.
#include <gtest/gtest.h>

#include <tuple>

#include "app/game_app.h"
#include "platform/video.h"
#include "support/planet_scenes.h"

namespace {

constexpr BYTE BACKGROUND = 7;

// A 640 x 480 target and a 640 x 1440 source whose sprite cells are filled
// with a marker index per row (row r: index 100 + r), keyed on 255, installed
// as the application's back surface and artwork so the HUD can draw too.
class SpriteDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
        target = Make(640, 480);
        source = Make(640, 1440);
        Fill(source, nullptr, 255);
        for (int row = 0; row < SPRITE_ROWS; ++row) {
            // Frames that share a cell (the marker's) keep the lower number.
            for (int frame = SPRITE_FRAMES - 1; frame >= 0; --frame) {
                const SpriteRect& r = SpriteRectTable[row][frame];
                RECT cell{r.x, r.y, r.x + r.w, r.y + r.h};
                Fill(source, &cell, static_cast<BYTE>(100 + 10 * row + frame));
            }
        }
        DDCOLORKEY key{255, 255};
        source->SetColorKey(DDCKEY_SRCBLT, &key);
        Fill(target, nullptr, BACKGROUND);
        gameApp.backSurface = target;
        gameApp.bitmapSurfaces[0] = source;
        CreatePlanetTable();
        PlanetTable[0].mass = 0.0f; // nothing moves during the step
    }
    void TearDown() override {
        DestroyPlanetTable();
        gameApp.backSurface = nullptr;
        gameApp.bitmapSurfaces[0] = nullptr;
        target->Release();
        source->Release();
        directDraw->Release();
    }

    IDirectDrawSurface* Make(int width, int height) {
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        desc.dwWidth = static_cast<DWORD>(width);
        desc.dwHeight = static_cast<DWORD>(height);
        IDirectDrawSurface* surface = nullptr;
        EXPECT_EQ(directDraw->CreateSurface(&desc, &surface, nullptr), DD_OK);
        return surface;
    }
    static void Fill(IDirectDrawSurface* surface, RECT* rect, BYTE index) {
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = index;
        surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    }
    BYTE At(int x, int y) { return platform::PixelsOf(target).At(x, y); }
    // The rectangle of pixels carrying `index`, or an empty one.
    RECT Extent(BYTE index) {
        RECT r{640, 480, -1, -1};
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                if (At(x, y) == index) {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x + 1);
                    r.bottom = std::max<LONG>(r.bottom, y + 1);
                }
            }
        }
        return r;
    }
    static void Add(float x, float y, int kind) {
        AddPlanet(PlanetTable, Vec2(x, y), 0.0f, Vec2(0.0f, 0.0f), kind);
    }

    IDirectDraw* directDraw = nullptr;
    IDirectDrawSurface* target = nullptr;
    IDirectDrawSurface* source = nullptr;
};

void ExpectRect(const RECT& got, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(std::tie(got.left, got.top, got.right, got.bottom),
              std::tie(left, top, right, bottom));
}

TEST_F(SpriteDrawing, SunAndMarkerOnTheFirstFrame) {
    animCounter = 0;
    DrawPlanets(target, source);
    // The sun (row 4, frame 0) scaled from 33 x 30 into (304, 225)-(336, 255);
    // the marker (row 5, frame 0) into (309, 229)-(331, 251) over it.
    ExpectRect(Extent(140), 304, 225, 336, 255);
    ExpectRect(Extent(150), 309, 229, 331, 251);
    EXPECT_EQ(animCounter, 1u);
}

TEST_F(SpriteDrawing, PositionsTruncateTowardsZero) {
    Add(100.9f, 50.2f, 0);
    Add(-3.7f, 300.0f, 1); // centred on x = -3, not -4
    animCounter = 0;
    DrawPlanets(target, source);
    ExpectRect(Extent(100), 96, 46, 104, 54); // kind 0, frame 0
    ExpectRect(Extent(110), 0, 295, 2, 305);  // kind 1 at (-8, 295)-(2, 305), clipped
}

TEST_F(SpriteDrawing, PartlyOffScreenSpritesAreDrawnClipped) {
    Add(636.0f, 478.0f, 3); // 13 x 11 drawn as 12 x 10 into (630, 473)-(642, 483)
    animCounter = 39;       // the sun takes frame 3, the planet wraps to frame 0
    DrawPlanets(target, source);
    ExpectRect(Extent(130), 630, 473, 640, 480);
    EXPECT_EQ(At(629, 476), BACKGROUND);
}

TEST_F(SpriteDrawing, TheCounterAdvancesOncePerDrawnRecord) {
    for (int i = 0; i < 39; ++i) {
        Add(20.0f + 10.0f * static_cast<float>(i), 400.0f, 0);
    }
    ASSERT_EQ(PlanetTable[0].count, 40u);
    animCounter = 5;
    DrawPlanets(target, source);
    EXPECT_EQ(animCounter, 45u);
    // Record i (at x = 10 i + 10) shows frame ((5 + i) mod 40) / 10; with 40
    // records every record keeps its frame from one video frame to the next.
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(At(60, 400), 101);  // record 5: (5 + 5) / 10
        EXPECT_EQ(At(160, 400), 102); // record 15: 20 / 10
        EXPECT_EQ(At(360, 400), 100); // record 35: 40 wraps to 0
        DrawPlanets(target, source);
    }
}

TEST_F(SpriteDrawing, NoMarkerWhenTheSteeredIndexNamesAFreeSlot) {
    Add(100.0f, 100.0f, 0);
    PlanetTable[0].steeredIndex = 2; // equal to count
    DrawPlanets(target, source);
    EXPECT_EQ(Extent(150).right, -1);
    EXPECT_EQ(Extent(151).right, -1);
}

} // namespace
