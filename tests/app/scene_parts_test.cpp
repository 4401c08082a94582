// Parts of the scenes on their own: planet sprites drawn into real surfaces
// (where each record lands, which picture the animation counter picks, the
// edges of the screen), and the input sampler over the backend's key state.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "app/game_app.h"
#include "game/hud.h"
#include "game_harness.h"
#include "platform/video.h"
#include "support/planet_scenes.h"
#include "support/test_backend.h"

namespace {

// The artwork as the game's artwork surface (keyed on 255) and a screen
// showing its background, installed as the application's surfaces so the
// HUD can draw too; a sun without mass, so nothing moves in a step.
class SpriteDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
        target = MakeSurface(directDraw, 640, 480);
        source = MakeSurface(directDraw, 640, 1440);
        const platform::SurfacePixels pixels = platform::PixelsOf(source);
        for (int y = 0; y < 1440; ++y) {
            std::memcpy(&pixels.At(0, y), &art.pixels[y * 640], 640);
        }
        DDCOLORKEY key{255, 255};
        source->SetColorKey(DDCKEY_SRCBLT, &key);
        Picture::Background(art).CopyTo(target);
        gameApp.backSurface = target;
        gameApp.bitmapSurfaces[0] = source;
        CreatePlanetTable();
        PlanetTable[0].mass = 0.0f;
    }
    void TearDown() override {
        DestroyPlanetTable();
        gameApp.backSurface = nullptr;
        gameApp.bitmapSurfaces[0] = nullptr;
        target->Release();
        source->Release();
        directDraw->Release();
    }
    // Draws the planets and holds the screen against the picture they should
    // give.
    std::string DrawnAsExpected() {
        const PlayState before = PlayState::Now();
        DrawPlanets(target, source);
        Picture expected = Picture::Background(art);
        DrawPlayScene(expected, art, before, PlayState::Now());
        return FirstDifference(0, Picture(target), expected, SCREEN);
    }

    const Artwork art;
    IDirectDraw* directDraw = nullptr;
    IDirectDrawSurface* target = nullptr;
    IDirectDrawSurface* source = nullptr;
};

TEST_F(SpriteDrawing, EachRecordTakesItsPictureBeforeTheCounterMovesOn) {
    animCounter = 9; // the last value of the sun's first picture
    EXPECT_EQ(DrawnAsExpected(), "");
    EXPECT_EQ(animCounter, 10u);
}

TEST_F(SpriteDrawing, PositionsTruncateTowardsZeroAndSpritesAreClippedAtTheEdges) {
    AddPlanet(PlanetTable, Vec2(100.9f, 50.2f), 0.0f, Vec2(0.0f, 0.0f), 0);
    AddPlanet(PlanetTable, Vec2(-3.7f, 300.0f), 0.0f, Vec2(0.0f, 0.0f), 1); // centred on x = -3
    // 13 x 11 drawn as 12 x 10 into (630, 473)-(642, 483)
    AddPlanet(PlanetTable, Vec2(636.0f, 478.0f), 0.0f, Vec2(0.0f, 0.0f), 3);
    PlanetTable[0].steeredIndex = 4; // equal to count: a free record, no marker
    EXPECT_EQ(DrawnAsExpected(), "");
}

// The font cells filled so that every pixel of a cell differs from its
// neighbours (the artwork leaves the letters' top row blank, which would hide
// a letter drawn one row too low): any glyph off by a pixel shows.
TEST_F(SpriteDrawing, HudTextPlacesEveryGlyphPixelWhereTheLayoutPutsIt) {
    Artwork font = art;
    const platform::SurfacePixels pixels = platform::PixelsOf(source);
    for (int y = 960; y < 975; ++y) {
        for (int x = 76; x < 176 + 13 * 26; ++x) {
            const int column = x < 176 ? (x - 76) % 10 : (x - 176) % 13;
            font.pixels[y * 640 + x] = static_cast<std::uint8_t>(1 + (y - 960) * 13 + column);
            pixels.At(x, y) = font.At(x, y);
        }
    }
    const char* const text = "AZ 09 QUORVANE 4711";
    DrawBitmapText(100, 300, text);
    Picture expected = Picture::Background(art);
    DrawHudText(expected, font, 100, 300, text);
    EXPECT_EQ(FirstDifference(0, Picture(target), expected, SCREEN), "");
}

// The key state the backend reports: one key held, or none.
class OneKeyHeld : public TestBackend {
public:
    int held = 0;
    bool IsKeyDown(int virtualKey) override { return virtualKey == held; }
};

TEST(SampleInput, EachKeyOrButtonAloneGivesExactlyItsBit) {
    OneKeyHeld keys;
    const std::pair<int, InputBits> bits[] = {
        {VK_LEFT, 0x001},  {VK_RIGHT, 0x002},  {VK_UP, 0x004},      {VK_DOWN, 0x008},
        {'Z', 0x010},      {'X', 0x020},       {VK_LBUTTON, 0x040}, {VK_RBUTTON, 0x080},
        {VK_SPACE, 0x100}, {VK_RETURN, 0x200}, {VK_ESCAPE, 0},      {0, 0},
    };
    for (const auto& [key, bit] : bits) {
        keys.held = key;
        EXPECT_EQ(gameApp.SampleInput(), bit) << key;
    }
}

// The joystick: the middle of each axis is dead, its outer sixteenths steer,
// buttons 1 and 2 are Z and X; without a joystick every bit is set.
class OneJoystick : public TestBackend {
public:
    std::optional<platform::JoystickState> state;
    bool ReadJoystick(unsigned id, platform::JoystickState& out) override {
        if (id != 0 || !state) {
            return false;
        }
        out = *state;
        return true;
    }
};

TEST(SampleJoystick, OuterSixteenthsSteerButtonsOneAndTwoAreZAndX) {
    OneJoystick pad;
    joystickSampler = JoystickSampler{};
    EXPECT_EQ(gameApp.SampleJoystick(), 0xFFFFFFFFu) << "none plugged in";
    const struct {
        std::uint32_t x, y, buttons;
        DWORD bits;
    } cases[] = {
        {32767, 32767, 0, 0},       {4095, 61441, 0, INPUT_LEFT | INPUT_DOWN},
        {4096, 61440, 0, 0},        {61441, 4095, 0, INPUT_RIGHT | INPUT_UP},
        {61440, 4096, 0, 0},        {32767, 32767, 1, INPUT_Z},
        {32767, 32767, 2, INPUT_X}, {0, 65535, 3 | 4, INPUT_LEFT | INPUT_DOWN | INPUT_Z | INPUT_X},
    };
    pad.state = platform::JoystickState{};
    joystickSampler = JoystickSampler{};
    for (const auto& c : cases) {
        pad.state = platform::JoystickState{c.x, c.y, c.buttons};
        EXPECT_EQ(gameApp.SampleJoystick(), c.bits) << c.x << "," << c.y << " " << c.buttons;
    }
    joystickSampler = JoystickSampler{};
}

} // namespace
