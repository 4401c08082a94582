// DirectDraw: the display mode, 8-bit surfaces, palettes, blits and colour
// keys, with the first-generation interfaces IDirectDraw, IDirectDrawSurface
// and IDirectDrawPalette, plus IDirectDraw2 for the video-memory figures.
#pragma once

#include "winapi/base.h"
#include "winapi/gdi.h"
#include "winapi/types.h"

// ---------------------------------------------------------------------------
// Result codes.
// ---------------------------------------------------------------------------

#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, 0x876, code)

inline constexpr HRESULT DD_OK = S_OK;
inline constexpr HRESULT DD_FALSE = S_FALSE;
inline constexpr HRESULT DDERR_GENERIC = E_FAIL;
inline constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;
inline constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
inline constexpr HRESULT DDERR_UNSUPPORTED = E_NOTIMPL;
inline constexpr HRESULT DDERR_INVALIDMODE = MAKE_DDHRESULT(120);
inline constexpr HRESULT DDERR_INVALIDOBJECT = MAKE_DDHRESULT(130);
inline constexpr HRESULT DDERR_INVALIDPIXELFORMAT = MAKE_DDHRESULT(145);
inline constexpr HRESULT DDERR_INVALIDRECT = MAKE_DDHRESULT(150);
inline constexpr HRESULT DDERR_NOCOOPERATIVELEVELSET = MAKE_DDHRESULT(212);
inline constexpr HRESULT DDERR_NOCOLORKEY = MAKE_DDHRESULT(215);
inline constexpr HRESULT DDERR_NOTFOUND = MAKE_DDHRESULT(255);
inline constexpr HRESULT DDERR_SURFACEBUSY = MAKE_DDHRESULT(430);
inline constexpr HRESULT DDERR_SURFACELOST = MAKE_DDHRESULT(450);
inline constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = MAKE_DDHRESULT(564);
inline constexpr HRESULT DDERR_CANTCREATEDC = MAKE_DDHRESULT(589);
inline constexpr HRESULT DDERR_NODC = MAKE_DDHRESULT(602);
inline constexpr HRESULT DDERR_DCALREADYCREATED = MAKE_DDHRESULT(620);
static_assert(DDERR_SURFACELOST == static_cast<HRESULT>(0x887601C2));

// ---------------------------------------------------------------------------
// Flags.
// ---------------------------------------------------------------------------

// SetCooperativeLevel.
inline constexpr DWORD DDSCL_FULLSCREEN = 0x00000001;
inline constexpr DWORD DDSCL_ALLOWREBOOT = 0x00000002;
inline constexpr DWORD DDSCL_NOWINDOWCHANGES = 0x00000004;
inline constexpr DWORD DDSCL_NORMAL = 0x00000008;
inline constexpr DWORD DDSCL_EXCLUSIVE = 0x00000010;

// DDSURFACEDESC::dwFlags.
inline constexpr DWORD DDSD_CAPS = 0x00000001;
inline constexpr DWORD DDSD_HEIGHT = 0x00000002;
inline constexpr DWORD DDSD_WIDTH = 0x00000004;
inline constexpr DWORD DDSD_PITCH = 0x00000008;
inline constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x00000020;
inline constexpr DWORD DDSD_LPSURFACE = 0x00000800;
inline constexpr DWORD DDSD_PIXELFORMAT = 0x00001000;
inline constexpr DWORD DDSD_CKSRCBLT = 0x00010000;

// DDSCAPS::dwCaps.
inline constexpr DWORD DDSCAPS_BACKBUFFER = 0x00000004;
inline constexpr DWORD DDSCAPS_COMPLEX = 0x00000008;
inline constexpr DWORD DDSCAPS_FLIP = 0x00000010;
inline constexpr DWORD DDSCAPS_FRONTBUFFER = 0x00000020;
inline constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x00000040;
inline constexpr DWORD DDSCAPS_PALETTE = 0x00000100;
inline constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x00000200;
inline constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x00000800;
inline constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x00004000;
inline constexpr DWORD DDSCAPS_VISIBLE = 0x00008000;

