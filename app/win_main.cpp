// Process start: the single-instance guard, the window, then the graphics,
// sound and music devices in that order, each failure unwinding what had
// started; then the message loop until the window is destroyed.
#include "app/app_messages.h"
#include "app/game_app.h"

namespace {

constexpr char GUARD_AND_CLASS_NAME[] = "DirectX Skeleton Class";
constexpr char WINDOW_TITLE[] = "DirectX Skeleton";

} // namespace

int CreateMainWindow(WindowBase& base, HINSTANCE instance, int showCommand) {
    base.instance = instance;
    WNDCLASSEXA windowClass;
    std::memset(&windowClass, 0, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_BYTEALIGNCLIENT | CS_BYTEALIGNWINDOW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = GUARD_AND_CLASS_NAME;
    windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    if (RegisterClassExA(&windowClass) == 0) {
        return 0;
    }
    base.window =
        CreateWindowExA(WS_EX_TOPMOST, GUARD_AND_CLASS_NAME, WINDOW_TITLE, WS_POPUP | WS_SYSMENU, 0,
                        0, SCREEN_WIDTH, SCREEN_HEIGHT, nullptr, nullptr, instance, nullptr);
    if (base.window == nullptr) {
        return 0;
    }
    SendMessageA(base.window, UM_SET_BITMAP, 0, 0);
    ShowWindow(base.window, showCommand);
    UpdateWindow(base.window);
    SetFocus(base.window);
    return 1;
}

int RunApplication(WindowBase& base, HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    HANDLE running = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, GUARD_AND_CLASS_NAME);
    if (running != nullptr) {
        CloseHandle(running);
        return 0;
    }
    // The guard is never owned: its existence is the guard, for as long as
    // this process lives.
    base.guardMutex = CreateMutexA(nullptr, FALSE, GUARD_AND_CLASS_NAME);
    if (CreateMainWindow(base, instance, showCommand) == 0) {
        ReleaseMutex(base.guardMutex);
        return 0;
    }
    GameApp& app = gameApp;
    if (app.InitDirectDraw(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BITS) == 0) {
        base.ReportError(MSG_DIRECTDRAW_INIT_FAILED);
        app.ReleaseDirectDraw();
        ReleaseMutex(base.guardMutex);
        return 0;
    }
    if (app.InitSound() == 0) {
        base.ReportError(MSG_DIRECTSOUND_INIT_FAILED);
        app.ReleaseDirectDraw();
        app.ReleaseSound();
        ReleaseMutex(base.guardMutex);
        return 0;
    }
    if (app.InitMusic() == 0) {
        base.ReportError(MSG_DIRECTMUSIC_INIT_FAILED);
        app.ReleaseDirectDraw();
        app.ReleaseSound();
        app.ShutdownMusic();
        ReleaseMutex(base.guardMutex);
        return 0;
    }
    const MSG quit = MessageLoop(base);
    return static_cast<int>(quit.wParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    return RunApplication(gameApp, instance, previous, commandLine, showCommand);
}
