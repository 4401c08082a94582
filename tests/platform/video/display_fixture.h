// Test helpers for the video and GDI layers: a backend that keeps the last
// presented frame, and the display the game sets up (full-screen 640 x 480
// x 8, a primary with one back buffer, a palette on the primary).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/faults.h"
#include "platform/video.h"
#include "support/test_backend.h"
#include "winapi.h"

class CaptureBackend : public TestBackend {
public:
    void Present(const std::uint8_t* indices, int w, int h, int pitch,
                 const platform::PaletteColour* colours) override {
        ++presents;
        width = w;
        frame.resize(static_cast<std::size_t>(w) * h);
        for (int y = 0; y < h; ++y) {
            std::copy_n(indices + y * pitch, w, frame.begin() + y * w);
        }
        palette.assign(colours, colours + 256);
    }
    std::uint8_t At(int x, int y) const { return frame.at(std::size_t(y) * width + x); }

    int presents = 0, width = 0;
    std::vector<std::uint8_t> frame;
    std::vector<platform::PaletteColour> palette;
};

// A palette whose entry i is (i, 255 - i, i / 2): every entry a distinct colour.
inline std::array<PALETTEENTRY, 256> RampEntries() {
    std::array<PALETTEENTRY, 256> entries{};
    for (int i = 0; i < 256; ++i) {
        entries[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
    }
    return entries;
}

// The game's display, made with the calls and arguments the game uses.
struct GameDisplay {
    explicit GameDisplay(std::array<PALETTEENTRY, 256> entries = RampEntries()) {
        EXPECT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
        EXPECT_EQ(directDraw->SetCooperativeLevel(reinterpret_cast<HWND>(0x1234), 0x13), DD_OK);
        EXPECT_EQ(directDraw->SetDisplayMode(640, 480, 8), DD_OK);
        DDSURFACEDESC desc{};
        desc.dwSize = 108;
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        EXPECT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DD_OK);
        DDSCAPS caps{DDSCAPS_BACKBUFFER};
        EXPECT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
        EXPECT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT, entries.data(), &palette, nullptr),
                  DD_OK);
        EXPECT_EQ(primary->SetPalette(palette), DD_OK);
    }
    ~GameDisplay() {
        for (IUnknown* object : std::initializer_list<IUnknown*>{back, primary, palette}) {
            object->Release();
        }
        directDraw->Release();
    }
    GameDisplay(const GameDisplay&) = delete;
    GameDisplay& operator=(const GameDisplay&) = delete;

    // An off-screen surface as the artwork loader makes it.
    IDirectDrawSurface* OffScreen(int width, int height) const {
        DDSURFACEDESC desc{};
        desc.dwSize = 108;
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
        desc.dwWidth = DWORD(width);
        desc.dwHeight = DWORD(height);
        IDirectDrawSurface* surface = nullptr;
        EXPECT_EQ(directDraw->CreateSurface(&desc, &surface, nullptr), DD_OK);
        return surface;
    }

    IDirectDraw* directDraw = nullptr;
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawSurface* back = nullptr;
    IDirectDrawPalette* palette = nullptr;
};

inline void FillSurface(IDirectDrawSurface* surface, BYTE index) {
    DDBLTFX fx{};
    fx.dwSize = 100;
    fx.dwFillColor = index;
    ASSERT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
}

// The index expected at (x, y) of a surface.
struct Probe {
    int x, y, index;
};

inline void ExpectPixels(IDirectDrawSurface* surface, std::initializer_list<Probe> probes) {
    const platform::SurfacePixels pixels = platform::PixelsOf(surface);
    for (const Probe& p : probes) {
        EXPECT_EQ(pixels.At(p.x, p.y), p.index) << "at " << p.x << "," << p.y;
    }
}
