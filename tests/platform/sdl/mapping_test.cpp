// The SDL backend's translations: keys both ways, where the frame sits on
// screens of all sizes and where a pointer lands in it, joystick positions,
// message box buttons and answers, and the palette conversion of a frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "backends/sdl/sdl_mapping.h"
#include "winapi.h"

using namespace platform::sdl;

namespace {

bool SourceHasScancode(int virtualKey, SDL_Scancode scancode) {
    const KeySource source = SourceOfVirtualKey(virtualKey);
    return std::find(source.scancodes.begin(), source.scancodes.end(), scancode) !=
           source.scancodes.end();
}

std::tuple<int, int, int, int> Corners(const SDL_Rect& r) {
    return {r.x, r.y, r.x + r.w, r.y + r.h};
}

} // namespace

TEST(SdlKeys, GameControlsAndQuitKeysHaveTheirWindowsCodes) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_LEFT, SDL_SCANCODE_LEFT), VK_LEFT);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_RIGHT, SDL_SCANCODE_RIGHT), VK_RIGHT);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UP, SDL_SCANCODE_UP), VK_UP);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_DOWN, SDL_SCANCODE_DOWN), VK_DOWN);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_z, SDL_SCANCODE_Z), 'Z');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_x, SDL_SCANCODE_X), 'X');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_SPACE, SDL_SCANCODE_SPACE), VK_SPACE);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_RETURN, SDL_SCANCODE_RETURN), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE), VK_ESCAPE);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F12, SDL_SCANCODE_F12), VK_F12);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1, SDL_SCANCODE_F1), VK_F1);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F4, SDL_SCANCODE_F4), VK_F4);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_LALT, SDL_SCANCODE_LALT), VK_MENU);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT), VK_SHIFT);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_7, SDL_SCANCODE_7), '7');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_0, SDL_SCANCODE_0), '0');
}

TEST(SdlKeys, LettersFollowTheLayoutAndFallBackToTheirPosition) {
    // On a French keyboard the key in the US W position types Z: it is 'Z'.
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_z, SDL_SCANCODE_W), 'Z');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_w, SDL_SCANCODE_Z), 'W');
    // A Cyrillic layout's letters still count by their Latin position.
    EXPECT_EQ(VirtualKeyFromSdl(0x044F, SDL_SCANCODE_Z), 'Z');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN, SDL_SCANCODE_1), '1');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_MUTE, SDL_SCANCODE_MUTE), 0);
}

TEST(SdlKeys, EveryKeyReportedIsFoundAgainWhenPolled) {
    // Whatever code a key event carries, polling that code looks at the same
    // key: otherwise a key could be pressed in messages but never held.
    for (int scancode = SDL_SCANCODE_A; scancode < SDL_NUM_SCANCODES; ++scancode) {
        const auto code = static_cast<SDL_Scancode>(scancode);
        const int virtualKey = VirtualKeyFromSdl(SDLK_UNKNOWN, code);
        if (virtualKey == 0) {
            continue;
        }
        SCOPED_TRACE(SDL_GetScancodeName(code));
        EXPECT_TRUE(SourceHasScancode(virtualKey, code)) << "virtual key " << virtualKey;
    }
}

TEST(SdlKeys, PolledCodesNameTheirKeysAndButtons) {
    const int gameKeys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, 'Z', 'X', VK_SPACE, VK_RETURN};
    for (const int key : gameKeys) {
        const KeySource source = SourceOfVirtualKey(key);
        EXPECT_FALSE(source.scancodes.empty()) << key;
        EXPECT_EQ(source.mouseButton, 0) << key;
    }
    EXPECT_EQ(SourceOfVirtualKey('Z').keycode, SDLK_z);
    EXPECT_EQ(SourceOfVirtualKey('5').keycode, SDLK_5);
    EXPECT_EQ(SourceOfVirtualKey(VK_LBUTTON).mouseButton, SDL_BUTTON_LEFT);
    EXPECT_EQ(SourceOfVirtualKey(VK_RBUTTON).mouseButton, SDL_BUTTON_RIGHT);
    EXPECT_TRUE(SourceHasScancode(VK_RETURN, SDL_SCANCODE_KP_ENTER));
    EXPECT_TRUE(SourceHasScancode(VK_SHIFT, SDL_SCANCODE_LSHIFT));
    EXPECT_TRUE(SourceHasScancode(VK_SHIFT, SDL_SCANCODE_RSHIFT));
    EXPECT_TRUE(SourceHasScancode(VK_F12, SDL_SCANCODE_F12));
    const KeySource none = SourceOfVirtualKey(0xE0);
    EXPECT_TRUE(none.scancodes.empty());
    EXPECT_EQ(none.keycode, SDLK_UNKNOWN);
    EXPECT_EQ(none.mouseButton, 0);
}

