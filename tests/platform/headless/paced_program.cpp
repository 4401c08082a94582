#include "paced_program.h"

#include <array>
#include <vector>

#include "platform/backend.h"

namespace paced {

Counters counters;

namespace {

bool active = false;

DWORD lastFrameTime = 0;

void RunFrame() {
    static std::vector<std::uint8_t> picture(640 * 480, 0);
    static std::array<platform::PaletteColour, 256> palette{};
    for (int i = 0; i < 256; ++i) {
        palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i),
                                                static_cast<std::uint8_t>(255 - i), 7};
    }
    ++counters.framesRun;
    picture[0] = static_cast<std::uint8_t>(counters.framesRun & 0xFF);
    picture[640 * 479 + 639] = 200;
    platform::CurrentBackend().Present(picture.data(), 640, 480, 640, palette.data());
}

// 60 frames a second, as intervals of 17, 17 and 16 ms.
void PacingPass() {
    const DWORD now = timeGetTime();
    const DWORD wait = counters.framesRun == 0 ? 0 : counters.framesRun % 3 == 0 ? 16 : 17;
    if (now - lastFrameTime >= wait) {
        lastFrameTime = now;
        RunFrame();
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATEAPP:
        active = wParam != 0;
        ++(active ? counters.activateApps : counters.deactivateApps);
        return 0;
    case WM_KEYDOWN:
        ++counters.keyDowns;
        if (wParam == VK_ESCAPE) {
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

void Reset() {
    counters = Counters{};
    active = false;
    lastFrameTime = 0;
}

int WINAPI Program(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "Paced Class";
    if (!RegisterClassExA(&windowClass)) {
        return 3;
    }
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "Paced Class", "Paced", WS_POPUP | WS_SYSMENU, 0,
                                  0, 640, 480, nullptr, nullptr, instance, nullptr);
    if (!window) {
        MessageBoxA(nullptr, "\x83\x45\x83\x42\x83\x93\x83\x68\x83\x45", "0", MB_OK);
        return 4;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetFocus(window);
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (!active) {
            WaitMessage();
        } else {
            PacingPass();
        }
    }
    return static_cast<int>(msg.wParam);
}

} // namespace paced
