// The SDL backend's translations: keys both ways, where the frame sits on
// screens of all sizes, and message box buttons and answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

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

TEST(SdlKeys, KeysHaveTheirWindowsCodesByLayoutOrElseByPosition) {
    struct Case {
        SDL_Keycode key;
        SDL_Scancode scancode;
        int virtualKey;
    };
    const Case cases[] = {
        {SDLK_LEFT, SDL_SCANCODE_LEFT, VK_LEFT},
        {SDLK_RIGHT, SDL_SCANCODE_RIGHT, VK_RIGHT},
        {SDLK_UP, SDL_SCANCODE_UP, VK_UP},
        {SDLK_DOWN, SDL_SCANCODE_DOWN, VK_DOWN},
        {SDLK_x, SDL_SCANCODE_X, 'X'},
        {SDLK_SPACE, SDL_SCANCODE_SPACE, VK_SPACE},
        {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, VK_RETURN},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, VK_ESCAPE},
        {SDLK_F12, SDL_SCANCODE_F12, VK_F12},
        // On a French keyboard the key in the US W position types Z: it is 'Z'.
        {SDLK_z, SDL_SCANCODE_W, 'Z'},
        {SDLK_w, SDL_SCANCODE_Z, 'W'},
        // A Cyrillic layout's letters still count by their Latin position.
        {0x044F, SDL_SCANCODE_Z, 'Z'},
        {SDLK_UNKNOWN, SDL_SCANCODE_1, '1'},
        {SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VirtualKeyFromSdl(c.key, c.scancode), c.virtualKey) << SDL_GetKeyName(c.key);
    }
}

TEST(SdlKeys, EveryKeyReportedIsFoundAgainWhenPolled) {
    // Whatever code a key event carries, polling that code looks at the same
    // key: otherwise a key could be pressed in messages but never held.
    for (int scancode = SDL_SCANCODE_A; scancode < SDL_NUM_SCANCODES; ++scancode) {
        const auto code = static_cast<SDL_Scancode>(scancode);
        const int virtualKey = VirtualKeyFromSdl(SDLK_UNKNOWN, code);
        if (virtualKey != 0) {
            EXPECT_TRUE(SourceHasScancode(virtualKey, code)) << SDL_GetScancodeName(code);
        }
    }
    EXPECT_TRUE(SourceHasScancode(VK_SHIFT, SDL_SCANCODE_LSHIFT));
    EXPECT_TRUE(SourceHasScancode(VK_SHIFT, SDL_SCANCODE_RSHIFT));
    EXPECT_EQ(SourceOfVirtualKey('Z').keycode, SDLK_z);
    EXPECT_EQ(SourceOfVirtualKey(VK_LBUTTON).mouseButton, SDL_BUTTON_LEFT);
    EXPECT_EQ(SourceOfVirtualKey(VK_RBUTTON).mouseButton, SDL_BUTTON_RIGHT);
    EXPECT_EQ(SourceOfVirtualKey('X').mouseButton, 0);
    EXPECT_TRUE(SourceOfVirtualKey(0xE0).scancodes.empty());
}

TEST(SdlFrame, ScalesByTheLargestWholeFactorAndCentres) {
    // The last two: a window smaller than the frame shows all of it, squeezed.
    struct Case {
        int outputWidth, outputHeight;
        SDL_Rect placed;
    };
    const Case cases[] = {
        {640, 480, {0, 0, 640, 480}},
        {1024, 768, {192, 144, 640, 480}},
        {1280, 1024, {0, 32, 1280, 960}},
        {1920, 1080, {320, 60, 1280, 960}},
        {2560, 1440, {320, 0, 1920, 1440}},
        {3840, 2160, {640, 120, 2560, 1920}},
        {1279, 959, {319, 239, 640, 480}},
        {1366, 768, {363, 144, 640, 480}},
        {600, 300, {100, 0, 400, 300}},
        {320, 480, {0, 120, 320, 240}},
        {0, 480, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const SDL_Rect placed = FitFrame(640, 480, c.outputWidth, c.outputHeight);
        EXPECT_EQ(Corners(placed), Corners(c.placed)) << c.outputWidth << "x" << c.outputHeight;
    }
    // A window is the largest whole multiple that fits, never below 1x.
    EXPECT_EQ(WindowedSize(640, 480, 1920, 1050).y, 960);
    EXPECT_EQ(WindowedSize(640, 480, 1366, 740).x, 640);
    EXPECT_EQ(WindowedSize(640, 480, 800, 400).x, 640);
}

TEST(SdlMessageBox, TheGamesOkBoxHasOneButtonForEnterAndEscapeAndAClosedBoxAnswersAsEscapeWould) {
    const MessageBoxLayout ok = LayoutOfMessageBox(MB_OK);
    ASSERT_EQ(ok.buttons.size(), 1u);
    EXPECT_EQ(ok.buttons[0].id, IDOK);
    EXPECT_TRUE(ok.buttons[0].returnKeyDefault);
    EXPECT_TRUE(ok.buttons[0].escapeKeyDefault);
    EXPECT_EQ(MessageBoxAnswer(MB_OK, -1), IDOK);
    EXPECT_EQ(MessageBoxAnswer(MB_OKCANCEL, -1), IDCANCEL);
    EXPECT_EQ(MessageBoxAnswer(MB_YESNO, -1), IDYES);       // no Escape button: the default
    EXPECT_EQ(MessageBoxAnswer(MB_YESNO, IDCANCEL), IDYES); // not a button of this box
}
