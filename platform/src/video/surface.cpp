#include <algorithm>
#include <cstring>
#include <mutex>

#include "gdi/colour.h"
#include "platform/faults.h"
#include "platform/video.h"
#include "video/objects.h"

namespace platform::video {
namespace {

std::mutex registryLock;
std::vector<Surface*>& LiveSurfaces() {
    static std::vector<Surface*> surfaces;
    return surfaces;
}
Surface* primary = nullptr;

KeyRange KeyFrom(DWORD flags, const DDCOLORKEY& key) {
    KeyRange range;
    range.enabled = true;
    range.low = static_cast<std::uint8_t>(std::min<DWORD>(key.dwColorSpaceLowValue, 255));
    // Without DDCKEY_COLORSPACE the key is the single colour of the low value.
    const DWORD high =
        (flags & DDCKEY_COLORSPACE) ? key.dwColorSpaceHighValue : key.dwColorSpaceLowValue;
    range.high = static_cast<std::uint8_t>(std::min<DWORD>(high, 255));
    return range;
}

bool RectIsValidIn(const RECT& r, int width, int height) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= width &&
           r.bottom <= height;
}

bool AcceptedFxSize(DWORD size) {
    return size == sizeof(DDBLTFX) || size == DDBLTFX_SIZE_32BIT;
}

} // namespace

bool AcceptedDescSize(DWORD size) {
    return size == sizeof(DDSURFACEDESC) || size == DDSURFACEDESC_SIZE_32BIT;
}

void RegisterSurface(Surface* surface) {
    std::lock_guard<std::mutex> hold(registryLock);
    LiveSurfaces().push_back(surface);
}

void UnregisterSurface(Surface* surface) {
    std::lock_guard<std::mutex> hold(registryLock);
    auto& live = LiveSurfaces();
    live.erase(std::remove(live.begin(), live.end(), surface), live.end());
    if (primary == surface) {
        primary = nullptr;
    }
}

Surface* PrimarySurface() {
    return primary;
}
void SetPrimarySurface(Surface* surface) {
    primary = surface;
}

std::size_t SurfaceBytesInUse() {
    std::lock_guard<std::mutex> hold(registryLock);
    std::size_t total = 0;
    for (const Surface* s : LiveSurfaces()) {
        total += s->ByteSize();
    }
    return total;
}

Surface* AsSurface(IDirectDrawSurface* surface) {
    return dynamic_cast<Surface*>(surface);
}
Palette* AsPalette(IDirectDrawPalette* palette) {
    return dynamic_cast<Palette*>(palette);
}

Surface::Surface(Role role, int width, int height, DWORD caps)
    : role(role), width(width), height(height), pitch((width + 3) & ~3), caps(caps),
      pixels(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height), 0) {
    RegisterSurface(this);
}

Surface::~Surface() {
    UnregisterSurface(this);
    if (dc != nullptr) {
        gdi::CloseSurfaceDC(dc, this);
    }
    if (palette != nullptr) {
        palette->Release();
    }
    if (backBuffer != nullptr) {
        backBuffer->frontBuffer = nullptr;
        backBuffer->Release();
    }
}

