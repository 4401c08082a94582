// The title screen: the game's name and a blinking block of prompts in GDI
// text; a start input begins play, X or the right button switches a looping
// test of the shot sound on and off.
#include "app/game_app.h"
#include "game/game_texts.h"

std::uint32_t blinkCounter = 0;
std::uint8_t toggleLatch = 0;
std::uint8_t shotLoopArmed = 1;

namespace {

constexpr int TITLE_X = 320;
constexpr COLORREF TITLE_COLOUR = 0xFAA040;
constexpr COLORREF PROMPT_COLOUR = 0xC85000;
constexpr int BLINK_CYCLE = 150;   // title frames per blink cycle
constexpr int PROMPTS_HIDDEN = 30; // prompts hidden while the cycle is at 0..30

struct Prompt {
    int y;
    const char* text;
};

constexpr Prompt PROMPTS[] = {
    {340, "START GAME"},
    {360, "PRESS Z X KEY"},
    {380, "PRESS ENTER SPACE KEY"},
    {400, "CLICK LBUTTON RBUTTON"},
};

HFONT CreateTitleFont(int height, int weight) {
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, SHIFTJIS_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DRAFT_QUALITY, VARIABLE_PITCH | FF_ROMAN,
                       TITLE_FONT_FACE);
}

// Selects a new font into `dc` with the title's text settings; a font that
// cannot be made closes the game after this frame.
HFONT BeginText(HDC dc, HWND window, int height, int weight, COLORREF colour) {
    HFONT font = CreateTitleFont(height, weight);
    if (font == nullptr) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    SelectObject(dc, font);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    return font;
}

void TextOutCentred(HDC dc, int y, const char* text) {
    TextOutA(dc, TITLE_X, y, text, lstrlenA(text));
}

} // namespace

void GameApp::DrawTitle() {
    HDC dc = nullptr;
    backSurface->GetDC(&dc);
    HFONT font = BeginText(dc, window, 96, FW_HEAVY, TITLE_COLOUR);
    TextOutCentred(dc, 100, "Quorvane");

    const std::uint32_t n = blinkCounter;
    blinkCounter += 1;
    if (WrapToRange(static_cast<std::int32_t>(n), 0, BLINK_CYCLE - 1) > PROMPTS_HIDDEN) {
        backSurface->ReleaseDC(dc);
        DeleteObject(font);
        backSurface->GetDC(&dc);
        font = BeginText(dc, window, 16, FW_THIN, PROMPT_COLOUR);
        for (const Prompt& prompt : PROMPTS) {
            TextOutCentred(dc, prompt.y, prompt.text);
        }
    }
    backSurface->ReleaseDC(dc);
    DeleteObject(font);
}

void GameApp::TitleStep() {
    DrawTitle();
    const InputBits bits = SampleInput();
    if ((bits & (INPUT_Z | INPUT_LBUTTON | INPUT_SPACE | INPUT_ENTER)) != 0) {
        scene = SCENE_PLAY;
        CreatePlanetTable();
        StopSlot(slots[BGM_SLOT]);
        PlaySlot(slots[BGM_SLOT], 1);
        fadePending = 1;
    }
    if ((bits & (INPUT_X | INPUT_RBUTTON)) != 0) {
        if (toggleLatch == 0) {
            toggleLatch = 1;
            if (shotLoopArmed != 0) {
                PlaySlot(slots[SHOT_SLOT], 1);
            } else {
                StopSlot(slots[SHOT_SLOT]);
            }
            shotLoopArmed = shotLoopArmed == 0 ? 1 : 0;
        }
    } else {
        toggleLatch = 0;
    }
}
