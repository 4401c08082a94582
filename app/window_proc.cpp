// The window procedure: the few window messages the game reacts to, and the
// application messages by which the devices announce themselves.
#include "app/game_app.h"

namespace {

constexpr char LOADING_NOTICE[] = "Now Loading...";

// Activation pauses playing music and resumes paused music; while inactive
// the loop runs no frames, so the game freezes where it stands.
void Activate(WPARAM wParam) {
    gameApp.active = static_cast<DWORD>(wParam);
    if (gameApp.active == 0 && gameApp.musicState == MusicPlaying) {
        gameApp.ToggleMusicPause();
    } else if (gameApp.active != 0 && gameApp.musicState == MusicPaused) {
        gameApp.ToggleMusicPause();
    }
}

// Drawn straight onto the screen while the rest of start-up runs.
void ShowLoadingNotice() {
    IDirectDrawSurface* primary = gameApp.primarySurface;
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_HEIGHT | DDSD_WIDTH;
    primary->GetSurfaceDesc(&desc);
    HDC dc = nullptr;
    primary->GetDC(&dc);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    TextOutA(dc, static_cast<int>(desc.dwWidth / 2), static_cast<int>(desc.dwHeight / 2),
             LOADING_NOTICE, lstrlenA(LOADING_NOTICE));
    primary->ReleaseDC(dc);
    ShowCursor(FALSE);
}

} // namespace

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
    case WM_SIZE:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case UM_SOUND_READY:
        return 0;
    case WM_DESTROY:
        gameApp.Teardown();
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_ACTIVATEAPP:
        Activate(wParam);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE || wParam == VK_F12) {
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
        return 0;
    case UM_SET_BITMAP:
        gameApp.bitmapNames[0] = MAKEINTRESOURCEA(ARTWORK_RESOURCE_ID);
        return 0;
    case UM_GRAPHICS_READY:
        ShowLoadingNotice();
        return 0;
    case UM_MUSIC_READY:
        gameApp.EnumerateMidiPorts();
        return 0;
    case UM_MUSIC_NOTIFY:
        gameApp.OnMusicNotification();
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