HRESULT Surface::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (const auto fault = platform::TakeFault("IDirectDrawSurface::QueryInterface")) {
        return static_cast<HRESULT>(*fault);
    }
    if (riid == IID_IUnknown || riid == IID_IDirectDrawSurface) {
        AddRef();
        *object = static_cast<IDirectDrawSurface*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG Surface::AddRef() {
    return ++references;
}

ULONG Surface::Release() {
    NoteRelease("IDirectDrawSurface::Release");
    const ULONG left = --references;
    if (left == 0) {
        delete this;
    }
    return left;
}

gdi::PixelView Surface::Pixels() {
    return gdi::PixelView{pixels.data(), width, height, static_cast<std::ptrdiff_t>(pitch)};
}

const PaletteColour* Surface::Colours() {
    if (palette != nullptr) {
        return palette->Colours();
    }
    if (frontBuffer != nullptr && frontBuffer->palette != nullptr) {
        return frontBuffer->palette->Colours();
    }
    // An 8-bit surface without a palette of its own shows through the
    // display's palette.
    Surface* display = PrimarySurface();
    if (display != nullptr && display->palette != nullptr) {
        return display->palette->Colours();
    }
    return gdi::SystemPalette();
}

const PaletteColour* Surface::CreatedColours() {
    if (palette != nullptr) {
        return palette->CreatedColours();
    }
    if (frontBuffer != nullptr && frontBuffer->palette != nullptr) {
        return frontBuffer->palette->CreatedColours();
    }
    // An 8-bit surface without a palette of its own shows through the
    // display's palette.
    Surface* display = PrimarySurface();
    if (display != nullptr && display->palette != nullptr) {
        return display->palette->CreatedColours();
    }
    return gdi::SystemPalette();
}

void Surface::AttachBackBuffer(Surface* back) {
    backBuffer = back;
    back->frontBuffer = this;
}

void Surface::Lose() {
    lost = true;
    std::fill(pixels.begin(), pixels.end(), std::uint8_t{0});
}

void Surface::PresentIfPrimary() {
    if (role != Role::Primary || lost || PrimarySurface() != this) {
        return;
    }
    CurrentBackend().Present(pixels.data(), width, height, pitch, Colours());
}

HRESULT Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                     LPDDBLTFX fx) {
    if (const auto fault = platform::TakeFault("IDirectDrawSurface::Blt")) {
        return static_cast<HRESULT>(*fault);
    }
    if (fx != nullptr && !AcceptedFxSize(fx->dwSize)) {
        return DDERR_INVALIDPARAMS;
    }
    Surface* from = nullptr;
    if (source != nullptr) {
        from = AsSurface(source);
        if (from == nullptr) {
            return DDERR_INVALIDOBJECT;
        }
    }
    if (lost || (from != nullptr && from->lost)) {
        return DDERR_SURFACELOST;
    }
    if (Busy() || (from != nullptr && from != this && from->Busy())) {
        return DDERR_SURFACEBUSY;
    }
    const RECT whole{0, 0, width, height};
    const RECT dest = destRect != nullptr ? *destRect : whole;
    if (dest.left >= dest.right || dest.top >= dest.bottom) {
        return DDERR_INVALIDRECT;
    }

    if (flags & DDBLT_COLORFILL) {
        if (fx == nullptr) {
            return DDERR_INVALIDPARAMS;
        }
        FillRect(Pixels(), dest, static_cast<std::uint8_t>(fx->dwFillColor & 0xFF));
        PresentIfPrimary();
        return DD_OK;
    }
    if (from == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    const RECT sourceWhole{0, 0, from->width, from->height};
    const RECT src = sourceRect != nullptr ? *sourceRect : sourceWhole;
    if (!RectIsValidIn(src, from->width, from->height)) {
        return DDERR_INVALIDRECT;
    }

    KeyRange keySource;
    if (flags & DDBLT_KEYSRCOVERRIDE) {
        if (fx == nullptr) {
            return DDERR_INVALIDPARAMS;
        }
        keySource = KeyFrom(DDCKEY_COLORSPACE, fx->ddckSrcColorkey);
    } else if (flags & DDBLT_KEYSRC) {
        if (!from->sourceKey.enabled) {
            return DDERR_NOCOLORKEY;
        }
        keySource = from->sourceKey;
    }
    KeyRange keyDest;
    if (flags & DDBLT_KEYDESTOVERRIDE) {
        if (fx == nullptr) {
            return DDERR_INVALIDPARAMS;
        }
        keyDest = KeyFrom(DDCKEY_COLORSPACE, fx->ddckDestColorkey);
    } else if (flags & DDBLT_KEYDEST) {
        if (!destKey.enabled) {
            return DDERR_NOCOLORKEY;
        }
        keyDest = destKey;
    }

    CopyRect(Pixels(), dest, from->Pixels(), src, keySource, keyDest, scratch);
    PresentIfPrimary();
    return DD_OK;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                         DWORD trans) {
    if (const auto fault = platform::TakeFault("IDirectDrawSurface::BltFast")) {
        return static_cast<HRESULT>(*fault);
    }
    Surface* from = AsSurface(source);
    if (from == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    if (lost || from->lost) {
        return DDERR_SURFACELOST;
    }
    if (Busy() || (from != this && from->Busy())) {
        return DDERR_SURFACEBUSY;
    }
    const RECT sourceWhole{0, 0, from->width, from->height};
    const RECT src = sourceRect != nullptr ? *sourceRect : sourceWhole;
    if (!RectIsValidIn(src, from->width, from->height) || x > 0x7FFFFFFF || y > 0x7FFFFFFF) {
        return DDERR_INVALIDRECT;
    }
    KeyRange keySource;
    if (trans & DDBLTFAST_SRCCOLORKEY) {
        if (!from->sourceKey.enabled) {
            return DDERR_NOCOLORKEY;
        }
        keySource = from->sourceKey;
    }
    KeyRange keyDest;
    if (trans & DDBLTFAST_DESTCOLORKEY) {
        if (!destKey.enabled) {
            return DDERR_NOCOLORKEY;
        }
        keyDest = destKey;
    }
    if (x >= static_cast<DWORD>(width) || y >= static_cast<DWORD>(height)) {
        return DD_OK; // wholly past the surface: nothing to draw
    }
    const auto left = static_cast<LONG>(x);
    const auto top = static_cast<LONG>(y);
    const RECT dest{left, top, left + (src.right - src.left), top + (src.bottom - src.top)};
    CopyRect(Pixels(), dest, from->Pixels(), src, keySource, keyDest, scratch);
    PresentIfPrimary();
    return DD_OK;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS requested, LPDIRECTDRAWSURFACE* attached) {
    if (requested == nullptr || attached == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *attached = nullptr;
    if (const auto fault = platform::TakeFault("IDirectDrawSurface::GetAttachedSurface")) {
        return static_cast<HRESULT>(*fault);
    }
    if (backBuffer == nullptr || (requested->dwCaps & ~backBuffer->caps) != 0) {
        return DDERR_NOTFOUND;
    }
    backBuffer->AddRef();
    *attached = backBuffer;
    return DD_OK;
}

HRESULT Surface::SetColorKey(DWORD flags, LPDDCOLORKEY key) {
    if (const auto fault = platform::TakeFault("IDirectDrawSurface::SetColorKey")) {
        return static_cast<HRESULT>(*fault);
    }
    KeyRange* range = (flags & DDCKEY_SRCBLT)    ? &sourceKey
                      : (flags & DDCKEY_DESTBLT) ? &destKey
                                                 : nullptr;
    if (range == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *range = key != nullptr ? KeyFrom(flags, *key) : KeyRange{};
    return DD_OK;
}

HRESULT Surface::GetDC(HDC* out) {
    if (out == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *out = nullptr;
    if (const auto fault = platform::TakeFault("IDirectDrawSurface::GetDC")) {
        return static_cast<HRESULT>(*fault);
    }
    if (lost) {
        return DDERR_SURFACELOST;
    }
    if (dc != nullptr) {
        return DDERR_DCALREADYCREATED;
    }
    dc = gdi::OpenSurfaceDC(this);
    if (dc == nullptr) {
        return DDERR_CANTCREATEDC;
    }
    *out = dc;
    return DD_OK;
}

HRESULT Surface::ReleaseDC(HDC released) {
    if (released == nullptr || released != dc) {
        return DDERR_NODC;
    }
    gdi::CloseSurfaceDC(dc, this);
    dc = nullptr;
    // What GDI drew on the primary is on screen now.
    PresentIfPrimary();
    return DD_OK;
}

HRESULT Surface::SetPalette(LPDIRECTDRAWPALETTE newPalette) {
    if (const auto fault = platform::TakeFault("IDirectDrawSurface::SetPalette")) {
        return static_cast<HRESULT>(*fault);
    }
    Palette* attach = nullptr;
    if (newPalette != nullptr) {
        attach = AsPalette(newPalette);
        if (attach == nullptr) {
            return DDERR_INVALIDOBJECT;
        }
    }
    // Attaching a palette needs none of the surface's memory, so a surface
    // whose restore failed still takes it (and keeps reporting the loss).
    if (attach != nullptr) {
        attach->AddRef();
    }
    if (palette != nullptr) {
        palette->Release();
    }
    palette = attach;
    PresentIfPrimary();
    return DD_OK;
}

void Surface::Describe(DDSURFACEDESC& desc) const {
    const DWORD size = desc.dwSize;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = size;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc.dwHeight = static_cast<DWORD>(height);
    desc.dwWidth = static_cast<DWORD>(width);
    desc.lPitch = pitch;
    if (backBuffer != nullptr) {
        desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
    }
    if (sourceKey.enabled) {
        desc.dwFlags |= DDSD_CKSRCBLT;
        desc.ddckCKSrcBlt = DDCOLORKEY{sourceKey.low, sourceKey.high};
    }
    desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc.ddpfPixelFormat.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    desc.ddpfPixelFormat.dwRGBBitCount = 8;
    desc.ddsCaps.dwCaps = caps;
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC desc) {
    if (desc == nullptr || !AcceptedDescSize(desc->dwSize)) {
        return DDERR_INVALIDPARAMS;
    }
    if (const auto fault = platform::TakeFault("IDirectDrawSurface::GetSurfaceDesc")) {
        return static_cast<HRESULT>(*fault);
    }
    Describe(*desc);
    return DD_OK;
}

HRESULT Surface::IsLost() {
    return lost ? DDERR_SURFACELOST : DD_OK;
}

HRESULT Surface::Restore() {
    if (const auto fault = platform::TakeFault("IDirectDrawSurface::Restore")) {
        return static_cast<HRESULT>(*fault);
    }
    // The memory comes back, not what was in it.
    lost = false;
    if (backBuffer != nullptr) {
        backBuffer->lost = false;
    }
    return DD_OK;
}

} // namespace platform::video

namespace platform {

SurfacePixels PixelsOf(IDirectDrawSurface* surface) {
    video::Surface* ours = video::AsSurface(surface);
    if (ours == nullptr) {
        return {};
    }
    const gdi::PixelView view = ours->Pixels();
    return {view.top, view.width, view.height, static_cast<int>(view.pitch)};
}

void LoseAllSurfaces() {
    std::vector<video::Surface*> live;
    {
        std::lock_guard<std::mutex> hold(video::registryLock);
        live = video::LiveSurfaces();
    }
    for (video::Surface* s : live) {
        s->Lose();
    }
}

} // namespace platform
