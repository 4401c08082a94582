// A frame: the one-time audio start on the very first frame, recovery of lost
// surfaces, then composition on the back surface (clear, fade step,
// background, frame rate, scene) and the copy to the screen.
#include "app/game_app.h"
#include "game/game_texts.h"

std::uint8_t firstFrame = 1;

namespace {

constexpr char BGM_FILE[] = "Wave\\BGM00.wav";
constexpr char SHOT_FILE[] = "Wave\\shooting.wav";
constexpr BYTE FADE_STEP = 8;

void ClearBackSurface(IDirectDrawSurface* back) {
    DDBLTFX fx;
    std::memset(&fx, 0, sizeof fx);
    fx.dwSize = sizeof fx;
    fx.dwFillColor = CLEAR_INDEX;
    back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

} // namespace

void GameApp::RunFrame() {
    if (firstFrame == 1) {
        scene = SCENE_TITLE;
        waveLoadResult = LoadSlot(slots[BGM_SLOT], BGM_FILE);
        waveLoadResult = LoadSlot(slots[SHOT_SLOT], SHOT_FILE);
        PlaySlot(slots[BGM_SLOT], 1);
        firstFrame = 0;
    }
    if (primarySurface->IsLost() == DDERR_SURFACELOST && RestoreSurfaces() != 0) {
        ReportError(MSG_RESTORE_FAILED);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    ClearBackSurface(backSurface);
    if (fadePending != 0) {
        StepStartOfPlayFade();
    }
    RECT background;
    RECT screen;
    SetRect(&background, 0, SCREEN_HEIGHT, SCREEN_WIDTH, 2 * SCREEN_HEIGHT);
    SetRect(&screen, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    backSurface->Blt(&screen, bitmapSurfaces[0], &background, DDBLT_KEYSRC | DDBLT_WAIT, nullptr);
    DrawFrameRate(backSurface, 50, 20, RGB(0, 0, 0), RGB(255, 255, 255), 0);
    RunScene();
    primarySurface->BltFast(0, 0, backSurface, &screen, DDBLTFAST_WAIT);
}

// Black first, then from white to the artwork's colours; each half ends on
// the call that finds nothing left to change.
void GameApp::StepStartOfPlayFade() {
    if (fadePhase == 0) {
        if (FadeToBlack(&fadeWord, FADE_STEP, 0, 256) == 0) {
            fadePhase = 1;
        }
    } else {
        const DWORD moved = static_cast<DWORD>(FadeFromWhite(&fadeWord, FADE_STEP, 0, 256));
        fadePhase = moved;
        fadePending = moved;
    }
}

void GameApp::RunScene() {
    switch (scene) {
    case SCENE_TITLE:
        TitleStep();
        break;
    case SCENE_PLAY:
        PlayStep(*this);
        break;
    default:
        break;
    }
}
