#include "gfx/graphics_device.h"

#include <cstring>

#include "gfx/gfx_messages.h"

GraphicsDevice::GraphicsDevice()
    : directDraw(nullptr), primarySurface(nullptr), backSurface(nullptr), bitmapSurfaces{},
      palette(nullptr), paletteEntries{}, bitmapNames{}, bitmapHandles{}, penX(0),
      penY(0), bitmapInfo{} {}

int GraphicsDevice::InitDirectDraw(int width, int height, int bitsPerPixel) {
    if (DirectDrawCreate(nullptr, &directDraw, nullptr) != DD_OK) {
        ReportError(MSG_DIRECTDRAW_CREATE_FAILED);
        return 0;
    }
    if (directDraw->SetCooperativeLevel(window, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT |
                                                    DDSCL_EXCLUSIVE) != DD_OK) {
        ReportError(MSG_SET_COOPERATIVE_LEVEL_FAILED);
        return 0;
    }
    if (directDraw->SetDisplayMode(width, height, bitsPerPixel) != DD_OK) {
        ReportError(MSG_SET_DISPLAY_MODE_FAILED);
        return 0;
    }

    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    if (directDraw->CreateSurface(&desc, &primarySurface, nullptr) != DD_OK) {
        ReportError(MSG_CREATE_SURFACE_FAILED);
        return 0;
    }
    DDSCAPS backCaps;
    backCaps.dwCaps = DDSCAPS_BACKBUFFER;
    if (primarySurface->GetAttachedSurface(&backCaps, &backSurface) != DD_OK) {
        ReportError(MSG_GET_ATTACHED_SURFACE_FAILED);
        return 0;
    }

    // The palette goes on the screen before the artwork is copied, so every
    // artwork pixel lands as its own index.
    palette = Zeb_LoadPalette(bitmapNames[0]);
    if (palette != nullptr) {
        primarySurface->SetPalette(palette);
    }
    for (int i = 0; i < BitmapCount; ++i) {
        bitmapSurfaces[i] = Zeb_LoadBitmap(bitmapNames[i], &bitmapHandles[i], 0, 0);
        if (bitmapSurfaces[i] == nullptr) {
            ReportError(MSG_LOAD_BITMAP_FAILED);
            return 0;
        }
    }
    SetArtworkColourKeys();
    GetObjectA(bitmapHandles[0], sizeof(BITMAP), &bitmapInfo);
    SendMessageA(window, UM_GRAPHICS_READY, 0, 0);
    return 1;
}

void GraphicsDevice::ReleaseDirectDraw() {
    for (int i = BitmapCount - 1; i >= 0; --i) {
        if (bitmapSurfaces[i] != nullptr) {
            bitmapSurfaces[i]->Release();
        }
    }
    if (backSurface != nullptr) {
        backSurface->Release();
    }
    if (primarySurface != nullptr) {
        primarySurface->Release();
    }
    if (palette != nullptr) {
        palette->Release();
    }
    if (directDraw != nullptr) {
        directDraw->Release();
    }
    for (int i = BitmapCount - 1; i >= 0; --i) {
        if (bitmapHandles[i] != nullptr) {
            DeleteObject(bitmapHandles[i]);
        }
    }
}

int GraphicsDevice::RestoreSurfaces() {
    const HRESULT primaryRestored = primarySurface->Restore();
    if (primaryRestored == DD_OK) {
        for (int i = 0; i < BitmapCount; ++i) {
            if (bitmapSurfaces[i]->Restore() == DD_OK) {
                Zeb_ReloadBitmap(bitmapSurfaces[i], bitmapNames[i]);
            }
        }
    }
    SetArtworkColourKeys();

    if (palette != nullptr) { // a start without a palette leaves none to release
        palette->Release();
    }
    palette = Zeb_LoadPalette(bitmapNames[0]);
    if (palette == nullptr) {
        return 1;
    }
    return primarySurface->SetPalette(palette);
}

void GraphicsDevice::SetArtworkColourKeys() {
    DDCOLORKEY key;
    key.dwColorSpaceLowValue = TRANSPARENT_INDEX;
    key.dwColorSpaceHighValue = TRANSPARENT_INDEX;
    for (IDirectDrawSurface* surface : bitmapSurfaces) {
        if (surface != nullptr) {
            surface->SetColorKey(DDCKEY_SRCBLT, &key);
        }
    }
}