TEST(SdlFrame, ScalesByTheLargestWholeFactorAndCentres) {
    // The last two: a window smaller than the frame shows all of it, squeezed.
    struct Case {
        int outputWidth, outputHeight;
        SDL_Rect placed;
    };
    const Case cases[] = {
        {640, 480, {0, 0, 640, 480}},       {1024, 768, {192, 144, 640, 480}},
        {1280, 1024, {0, 32, 1280, 960}},   {1920, 1080, {320, 60, 1280, 960}},
        {2560, 1440, {320, 0, 1920, 1440}}, {3840, 2160, {640, 120, 2560, 1920}},
        {1279, 959, {319, 239, 640, 480}},  {1366, 768, {363, 144, 640, 480}},
        {600, 300, {100, 0, 400, 300}},     {320, 480, {0, 120, 320, 240}},
    };
    for (const Case& c : cases) {
        const SDL_Rect placed = FitFrame(640, 480, c.outputWidth, c.outputHeight);
        SCOPED_TRACE(std::to_string(c.outputWidth) + "x" + std::to_string(c.outputHeight));
        EXPECT_EQ(Corners(placed), Corners(c.placed));
        EXPECT_EQ(placed.w * 480, placed.h * 640) << "proportions kept";
    }
    const SDL_Rect empty = FitFrame(640, 480, 0, 480);
    EXPECT_EQ(empty.w, 0);
    EXPECT_EQ(empty.h, 0);
}

TEST(SdlFrame, PointerPositionsMapIntoTheFrameAndClampAtItsEdges) {
    const SDL_Rect placed = FitFrame(640, 480, 1920, 1080); // 2x at (320, 60)
    auto at = [&](int x, int y) {
        const auto point = FramePointAt(placed, 640, 480, x, y);
        return std::pair(point.x, point.y);
    };
    EXPECT_EQ(at(320, 60), std::pair(0, 0));
    EXPECT_EQ(at(320 + 201, 60 + 101), std::pair(100, 50));
    EXPECT_EQ(at(320 + 1279, 60 + 959), std::pair(639, 479));
    // On the black bars: the nearest edge of the frame.
    EXPECT_EQ(at(10, 10), std::pair(0, 0));
    EXPECT_EQ(at(319, 500).first, 0);
    EXPECT_EQ(at(1900, 1070), std::pair(639, 479));
}

TEST(SdlFrame, WindowedSizeIsAWholeMultipleThatFits) {
    EXPECT_EQ(WindowedSize(640, 480, 1920, 1050).x, 1280);
    EXPECT_EQ(WindowedSize(640, 480, 1920, 1050).y, 960);
    EXPECT_EQ(WindowedSize(640, 480, 1366, 740).x, 640);
    EXPECT_EQ(WindowedSize(640, 480, 800, 400).x, 640); // never below 1x
    EXPECT_EQ(WindowedSize(640, 480, 3840, 2100).y, 1920);
}

TEST(SdlJoystick, AxisRangeBecomesZeroTo65535) {
    EXPECT_EQ(JoystickAxisPosition(-32768), 0u);
    EXPECT_EQ(JoystickAxisPosition(32767), 65535u);
    EXPECT_EQ(JoystickAxisPosition(0), 32768u);
    // The game's dead zone (4096..61440) starts an eighth of the way out.
    EXPECT_LT(JoystickAxisPosition(-28673), 4096u);
    EXPECT_GT(JoystickAxisPosition(28673), 61440u);
}

