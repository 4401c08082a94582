// The per-frame costs of the video layer: the keyed background blit, the
// copy of the back buffer to the screen (with a backend that shows nothing),
// and the title's font churn with a line of text.
#include <benchmark/benchmark.h>

#include <array>

#include "platform/video.h"
#include "support/test_backend.h"
#include "winapi.h"

namespace {

class NullScreen final : public TestBackend {
public:
    void Present(const std::uint8_t* indices, int, int, int,
                 const platform::PaletteColour*) override {
        benchmark::DoNotOptimize(indices);
    }
};

// The game's display: 640 x 480 x 8 with a back buffer and a palette, and a
// 640 x 1440 artwork surface with colour key 255.
struct Display {
    IDirectDraw* directDraw = nullptr;
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawSurface* back = nullptr;
    IDirectDrawSurface* artwork = nullptr;
    IDirectDrawPalette* palette = nullptr;

    Display() {
        DirectDrawCreate(nullptr, &directDraw, nullptr);
        directDraw->SetCooperativeLevel(reinterpret_cast<HWND>(1), 0x13);
        directDraw->SetDisplayMode(640, 480, 8);
        DDSURFACEDESC desc{};
        desc.dwSize = 108;
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
        desc.ddsCaps.dwCaps = 0x218;
        directDraw->CreateSurface(&desc, &primary, nullptr);
        DDSCAPS caps{DDSCAPS_BACKBUFFER};
        primary->GetAttachedSurface(&caps, &back);
        std::array<PALETTEENTRY, 256> entries{};
        for (int i = 0; i < 256; ++i) {
            entries[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(i * 3),
                                      static_cast<BYTE>(i * 7), 0};
        }
        directDraw->CreatePalette(DDPCAPS_8BIT, entries.data(), &palette, nullptr);
        primary->SetPalette(palette);
        desc = DDSURFACEDESC{};
        desc.dwSize = 108;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.ddsCaps.dwCaps = 0x4040;
        desc.dwWidth = 640;
        desc.dwHeight = 1440;
        directDraw->CreateSurface(&desc, &artwork, nullptr);
        const platform::SurfacePixels pixels = platform::PixelsOf(artwork);
        for (int y = 0; y < 1440; ++y) {
            for (int x = 0; x < 640; ++x) {
                // A background with transparent holes, as the artwork has.
                pixels.At(x, y) = ((x * 7 + y * 13) % 31 == 0) ? 255 : (x + y) % 200;
            }
        }
        DDCOLORKEY key{255, 255};
        artwork->SetColorKey(DDCKEY_SRCBLT, &key);
    }

    ~Display() {
        artwork->Release();
        back->Release();
        primary->Release();
        palette->Release();
        directDraw->Release();
    }
};

void BM_KeyedBackgroundBlit(benchmark::State& state) {
    NullScreen screen;
    Display display;
    RECT src{0, 480, 640, 960};
    RECT dest{0, 0, 640, 480};
    for (auto _ : state) {
        display.back->Blt(&dest, display.artwork, &src, DDBLT_KEYSRC | DDBLT_WAIT, nullptr);
    }
}
BENCHMARK(BM_KeyedBackgroundBlit);

void BM_BltFastToPrimary(benchmark::State& state) {
    NullScreen screen;
    Display display;
    RECT whole{0, 0, 640, 480};
    for (auto _ : state) {
        display.primary->BltFast(0, 0, display.back, &whole, DDBLTFAST_WAIT);
    }
}
BENCHMARK(BM_BltFastToPrimary);

// As the title draws: a 30-pixel bold font made, selected, used for one line
// and deleted again, every frame.
void BM_FontCreateTextOutDelete(benchmark::State& state) {
    NullScreen screen;
    Display display;
    const char* gothic = "\x82\x6C\x82\x72\x81\x40\x83\x53\x83\x56\x83\x62\x83\x4E";
    for (auto _ : state) {
        HDC dc = nullptr;
        display.back->GetDC(&dc);
        HFONT font = CreateFontA(30, 0, 0, 0, 700, 0, 0, 0, SHIFTJIS_CHARSET, OUT_TT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DRAFT_QUALITY, 0x12, gothic);
        HGDIOBJ old = SelectObject(dc, font);
        SetTextAlign(dc, TA_CENTER);
        SetTextColor(dc, 0xC85000);
        SetBkMode(dc, TRANSPARENT);
        TextOutA(dc, 320, 340, "PRESS ENTER SPACE KEY", 21);
        SelectObject(dc, old);
        display.back->ReleaseDC(dc);
        DeleteObject(font);
    }
}
BENCHMARK(BM_FontCreateTextOutDelete);

// The frame-rate line every frame draws with the context's default font.
void BM_FrameRateText(benchmark::State& state) {
    NullScreen screen;
    Display display;
    for (auto _ : state) {
        HDC dc = nullptr;
        display.back->GetDC(&dc);
        SetTextColor(dc, 0);
        SetBkColor(dc, 0xFFFFFF);
        SetBkMode(dc, OPAQUE);
        TextOutA(dc, 50, 20, "60FPS", 5);
        display.back->ReleaseDC(dc);
    }
}
BENCHMARK(BM_FrameRateText);

} // namespace

BENCHMARK_MAIN();
