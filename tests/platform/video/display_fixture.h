// Test helpers for the video and GDI layers: a backend that keeps every
// presented frame, and the display set-up the game makes (full-screen 640 x
// 480 x 8, a primary with one back buffer, a palette on the primary).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/backend.h"
#include "platform/faults.h"
#include "platform/video.h"
#include "winapi.h"

class CaptureBackend final : public platform::Backend {
public:
    CaptureBackend() { platform::InstallBackend(this); }
    ~CaptureBackend() override { platform::InstallBackend(nullptr); }
    CaptureBackend(const CaptureBackend&) = delete;
    CaptureBackend& operator=(const CaptureBackend&) = delete;

    std::uint32_t NowMilliseconds() override { return 0; }

    void Present(const std::uint8_t* indices, int w, int h, int pitch,
                 const platform::PaletteColour* colours) override {
        ++presents;
        width = w;
        height = h;
        frame.resize(static_cast<std::size_t>(w) * h);
        for (int y = 0; y < h; ++y) {
            std::copy_n(indices + y * pitch, w, frame.begin() + y * w);
        }
        palette.assign(colours, colours + 256);
    }

    std::uint8_t At(int x, int y) const {
        return frame.at(static_cast<std::size_t>(y) * width + x);
    }

    int presents = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> frame;
    std::vector<platform::PaletteColour> palette;
};

// A palette whose entry i is (i, 255 - i, i / 2), so that every entry is a
// distinct colour.
inline std::array<PALETTEENTRY, 256> RampEntries() {
    std::array<PALETTEENTRY, 256> entries{};
    for (int i = 0; i < 256; ++i) {
        entries[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(255 - i),
                                  static_cast<BYTE>(i / 2), 0};
    }
    return entries;
}

inline HWND FakeWindow() {
    return reinterpret_cast<HWND>(std::uintptr_t{0x1234});
}

// The game's display, made with the calls and arguments the game uses.
struct GameDisplay {
    IDirectDraw* directDraw = nullptr;
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawSurface* back = nullptr;
    IDirectDrawPalette* palette = nullptr;

    explicit GameDisplay(const std::array<PALETTEENTRY, 256>& entries = RampEntries()) {
        EXPECT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
        EXPECT_EQ(directDraw->SetCooperativeLevel(
                      FakeWindow(), DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE),
                  DD_OK);
        EXPECT_EQ(directDraw->SetDisplayMode(640, 480, 8), DD_OK);
        DDSURFACEDESC desc{};
        desc.dwSize = 108;
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        EXPECT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DD_OK);
        DDSCAPS caps{DDSCAPS_BACKBUFFER};
        EXPECT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
        std::array<PALETTEENTRY, 256> copy = entries;
        EXPECT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT, copy.data(), &palette, nullptr), DD_OK);
        EXPECT_EQ(primary->SetPalette(palette), DD_OK);
    }

    ~GameDisplay() {
        if (back)
            back->Release();
        if (primary)
            primary->Release();
        if (palette)
            palette->Release();
        if (directDraw)
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
        desc.dwWidth = static_cast<DWORD>(width);
        desc.dwHeight = static_cast<DWORD>(height);
        IDirectDrawSurface* surface = nullptr;
        EXPECT_EQ(directDraw->CreateSurface(&desc, &surface, nullptr), DD_OK);
        return surface;
    }
};

// Reads and writes a surface's pixels.
class Pixels {
public:
    explicit Pixels(IDirectDrawSurface* surface) : view(platform::PixelsOf(surface)) {
        EXPECT_NE(view.bits, nullptr);
    }

    std::uint8_t& operator()(int x, int y) { return view.At(x, y); }
    int Width() const { return view.width; }
    int Height() const { return view.height; }

private:
    platform::SurfacePixels view;
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
    Pixels p(surface);
    for (const Probe& probe : probes) {
        EXPECT_EQ(p(probe.x, probe.y), probe.index) << "at " << probe.x << "," << probe.y;
    }
}
