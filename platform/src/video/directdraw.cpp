#include <algorithm>

#include "platform/faults.h"
#include "video/objects.h"

namespace platform::video {
namespace {

// The video memory GetAvailableVidMem reports: what surfaces of this layer
// use counts against it.
constexpr std::size_t kVideoMemoryBytes = 32u * 1024u * 1024u;
constexpr int kLargestSurfaceSide = 16384;
constexpr std::size_t kLargestSurfaceBytes = 64u * 1024u * 1024u;

class DirectDraw final : public IDirectDraw,
                         public IDirectDraw2,
                         private LiveObject<"IDirectDraw"> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (const auto fault = platform::TakeFault("IDirectDraw::QueryInterface")) {
            return static_cast<HRESULT>(*fault);
        }
        if (riid == IID_IUnknown || riid == IID_IDirectDraw) {
            AddRef();
            *object = static_cast<IDirectDraw*>(this);
            return S_OK;
        }
        if (riid == IID_IDirectDraw2) {
            AddRef();
            *object = static_cast<IDirectDraw2*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }

    ULONG STDMETHODCALLTYPE Release() override {
        NoteRelease("IDirectDraw::Release");
        const ULONG left = --references;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                            LPDIRECTDRAWPALETTE* out, IUnknown* outer) override {
        if (out == nullptr) {
            return DDERR_INVALIDPARAMS;
        }
        *out = nullptr;
        if (const auto fault = platform::TakeFault("IDirectDraw::CreatePalette")) {
            return static_cast<HRESULT>(*fault);
        }
        if (outer != nullptr) {
            return DDERR_INVALIDPARAMS; // no aggregation
        }
        if (entries == nullptr) {
            return DDERR_INVALIDPARAMS;
        }
        // Only 8-bit palettes: every surface of this layer is 8-bit.
        if (!(flags & DDPCAPS_8BIT)) {
            return DDERR_UNSUPPORTED;
        }
        *out = new Palette(entries);
        return DD_OK;
    }

    HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* out,
                                            IUnknown* outer) override {
        if (out == nullptr || desc == nullptr) {
            return DDERR_INVALIDPARAMS;
        }
        *out = nullptr;
        if (const auto fault = platform::TakeFault("IDirectDraw::CreateSurface")) {
            return static_cast<HRESULT>(*fault);
        }
        if (outer != nullptr) {
            return DDERR_INVALIDPARAMS; // no aggregation
        }
        if (!AcceptedDescSize(desc->dwSize)) {
            return DDERR_INVALIDPARAMS;
        }
        const DWORD caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
        if ((desc->dwFlags & DDSD_PIXELFORMAT) &&
            !(desc->ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8)) {
            return DDERR_INVALIDPIXELFORMAT;
        }
        if (caps & DDSCAPS_PRIMARYSURFACE) {
            return CreatePrimary(*desc, caps, out);
        }
        return CreateOffScreen(*desc, caps, out);
    }

    // Back to the desktop's mode, which for this display is 640 x 480.
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override {
        if (const auto fault = platform::TakeFault("IDirectDraw::SetCooperativeLevel")) {
            return static_cast<HRESULT>(*fault);
        }
        const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
        const bool fullScreen = (flags & DDSCL_FULLSCREEN) != 0;
        const bool normal = (flags & DDSCL_NORMAL) != 0;
        // Exclusive and full screen go together; normal excludes both.
        if (exclusive != fullScreen || (normal && exclusive) || (!normal && !exclusive)) {
            return DDERR_INVALIDPARAMS;
        }
        if (exclusive && window == nullptr) {
            return DDERR_INVALIDPARAMS;
        }
        cooperativeLevelSet = true;
        return DD_OK;
    }

    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height,
                                             DWORD bitsPerPixel) override {
        if (const auto fault = platform::TakeFault("IDirectDraw::SetDisplayMode")) {
            return static_cast<HRESULT>(*fault);
        }
        // Only 8-bit palettised modes are offered: the surfaces are 8-bit.
        if (bitsPerPixel != 8 || width == 0 || height == 0 || width > 4096 || height > 4096) {
            return DDERR_INVALIDMODE;
        }
        displayWidth = static_cast<int>(width);
        displayHeight = static_cast<int>(height);
        return DD_OK;
    }

    HRESULT STDMETHODCALLTYPE GetAvailableVidMem(LPDDSCAPS caps, LPDWORD total,
                                                 LPDWORD free) override {
        if (const auto fault = platform::TakeFault("IDirectDraw2::GetAvailableVidMem")) {
            return static_cast<HRESULT>(*fault);
        }
        if (caps == nullptr) {
            return DDERR_INVALIDPARAMS;
        }
        const std::size_t used = std::min(SurfaceBytesInUse(), kVideoMemoryBytes);
        if (total != nullptr) {
            *total = static_cast<DWORD>(kVideoMemoryBytes);
        }
        if (free != nullptr) {
            *free = static_cast<DWORD>(kVideoMemoryBytes - used);
        }
        return DD_OK;
    }

