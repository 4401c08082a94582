// GraphicsDevice: the DirectDraw part of the application. It sets the
// 640 x 480 x 8 display mode, owns the primary surface with its back buffer,
// the off-screen surface holding the artwork bitmap and the palette made from
// the artwork's colour table, and offers the fades, text, drawing primitives
// and blitters that work on them.
#pragma once

#include "app/window_base.h"
#include "util/myutil.h"

inline constexpr int BitmapCount = 1;
inline constexpr WORD ARTWORK_RESOURCE_ID = 109;
inline constexpr BYTE TRANSPARENT_INDEX = 255; // colour key of every artwork blit
inline constexpr BYTE CLEAR_INDEX = 246;       // colour the back surface is cleared to

class GraphicsDevice : public virtual WindowBase {
public:
    GraphicsDevice();
    ~GraphicsDevice() override = default;

    // Device: start-up, release and recovery after the surfaces were lost.
    int InitDirectDraw(int width, int height, int bitsPerPixel);
    void ReleaseDirectDraw();
    int RestoreSurfaces();

    // Bitmap loading: from a resource of the executable, or else a file.
    IDirectDrawSurface* Zeb_LoadBitmap(LPCSTR name, HBITMAP* handleOut, int width, int height);
    HRESULT Zeb_ReloadBitmap(IDirectDrawSurface* surface, LPCSTR name);
    HRESULT Zeb_CopyBitmap(IDirectDrawSurface* surface, HBITMAP image, int x, int y, int width,
                           int height);
    IDirectDrawPalette* Zeb_LoadPalette(LPCSTR name);

    // Palette fades: one step per call; 1 while something changed.
    int FadeToBlack(DWORD* state, BYTE step, int first, int count);
    int FadeFromWhite(DWORD* state, BYTE step, int first, int count);
    int FadeFromBlack(DWORD* state, BYTE step, int first, int count);
    int FadeToWhite(DWORD* state, BYTE step, int first, int count);
    int RampPaletteEntry(DWORD* running, DWORD* counter, int index, UINT steps, COLORREF from,
                         COLORREF to);
    // As RampPaletteEntry, between two HSV colours (hue, saturation, value)
    // taken the way `direction` says round the hue circle.
    int RampPaletteEntryMulti(DWORD* running, DWORD* counter, int index, UINT steps,
                              const Vector3& from, const Vector3& to, std::int32_t direction);

    // GDI text on a surface.
    HRESULT DrawFrameRate(IDirectDrawSurface* surface, int x, int y, COLORREF textColour,
                          COLORREF backColour, int transparent);
    HRESULT DrawTextAt(IDirectDrawSurface* surface, int x, int y, LPCSTR text, int length,
                       COLORREF textColour, COLORREF backColour, int transparent);
    HRESULT DrawTextInRect(IDirectDrawSurface* surface, LPCSTR text, int length, RECT* rect,
                           UINT format, COLORREF textColour, COLORREF backColour, int transparent);
    int ShowVideoMemory();

    IDirectDraw* directDraw;
    IDirectDrawSurface* primarySurface;
    IDirectDrawSurface* backSurface;
    IDirectDrawSurface* bitmapSurfaces[BitmapCount];
    IDirectDrawPalette* palette;
    PALETTEENTRY paletteEntries[256];
    LPCSTR bitmapNames[BitmapCount];
    HBITMAP bitmapHandles[BitmapCount];
    LONG penX;
    LONG penY;
    BITMAP bitmapInfo;

private:
    void SetArtworkColourKeys();
    HBITMAP LoadArtworkImage(LPCSTR name, int width, int height);
    void ReadPaletteFromResource(LPCSTR name);
    void ReadPaletteFromFile(LPCSTR name);
};
