// GDI text on a surface's device context: the frame-rate figure every frame
// shows, two general text operations, and a video-memory report.
#include <cstring>

#include "gfx/gfx_messages.h"
#include "gfx/graphics_device.h"

namespace {

void SetTextColours(HDC dc, COLORREF textColour, COLORREF backColour, int transparent) {
    SetTextColor(dc, textColour);
    SetBkColor(dc, backColour);
    SetBkMode(dc, transparent != 0 ? TRANSPARENT : OPAQUE);
}

} // namespace

HRESULT GraphicsDevice::DrawFrameRate(IDirectDrawSurface* surface, int x, int y,
                                      COLORREF textColour, COLORREF backColour, int transparent) {
    HDC dc = nullptr;
    surface->GetDC(&dc);
    char text[256];
    const int length = wsprintfA(text, "%dFPS", static_cast<int>(fps));
    SetTextColours(dc, textColour, backColour, transparent);
    TextOutA(dc, x, y, text, length);
    return surface->ReleaseDC(dc);
}

HRESULT GraphicsDevice::DrawTextAt(IDirectDrawSurface* surface, int x, int y, LPCSTR text,
                                   int length, COLORREF textColour, COLORREF backColour,
                                   int transparent) {
    HDC dc = nullptr;
    surface->GetDC(&dc);
    SetTextColours(dc, textColour, backColour, transparent);
    TextOutA(dc, x, y, text, length);
    return surface->ReleaseDC(dc);
}

HRESULT GraphicsDevice::DrawTextInRect(IDirectDrawSurface* surface, LPCSTR text, int length,
                                       RECT* rect, UINT format, COLORREF textColour,
                                       COLORREF backColour, int transparent) {
    HDC dc = nullptr;
    surface->GetDC(&dc);
    SetTextColours(dc, textColour, backColour, transparent);
    DrawTextA(dc, text, length, rect, format);
    return surface->ReleaseDC(dc);
}

int GraphicsDevice::ShowVideoMemory() {
    IDirectDraw2* directDraw2 = nullptr;
    if (directDraw->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&directDraw2)) !=
        DD_OK) {
        return 0;
    }
    DDSCAPS caps;
    caps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    DWORD total = 0;
    DWORD free = 0;
    if (directDraw2->GetAvailableVidMem(&caps, &total, &free) != DD_OK) {
        directDraw2->Release();
        return 0;
    }
    directDraw2->Release();
    char report[256];
    wsprintfA(report, MSG_VRAM_REPORT, static_cast<int>(total), static_cast<int>(free));
    MessageBoxA(window, report, CAPTION_VRAM, MB_OK);
    return 1;
}