TEST(SdlMessageBox, ButtonsAndDefaultsFollowTheWin32Type) {
    const MessageBoxLayout ok = LayoutOfMessageBox(MB_OK);
    ASSERT_EQ(ok.buttons.size(), 1u);
    EXPECT_EQ(ok.buttons[0].id, IDOK);
    EXPECT_TRUE(ok.buttons[0].returnKeyDefault);
    EXPECT_TRUE(ok.buttons[0].escapeKeyDefault);
    EXPECT_EQ(ok.flags, 0u);

    const MessageBoxLayout yesNo = LayoutOfMessageBox(MB_YESNO | MB_ICONWARNING);
    ASSERT_EQ(yesNo.buttons.size(), 2u);
    EXPECT_EQ(yesNo.buttons[0].id, IDYES);
    EXPECT_EQ(yesNo.buttons[1].id, IDNO);
    EXPECT_FALSE(yesNo.buttons[1].escapeKeyDefault);
    EXPECT_EQ(yesNo.flags, static_cast<Uint32>(SDL_MESSAGEBOX_WARNING));

    const MessageBoxLayout okCancel = LayoutOfMessageBox(MB_OKCANCEL | MB_ICONERROR);
    ASSERT_EQ(okCancel.buttons.size(), 2u);
    EXPECT_TRUE(okCancel.buttons[1].escapeKeyDefault);
    EXPECT_EQ(okCancel.buttons[1].id, IDCANCEL);
    EXPECT_EQ(okCancel.flags, static_cast<Uint32>(SDL_MESSAGEBOX_ERROR));

    EXPECT_EQ(LayoutOfMessageBox(2).buttons.size(), 3u); // abort, retry, ignore
    EXPECT_EQ(LayoutOfMessageBox(3).buttons.back().id, IDCANCEL);
    EXPECT_EQ(LayoutOfMessageBox(5).buttons.front().id, 4); // IDRETRY
    EXPECT_EQ(LayoutOfMessageBox(MB_ICONINFORMATION).flags,
              static_cast<Uint32>(SDL_MESSAGEBOX_INFORMATION));
}

TEST(SdlMessageBox, AClosedBoxAnswersAsEscapeWould) {
    EXPECT_EQ(MessageBoxAnswer(MB_OK, IDOK), IDOK);
    EXPECT_EQ(MessageBoxAnswer(MB_OK, -1), IDOK);
    EXPECT_EQ(MessageBoxAnswer(MB_OKCANCEL, -1), IDCANCEL);
    EXPECT_EQ(MessageBoxAnswer(MB_OKCANCEL, IDOK), IDOK);
    EXPECT_EQ(MessageBoxAnswer(MB_YESNO, IDNO), IDNO);
    EXPECT_EQ(MessageBoxAnswer(MB_YESNO, -1), IDYES);       // no Escape button: the default
    EXPECT_EQ(MessageBoxAnswer(MB_YESNO, IDCANCEL), IDYES); // not a button of this box
    EXPECT_EQ(MessageBoxAnswer(3, -1), IDCANCEL);
}

TEST(SdlFrame, ConversionLooksEachIndexUpInThePalette) {
    platform::PaletteColour palette[256];
    for (int i = 0; i < 256; ++i) {
        palette[i] = platform::PaletteColour{static_cast<std::uint8_t>(i),
                                             static_cast<std::uint8_t>(255 - i),
                                             static_cast<std::uint8_t>(i / 2)};
    }
    // 3 x 2 indices in rows of 5 bytes (the padding must not be read as pixels).
    const std::uint8_t indices[] = {0, 1, 255, 9, 9, 128, 7, 200, 9, 9};
    std::vector<std::uint8_t> out(2 * 16, 0xEE);
    ConvertFrame(indices, 3, 2, 5, palette, out.data(), 16);
    auto pixel = [&](int x, int y) {
        std::uint32_t value = 0;
        std::memcpy(&value,
                    &out[static_cast<std::size_t>(y) * 16 + static_cast<std::size_t>(x) * 4], 4);
        return value;
    };
    EXPECT_EQ(pixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(pixel(1, 0), 0xFF01FE00u);
    EXPECT_EQ(pixel(2, 0), 0xFFFF007Fu);
    EXPECT_EQ(pixel(0, 1), 0xFF807F40u);
    EXPECT_EQ(pixel(2, 1), 0xFFC83764u);
    EXPECT_EQ(out[12], 0xEE) << "the output row's padding is left alone";
}
