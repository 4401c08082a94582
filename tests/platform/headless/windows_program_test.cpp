// A small Windows-style program (a window, its message loop, DirectDraw
// surfaces, GDI text and a colour-keyed sprite) run on the headless backend,
// with the frame it presents checked pixel by pixel.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/headless.h"
#include "winapi.h"

namespace {

constexpr BYTE SKY = 1;
constexpr BYTE SPRITE = 5;
constexpr BYTE KEY = 255;
constexpr int FRAMES = 3;

LRESULT CALLBACK ProgramWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

IDirectDrawSurface* MakeSprite(IDirectDraw* directDraw) {
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = 8;
    desc.dwHeight = 8;
    IDirectDrawSurface* sprite = nullptr;
    if (directDraw->CreateSurface(&desc, &sprite, nullptr) != DD_OK) {
        return nullptr;
    }
    // An 8 x 8 square of SPRITE with a transparent 4 x 4 hole in the middle.
    sprite->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    auto* pixels = static_cast<BYTE*>(desc.lpSurface);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool hole = x >= 2 && x < 6 && y >= 2 && y < 6;
            pixels[y * desc.lPitch + x] = hole ? KEY : SPRITE;
        }
    }
    sprite->Unlock(nullptr);
    DDCOLORKEY key{KEY, KEY};
    sprite->SetColorKey(DDCKEY_SRCBLT, &key);
    return sprite;
}

void DrawFrame(IDirectDrawSurface* primary, IDirectDrawSurface* back,
               IDirectDrawSurface* sprite) {
    DDBLTFX fx;
    std::memset(&fx, 0, sizeof fx);
    fx.dwSize = sizeof fx;
    fx.dwFillColor = SKY;
    back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    RECT to{100, 100, 108, 108};
    RECT from{0, 0, 8, 8};
    back->Blt(&to, sprite, &from, DDBLT_KEYSRC | DDBLT_WAIT, nullptr);
    HDC dc = nullptr;
    back->GetDC(&dc);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, OPAQUE);
    TextOutA(dc, 10, 10, "Hi", 2);
    back->ReleaseDC(dc);
    RECT screen{0, 0, 640, 480};
    primary->BltFast(0, 0, back, &screen, DDBLTFAST_WAIT);
}

int WINAPI SmallProgram(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ProgramWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "SmallProgram";
    RegisterClassExA(&windowClass);
    HWND window = CreateWindowExA(0, "SmallProgram", "Small", WS_POPUP, 0, 0, 640, 480, nullptr,
                                  nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWDEFAULT);

    IDirectDraw* directDraw = nullptr;
    DirectDrawCreate(nullptr, &directDraw, nullptr);
    directDraw->SetCooperativeLevel(window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE);
    directDraw->SetDisplayMode(640, 480, 8);
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface* primary = nullptr;
    directDraw->CreateSurface(&desc, &primary, nullptr);
    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    IDirectDrawSurface* back = nullptr;
    primary->GetAttachedSurface(&caps, &back);
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i) {
        const BYTE grey = static_cast<BYTE>(i);
        entries[i] = PALETTEENTRY{grey, grey, grey, 0};
    }
    IDirectDrawPalette* palette = nullptr;
    directDraw->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr);
    primary->SetPalette(palette);
    IDirectDrawSurface* sprite = MakeSprite(directDraw);

    int frames = 0;
    MSG message;
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                break;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else if (frames < FRAMES) {
            DrawFrame(primary, back, sprite);
            if (++frames == FRAMES) {
                PostMessageA(window, WM_CLOSE, 0, 0);
            }
        }
    }
    sprite->Release();
    palette->Release();
    back->Release();
    primary->Release();
    directDraw->Release();
    return static_cast<int>(message.wParam);
}

TEST(WindowsProgram, ItsFrameIsCapturedPixelByPixel) {
    platform::HeadlessBackend backend;
    platform::InstallBackend(&backend);
    char commandLine[] = "";
    const int code = SmallProgram(GetModuleHandleA(nullptr), nullptr, commandLine, 0);
    const auto frames = backend.Frames();
    platform::InstallBackend(nullptr);

    EXPECT_EQ(code, 0);
    ASSERT_FALSE(frames.empty());
    const platform::CapturedFrame& frame = frames.back();
    EXPECT_EQ(frame.palette[200].red, 200);
    // The sprite's ring, its transparent hole showing the sky, and nothing
    // drawn around it.
    for (int y = 100; y < 108; ++y) {
        for (int x = 100; x < 108; ++x) {
            const bool hole = x >= 102 && x < 106 && y >= 102 && y < 106;
            ASSERT_EQ(frame.At(x, y), hole ? SKY : SPRITE) << x << "," << y;
        }
    }
    EXPECT_EQ(frame.At(99, 104), SKY);
    EXPECT_EQ(frame.At(108, 104), SKY);
    // "Hi" in black on an opaque white box from (10, 10).
    int black = 0;
    int white = 0;
    for (int y = 10; y < 26; ++y) {
        for (int x = 10; x < 30; ++x) {
            black += frame.At(x, y) == 0 ? 1 : 0;
            white += frame.At(x, y) == 255 ? 1 : 0;
        }
    }
    EXPECT_GT(black, 15);
    EXPECT_GT(white, 100);
    EXPECT_EQ(frame.At(9, 12), SKY);
    EXPECT_EQ(frame.At(300, 300), SKY);
}

} // namespace