private:
    ~DirectDraw() = default;

    HRESULT CreatePrimary(const DDSURFACEDESC& desc, DWORD caps, LPDIRECTDRAWSURFACE* out) {
        if (!cooperativeLevelSet) {
            return DDERR_NOCOOPERATIVELEVELSET;
        }
        if (PrimarySurface() != nullptr) {
            return DDERR_PRIMARYSURFACEALREADYEXISTS;
        }
        // A primary takes the display's size; width and height may not be given.
        if (desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) {
            return DDERR_INVALIDPARAMS;
        }
        DWORD backBuffers = 0;
        if (desc.dwFlags & DDSD_BACKBUFFERCOUNT) {
            backBuffers = desc.dwBackBufferCount;
            // One back buffer, and a flipping chain needs the flip capabilities.
            if (backBuffers > 1 || (backBuffers == 1 && !(caps & DDSCAPS_FLIP))) {
                return DDERR_INVALIDPARAMS;
            }
        }
        auto* front =
            new Surface(Surface::Role::Primary, displayWidth, displayHeight,
                        caps | DDSCAPS_VISIBLE | DDSCAPS_FRONTBUFFER | DDSCAPS_VIDEOMEMORY);
        if (backBuffers == 1) {
            auto* back = new Surface(Surface::Role::BackBuffer, displayWidth, displayHeight,
                                     DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX |
                                         DDSCAPS_VIDEOMEMORY);
            front->AttachBackBuffer(back);
        }
        SetPrimarySurface(front);
        *out = front;
        return DD_OK;
    }

    HRESULT CreateOffScreen(const DDSURFACEDESC& desc, DWORD caps, LPDIRECTDRAWSURFACE* out) {
        if ((desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT)) {
            return DDERR_INVALIDPARAMS;
        }
        if (desc.dwWidth == 0 || desc.dwHeight == 0 || desc.dwWidth > kLargestSurfaceSide ||
            desc.dwHeight > kLargestSurfaceSide) {
            return DDERR_INVALIDPARAMS;
        }
        if (caps & (DDSCAPS_FLIP | DDSCAPS_BACKBUFFER | DDSCAPS_COMPLEX)) {
            return DDERR_INVALIDPARAMS;
        }
        const std::size_t bytes =
            static_cast<std::size_t>((desc.dwWidth + 3) & ~3u) * desc.dwHeight;
        if (bytes > kLargestSurfaceBytes ||
            ((caps & DDSCAPS_VIDEOMEMORY) && SurfaceBytesInUse() + bytes > kVideoMemoryBytes)) {
            return DDERR_OUTOFMEMORY;
        }
        if (!(caps & DDSCAPS_SYSTEMMEMORY)) {
            caps |= DDSCAPS_VIDEOMEMORY;
        }
        auto* surface = new Surface(Surface::Role::OffScreen, static_cast<int>(desc.dwWidth),
                                    static_cast<int>(desc.dwHeight), caps | DDSCAPS_OFFSCREENPLAIN);
        if (desc.dwFlags & DDSD_CKSRCBLT) {
            DDCOLORKEY key = desc.ddckCKSrcBlt;
            surface->SetColorKey(DDCKEY_SRCBLT | DDCKEY_COLORSPACE, &key);
        }
        *out = surface;
        return DD_OK;
    }

    std::atomic<ULONG> references{1};
    bool cooperativeLevelSet = false;
    int displayWidth = kScreenWidth;
    int displayHeight = kScreenHeight;
};

} // namespace
} // namespace platform::video

HRESULT WINAPI DirectDrawCreate(GUID* driver, LPDIRECTDRAW* directDraw, IUnknown* outer) {
    if (directDraw == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *directDraw = nullptr;
    if (const auto fault = platform::TakeFault("DirectDrawCreate")) {
        return static_cast<HRESULT>(*fault);
    }
    if (outer != nullptr) {
        return DDERR_INVALIDPARAMS; // no aggregation
    }
    if (driver != nullptr) {
        return DDERR_INVALIDPARAMS; // only the active display driver exists
    }
    *directDraw = new platform::video::DirectDraw();
    return DD_OK;
}
