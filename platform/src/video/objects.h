// The DirectDraw objects: the DirectDraw object itself, 8-bit surfaces and
// 256-entry palettes, all in ordinary memory. There is one display, so the
// primary surface and the display mode are process-wide.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "gdi/drawing_target.h"
#include "lifetimes_internal.h"
#include "platform/backend.h"
#include "video/blit.h"
#include "winapi/ddraw.h"

namespace platform::video {

class Palette final : public IDirectDrawPalette, private LiveObject<"IDirectDrawPalette"> {
public:
    explicit Palette(const PALETTEENTRY* entries);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE SetEntries(DWORD flags, DWORD start, DWORD count,
                                         LPPALETTEENTRY entries) override;

    const PaletteColour* Colours() const { return colours.data(); }
    // The colours the palette was made with, whatever SetEntries did since.
    const PaletteColour* CreatedColours() const { return createdColours.data(); }

private:
    ~Palette() = default;

    std::atomic<ULONG> references{1};
    std::array<PALETTEENTRY, 256> entries{};
    std::array<PaletteColour, 256> colours{};
    std::array<PaletteColour, 256> createdColours{};
};

class Surface final : public IDirectDrawSurface,
                      public gdi::DrawingTarget,
                      private LiveObject<"IDirectDrawSurface"> {
public:
    enum class Role { Primary, BackBuffer, OffScreen };

    Surface(Role role, int width, int height, DWORD caps);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                                  DWORD flags, LPDDBLTFX fx) override;
    HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source,
                                      LPRECT sourceRect, DWORD trans) override;
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps,
                                                 LPDIRECTDRAWSURFACE* attached) override;
    HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC desc) override;
    HRESULT STDMETHODCALLTYPE IsLost() override;
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) override;
    HRESULT STDMETHODCALLTYPE Restore() override;
    HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) override;

    // gdi::DrawingTarget
    gdi::PixelView Pixels() override;
    const PaletteColour* Colours() override;
    const PaletteColour* CreatedColours() override;

    void AttachBackBuffer(Surface* back);
    // Loses the pixels: they are cleared, and the surface reports the loss
    // until restored.
    void Lose();
    // Hands the pixels to the backend when this is the primary surface.
    void PresentIfPrimary();
    bool UsesPalette(const Palette* p) const { return palette == p; }
    std::size_t ByteSize() const { return pixels.size(); }

private:
    ~Surface();

    bool Busy() const { return dc != nullptr; }
    void Describe(DDSURFACEDESC& desc) const;

    std::atomic<ULONG> references{1};
    Role role;
    int width;
    int height;
    int pitch;
    DWORD caps;
    std::vector<std::uint8_t> pixels;
    KeyRange sourceKey;
    KeyRange destKey;
    bool lost = false;
    HDC dc = nullptr;
    Palette* palette = nullptr;
    Surface* backBuffer = nullptr;  // held by the primary
    Surface* frontBuffer = nullptr; // the primary a back buffer belongs to
    BlitScratch scratch;
};

// The display: the primary surface, if one exists, and every live surface.
void RegisterSurface(Surface* surface);
void UnregisterSurface(Surface* surface);
Surface* PrimarySurface();
void SetPrimarySurface(Surface* surface);
std::size_t SurfaceBytesInUse();

// A surface this layer made, or null for anything else.
Surface* AsSurface(IDirectDrawSurface* surface);
Palette* AsPalette(IDirectDrawPalette* palette);

bool AcceptedDescSize(DWORD size);

} // namespace platform::video
