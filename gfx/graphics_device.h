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

// DrawGauge flags: a vertical bar; a one-sided bar filled from the far end
// (right, or top when vertical); a signed bar around a centre line.
inline constexpr DWORD GAUGE_VERTICAL = 1;
inline constexpr DWORD GAUGE_REVERSED = 2;
inline constexpr DWORD GAUGE_CENTRED = 4;

// Cosine and sine of 0 to 359 degrees, rounded to six decimals, for the
// rotated copies.
extern const double COSINE_TABLE[360];
extern const double SINE_TABLE[360];

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

    // Drawing primitives: palette indices written straight into the memory of
    // a locked 8-bit surface (`view` as Lock filled it; the caller locks and
    // unlocks), or into a plain buffer whose rows are
    // rect.right - rect.left - 1 bytes long and which holds
    // rect.bottom - rect.top - 1 such rows.
    void MoveTo(const DDSURFACEDESC& view, LONG x, LONG y);
    void MoveToInRect(const RECT& rect, LONG x, LONG y);
    void LineTo(const DDSURFACEDESC& view, LONG x, LONG y, BYTE colour);
    void LineToInBuffer(BYTE* buffer, const RECT& rect, LONG x, LONG y, BYTE colour);
    void DrawArc(const DDSURFACEDESC& view, const RECT& box, double start, double end, BYTE colour);
    void DrawArcInBuffer(BYTE* buffer, const RECT& rect, double start, double end, BYTE colour);
    // A bevelled bar of value out of maximum; flags GAUGE_VERTICAL,
    // GAUGE_REVERSED and GAUGE_CENTRED. 1 drawn, 0 refused.
    int DrawGauge(const DDSURFACEDESC& view, LONG maximum, LONG value, const RECT& rect,
                  BYTE fillColour, BYTE emptyColour, BYTE centreColour, DWORD flags);
    // Fills the region (null: the whole view) with diamonds growing from a
    // grid of cell x cell, one ring every 500 / cell ms; blocks until done.
    int DiamondFill(const DDSURFACEDESC& view, UINT cell, BYTE colour, const RECT* rect);

    // Blitters.
    // Blt with both rectangles clipped to `clip` (null: the screen, whose size
    // is read from the first destination given and kept).
    HRESULT BltClipped(IDirectDrawSurface* dest, RECT destRect, IDirectDrawSurface* source,
                       RECT sourceRect, DWORD flags, LPDDBLTFX fx, const RECT* clip);
    // A rotated (whole degrees, anticlockwise on screen) and scaled copy of
    // the source rectangle (null: the whole bitmap), centred on (x, y);
    // source pixels of the key colour are not copied.
    void DrawRotated(const DDSURFACEDESC& view, const BITMAP& source, LONG x, LONG y, double scale,
                     int angle, BYTE key, const RECT* sourceRect);
    void DrawRotatedFromBuffer(const DDSURFACEDESC& view, const BYTE* source, const RECT& rect,
                               LONG x, LONG y, double scale, int angle, BYTE key);
    // Uncovers the source window at (sourceX, sourceY) in the region (null:
    // the whole destination) with the diamonds of DiamondFill, one ring every
    // 250 / cell ms, over a background; blocks until done. 1 drawn, 0 refused.
    int DiamondReveal(const DDSURFACEDESC& dest, const DDSURFACEDESC& source, UINT cell,
                      BYTE background, const RECT* destRect, LONG sourceX, LONG sourceY);

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
    // The ring pattern shared by DiamondFill and DiamondReveal: each point
    // of the region (relative (px, py)) gets `colour`, or the byte at
    // source + py * sourcePitch + px when `source` is not null.
    static void DrawDiamondRings(const DDSURFACEDESC& view, const RECT& region, UINT cell,
                                 DWORD waitBudget, BYTE colour, const BYTE* source,
                                 LONG sourcePitch);

    void SetArtworkColourKeys();
    HBITMAP LoadArtworkImage(LPCSTR name, int width, int height);
    void ReadPaletteFromResource(LPCSTR name);
    void ReadPaletteFromFile(LPCSTR name);
};