// DDPIXELFORMAT::dwFlags.
inline constexpr DWORD DDPF_PALETTEINDEXED8 = 0x00000020;
inline constexpr DWORD DDPF_RGB = 0x00000040;

// Blt.
inline constexpr DWORD DDBLT_COLORFILL = 0x00000400;
inline constexpr DWORD DDBLT_DDFX = 0x00000800;
inline constexpr DWORD DDBLT_KEYDEST = 0x00002000;
inline constexpr DWORD DDBLT_KEYDESTOVERRIDE = 0x00004000;
inline constexpr DWORD DDBLT_KEYSRC = 0x00008000;
inline constexpr DWORD DDBLT_KEYSRCOVERRIDE = 0x00010000;
inline constexpr DWORD DDBLT_WAIT = 0x01000000;

// BltFast.
inline constexpr DWORD DDBLTFAST_NOCOLORKEY = 0x00000000;
inline constexpr DWORD DDBLTFAST_SRCCOLORKEY = 0x00000001;
inline constexpr DWORD DDBLTFAST_DESTCOLORKEY = 0x00000002;
inline constexpr DWORD DDBLTFAST_WAIT = 0x00000010;

// SetColorKey.
inline constexpr DWORD DDCKEY_COLORSPACE = 0x00000001;
inline constexpr DWORD DDCKEY_DESTBLT = 0x00000002;
inline constexpr DWORD DDCKEY_SRCBLT = 0x00000008;

// CreatePalette.
inline constexpr DWORD DDPCAPS_8BIT = 0x00000004;
inline constexpr DWORD DDPCAPS_PRIMARYSURFACE = 0x00000010;
inline constexpr DWORD DDPCAPS_ALLOW256 = 0x00000040;

// ---------------------------------------------------------------------------
// Structures. The size fields the game fills in are the 32-bit SDK sizes
// (108 for DDSURFACEDESC, 100 for DDBLTFX); the layer accepts those as well
// as sizeof of the structures here, which hold 64-bit pointers.
// ---------------------------------------------------------------------------

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
};
using LPDDCOLORKEY = DDCOLORKEY*;

struct DDSCAPS {
    DWORD dwCaps;
};
using LPDDSCAPS = DDSCAPS*;

struct DDPIXELFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    union {
        DWORD dwRGBBitCount;
        DWORD dwYUVBitCount;
    };
    union {
        DWORD dwRBitMask;
        DWORD dwYBitMask;
    };
    union {
        DWORD dwGBitMask;
        DWORD dwUBitMask;
    };
    union {
        DWORD dwBBitMask;
        DWORD dwVBitMask;
    };
    union {
        DWORD dwRGBAlphaBitMask;
        DWORD dwYUVAlphaBitMask;
    };
};
using LPDDPIXELFORMAT = DDPIXELFORMAT*;

struct DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    union {
        LONG lPitch;
        DWORD dwLinearSize;
    };
    DWORD dwBackBufferCount;
    union {
        DWORD dwMipMapCount;
        DWORD dwZBufferBitDepth;
        DWORD dwRefreshRate;
    };
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
};
using LPDDSURFACEDESC = DDSURFACEDESC*;
inline constexpr DWORD DDSURFACEDESC_SIZE_32BIT = 108;

struct IDirectDrawSurface;

struct DDBLTFX {
    DWORD dwSize;
    DWORD dwDDFX;
    DWORD dwROP;
    DWORD dwDDROP;
    DWORD dwRotationAngle;
    DWORD dwZBufferOpCode;
    DWORD dwZBufferLow;
    DWORD dwZBufferHigh;
    DWORD dwZBufferBaseDest;
    DWORD dwZDestConstBitDepth;
    union {
        DWORD dwZDestConst;
        IDirectDrawSurface* lpDDSZBufferDest;
    };
    DWORD dwZSrcConstBitDepth;
    union {
        DWORD dwZSrcConst;
        IDirectDrawSurface* lpDDSZBufferSrc;
    };
    DWORD dwAlphaEdgeBlendBitDepth;
    DWORD dwAlphaEdgeBlend;
    DWORD dwReserved;
    DWORD dwAlphaDestConstBitDepth;
    union {
        DWORD dwAlphaDestConst;
        IDirectDrawSurface* lpDDSAlphaDest;
    };
    DWORD dwAlphaSrcConstBitDepth;
    union {
        DWORD dwAlphaSrcConst;
        IDirectDrawSurface* lpDDSAlphaSrc;
    };
    union {
        DWORD dwFillColor;
        DWORD dwFillDepth;
        DWORD dwFillPixel;
        IDirectDrawSurface* lpDDSPattern;
    };
    DDCOLORKEY ddckDestColorkey;
    DDCOLORKEY ddckSrcColorkey;
};
using LPDDBLTFX = DDBLTFX*;
inline constexpr DWORD DDBLTFX_SIZE_32BIT = 100;

// ---------------------------------------------------------------------------
// Interface identifiers.
// ---------------------------------------------------------------------------

DEFINE_GUID(IID_IDirectDraw, 0x6C14DB80, 0xA733, 0x11CE, 0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5,
            0x60);
DEFINE_GUID(IID_IDirectDrawSurface, 0x6C14DB81, 0xA733, 0x11CE, 0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B,
            0xE5, 0x60);
DEFINE_GUID(IID_IDirectDrawPalette, 0x6C14DB84, 0xA733, 0x11CE, 0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B,
            0xE5, 0x60);
DEFINE_GUID(IID_IDirectDraw2, 0xB3A6F3E0, 0x2B43, 0x11CF, 0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33,
            0x56);

// ---------------------------------------------------------------------------
// Interfaces: the methods the game calls, with the SDK's signatures.
// ---------------------------------------------------------------------------

struct IDirectDrawPalette;
using LPDIRECTDRAWSURFACE = IDirectDrawSurface*;
using LPDIRECTDRAWPALETTE = IDirectDrawPalette*;

struct IDirectDrawPalette : IUnknown {
    // Changes the colours; on the primary's palette the screen changes at once.
    STDMETHOD(SetEntries)(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries) PURE;

protected:
    ~IDirectDrawPalette() = default;
};

struct IDirectDrawSurface : IUnknown {
    STDMETHOD(Blt)
    (LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
     LPDDBLTFX fx) PURE;
    STDMETHOD(BltFast)
    (DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD trans) PURE;
    STDMETHOD(GetAttachedSurface)(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* attached) PURE;
    STDMETHOD(GetDC)(HDC* dc) PURE;
    STDMETHOD(GetSurfaceDesc)(LPDDSURFACEDESC desc) PURE;
    STDMETHOD(IsLost)() PURE;
    STDMETHOD(ReleaseDC)(HDC dc) PURE;
    STDMETHOD(Restore)() PURE;
    STDMETHOD(SetColorKey)(DWORD flags, LPDDCOLORKEY key) PURE;
    STDMETHOD(SetPalette)(LPDIRECTDRAWPALETTE palette) PURE;

protected:
    ~IDirectDrawSurface() = default;
};

struct IDirectDraw : IUnknown {
    STDMETHOD(CreatePalette)
    (DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette, IUnknown* outer) PURE;
    STDMETHOD(CreateSurface)
    (LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface, IUnknown* outer) PURE;
    STDMETHOD(SetCooperativeLevel)(HWND window, DWORD flags) PURE;
    STDMETHOD(SetDisplayMode)(DWORD width, DWORD height, DWORD bitsPerPixel) PURE;

protected:
    ~IDirectDraw() = default;
};
using LPDIRECTDRAW = IDirectDraw*;

struct IDirectDraw2 : IUnknown {
    // Total and free bytes of the (simulated) video memory for surfaces of
    // these capabilities.
    STDMETHOD(GetAvailableVidMem)(LPDDSCAPS caps, LPDWORD total, LPDWORD free) PURE;

protected:
    ~IDirectDraw2() = default;
};
using LPDIRECTDRAW2 = IDirectDraw2*;

HRESULT WINAPI DirectDrawCreate(GUID* driver, LPDIRECTDRAW* directDraw, IUnknown* outer);
