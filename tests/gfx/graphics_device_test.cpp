// The graphics device: the artwork and its palette as it loads them at
// start-up and reloads them after the display was lost, the messages of the
// loaders, and the game's frame when the restore fails.
#include <array>
#include <regex>

#include "app/game_app.h"
#include "gfx/palette_fade.h"
#include "platform/gdi/bitmap_support.h"
#include "platform/lifetimes.h"
#include "platform/resources.h"
#include "platform/video/display_fixture.h"
#include "support/popup_window.h"

namespace {

const LPCSTR ART = MAKEINTRESOURCEA(109), OTHER = MAKEINTRESOURCEA(120);

// An artwork of the game's size: indices 10 to 245 with the transparent 255
// on a diagonal, and the ramp of distinct colours as its table.
BYTE ArtworkIndex(int x, int y) {
    return x == y % 640 ? 255 : static_cast<BYTE>(10 + (x + 3 * y) % 236);
}

// A 4 x 2 bitmap with a colour table that neither the ramp nor the default
// palette share: entry i is red i, green 255 - i, blue 3i, reserved byte 9.
Bytes Dib(int bitCount, int colours, DWORD clrUsed) {
    std::vector<RGBQUAD> table;
    for (int i = 0; i < colours; ++i) {
        table.push_back(RGBQUAD{BYTE(3 * i), BYTE(255 - i), BYTE(i), 9});
    }
    return PackedDib(
        4, 2, bitCount, table, [](int x, int) { return x; }, clrUsed);
}

// The same DIB with a 124-byte header, its colour table 124 bytes in.
Bytes WithLongHeader(Bytes dib) {
    dib.insert(dib.begin() + 40, 84, 0);
    dib[0] = 124;
    return dib;
}

class Artwork : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetProcessState();
        const Bytes dib = PackedDib(640, 1440, 8, TableOf(RampEntries()), ArtworkIndex, 256);
        platform::RegisterResource(RT_BITMAP, 109, dib.data(), dib.size());
        app.window = MakePopupWindow("Artwork Test", 640, 480);
        ASSERT_NE(app.window, nullptr);
        app.bitmapNames[0] = ART;
        gdiBefore = platform::GdiObjects();
        ASSERT_EQ(app.InitDirectDraw(640, 480, 8), 1);
        shownBefore = backend.Boxes().size();
    }
    void TearDown() override {
        app.ReleaseDirectDraw();
        EXPECT_EQ(platform::LiveObjects(), 0);
        EXPECT_EQ(platform::GdiObjects(), gdiBefore) << "bitmaps and contexts deleted";
        platform::ClearResources();
        platform::ResetProcessState();
    }

    // Message boxes shown since the last call.
    std::vector<std::string> Shown() {
        const std::vector<std::string> all = backend.Boxes();
        std::vector<std::string> recent(all.begin() + static_cast<long>(shownBefore), all.end());
        shownBefore = all.size();
        return recent;
    }

    // The artwork surface shows the artwork, index for index.
    void ExpectArtwork(IDirectDrawSurface* surface) {
        const platform::SurfacePixels pixels = platform::PixelsOf(surface);
        ASSERT_EQ(pixels.width * pixels.height, 640 * 1440);
        for (int y = 0; y < 1440; ++y) {
            for (int x = 0; x < 640; ++x) {
                ASSERT_EQ(pixels.At(x, y), ArtworkIndex(x, y)) << x << "," << y;
            }
        }
    }

    CaptureBackend backend;
    GameApp app;
    std::size_t shownBefore = 0;
    int gdiBefore = 0;
};

TEST_F(Artwork, PaletteTakesTheColoursItsHeaderAnnouncesAndTheDefaultCubeForTheRest) {
    struct Case {
        const char* what;
        Bytes bytes = {}; // a resource, or a file when `file`; none: `name` names nothing
        bool file = false;
        int taken = 0; // entries taken from the colour table
        const char* fault = nullptr;
        std::vector<std::string> shown = {};
    };
    const Case cases[] = {
        {.what = "resource, 256 used", .bytes = Dib(8, 256, 256), .taken = 256},
        {.what = "resource, 4 bits, none used", .bytes = Dib(4, 16, 0), .taken = 16},
        {.what = "resource, 24 bits", .bytes = Dib(24, 0, 0)},
        {.what = "resource, long header", .bytes = WithLongHeader(Dib(8, 256, 0)), .taken = 256},
        {.what = "file, none used", .bytes = BmpFile(Dib(8, 256, 0)), .file = true, .taken = 256},
        {.what = "file, 4 bits", .bytes = BmpFile(Dib(4, 16, 0)), .file = true, .taken = 16},
        {.what = "file, long header", .bytes = BmpFile(WithLongHeader(Dib(8, 256, 0))), .file = 1},
        {.what = "no name"},
        {.what = "resource not lockable",
         .bytes = Dib(8, 256, 256),
         .fault = "LockResource",
         .shown = {"lock resourceが失敗しました"}},
    };
    // The 3-3-2 colour cube: red from bits 5 to 7, green 2 to 4, blue 0 and 1.
    const std::pair<int, PALETTEENTRY> cube[] = {{1, {0, 0, 85, 0}},
                                                 {15, {0, 109, 255, 0}},
                                                 {16, {0, 145, 0, 0}},
                                                 {146, {145, 145, 170, 0}},
                                                 {255, {255, 255, 255, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFile file(c.file ? c.bytes : Bytes{});
        LPCSTR name = nullptr;
        if (c.file) {
            name = file.path.c_str();
        } else if (!c.bytes.empty()) {
            platform::RegisterResource(RT_BITMAP, OTHER, c.bytes.data(), c.bytes.size());
            name = OTHER;
        }
        if (c.fault != nullptr) {
            platform::InjectFault(c.fault, 0, 1);
        }
        IDirectDrawPalette* made = app.Zeb_LoadPalette(name);
        ASSERT_NE(made, nullptr);
        made->Release();
        EXPECT_EQ(Shown(), c.shown);

        for (const auto& [i, defaultColour] : cube) {
            PALETTEENTRY expected = defaultColour;
            if (i < c.taken) {
                expected = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i),
                            static_cast<BYTE>(3 * i), static_cast<BYTE>(c.file ? 9 : 0)};
            } else if (const std::size_t at = 14 + 40 + 4 * static_cast<std::size_t>(i);
                       c.file && at + 4 <= c.bytes.size()) { // the file's bytes as they were read
                expected = {c.bytes[at], c.bytes[at + 1], c.bytes[at + 2], c.bytes[at + 3]};
            }
            EXPECT_EQ(std::memcmp(&app.paletteEntries[i], &expected, 4), 0) << "entry " << i;
        }
        platform::ClearResources();
    }
}

TEST_F(Artwork, ReloadAndLoadFailuresShowTheirMessagesAndKeepNoSurface) {
    const char* const copyFailed = "copybitmapが失敗しました";
    struct Case {
        const char* fault;
        LPCSTR name;
        HRESULT result;
        std::vector<std::string> shown;
    };
    const Case reloads[] = {
        {nullptr, OTHER, E_FAIL, {"bitmapハンドルがnullです"}},
        {"CreateCompatibleDC", ART, E_FAIL, {"createcompatible dcが失敗しました", copyFailed}},
        {"IDirectDrawSurface::GetDC", ART, E_FAIL, {"get dcが失敗しました", copyFailed}},
        {nullptr, ART, DD_OK, {}},
    };
    IDirectDrawSurface* artwork = app.bitmapSurfaces[0];
    for (const Case& c : reloads) {
        SCOPED_TRACE(c.shown.empty() ? "reloaded" : c.shown[0]);
        FillSurface(artwork, 0);
        if (c.fault != nullptr) {
            platform::InjectFault(c.fault, DDERR_GENERIC, 1);
        }
        EXPECT_EQ(app.Zeb_ReloadBitmap(artwork, c.name), c.result);
        EXPECT_EQ(Shown(), c.shown);
    }
    ExpectArtwork(artwork);
    EXPECT_EQ(app.Zeb_CopyBitmap(artwork, nullptr, 0, 0, 0, 0), E_FAIL);
    EXPECT_EQ(app.Zeb_CopyBitmap(nullptr, app.bitmapHandles[0], 0, 0, 0, 0), E_FAIL);

    // A failed copy releases the new surface but leaves the image with the
    // caller; a name that is no resource is read as a file.
    const int surfaces = platform::LiveObjects("IDirectDrawSurface");
    HBITMAP image = nullptr;
    platform::InjectFault("IDirectDrawSurface::GetDC", DDERR_GENERIC, 1);
    EXPECT_EQ(app.Zeb_LoadBitmap(ART, &image, 0, 0), nullptr);
    EXPECT_EQ(Shown(), std::vector<std::string>{"get dcが失敗しました"});
    EXPECT_EQ(platform::LiveObjects("IDirectDrawSurface"), surfaces);
    EXPECT_TRUE(DeleteObject(image));
    EXPECT_EQ(app.Zeb_LoadBitmap(OTHER, &image, 0, 0), nullptr);
    const ScratchFile file(BmpFile(PackedDib(640, 1440, 8, TableOf(RampEntries()), ArtworkIndex)));
    IDirectDrawSurface* fromFile = app.Zeb_LoadBitmap(file.path.c_str(), &image, 0, 0);
    ASSERT_NE(fromFile, nullptr);
    ExpectArtwork(fromFile);
    fromFile->Release();
    DeleteObject(image);
}

// The artwork comes from its resource index for index with its own colours.
// The frame restores lost surfaces before it draws, the artwork again index
// for index although a fade shows other colours, keyed and with its palette;
// when the palette cannot be made or attached again it says so and closes the
// window. A primary that will not restore is tried again on the next frame.
TEST_F(Artwork, LoadedAndRestoredByTheFrameOrTheWindowClosesWithItsMessage) {
    ExpectArtwork(app.bitmapSurfaces[0]);
    const auto ramp = RampEntries();
    EXPECT_EQ(std::memcmp(app.paletteEntries, ramp.data(), sizeof app.paletteEntries), 0);
    const struct {
        const char* fault;
        bool fatal, stillLost;
    } cases[] = {
        {nullptr, false, false},
        {"IDirectDrawSurface::SetPalette", true, false},
        {"IDirectDraw::CreatePalette", true, false},
        {"IDirectDrawSurface::Restore", false, true},
    };
    firstFrame = 0;
    app.scene = 2; // no scene: only the frame's own work
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault != nullptr ? c.fault : "restored");
        DWORD fade = 0;
        for (int step = 0; step < 5; ++step) {
            app.FadeToBlack(&fade, 8, 0, 256);
        }
        platform::LoseAllSurfaces();
        if (c.fault != nullptr) {
            platform::InjectFault(c.fault, DDERR_GENERIC, 1);
        }
        app.RunFrame();
        MSG msg;
        EXPECT_EQ(PeekMessageA(&msg, app.window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != FALSE, c.fatal);
        EXPECT_EQ(Shown(),
                  c.fatal ? std::vector<std::string>{"リストア失敗"} : std::vector<std::string>{});
        EXPECT_EQ(app.primarySurface->IsLost() == DDERR_SURFACELOST, c.stillLost);
        app.RunFrame();
        ASSERT_EQ(app.primarySurface->IsLost(), DD_OK);
        ExpectArtwork(app.bitmapSurfaces[0]);
        EXPECT_EQ(backend.At(480, 0), CLEAR_INDEX) << "the transparent diagonal";
        EXPECT_EQ(backend.At(481, 0), ArtworkIndex(481, 480));
        if (!c.fatal) {
            EXPECT_EQ(backend.palette[100].red, ramp[100].peRed);
            EXPECT_EQ(backend.palette[100].green, ramp[100].peGreen);
        }
        EXPECT_FALSE(PeekMessageA(&msg, app.window, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    }
}

// A ramp shows step k of its n steps in one entry, one step a call, each
// channel rising or falling on its own, then ends; static entries and a ramp
// of one step are refused.
TEST_F(Artwork, ARampWalksOneEntryFromColourToColourAStepACall) {
    firstFrame = 0;
    app.scene = 2; // no scene: only the frame's own work
    DWORD running = 0, counter = 0;
    const COLORREF from = RGB(0, 200, 30), to = RGB(255, 110, 60);
    const std::array<int, 3> steps[] = {
        {0, 200, 30}, {85, 170, 40}, {170, 140, 50}, {255, 110, 60}};
    for (const auto& colour : steps) {
        ASSERT_EQ(app.RampPaletteEntry(&running, &counter, 100, 4, from, to), 1);
        app.RunFrame();
        const platform::PaletteColour shown = backend.palette[100];
        EXPECT_EQ((std::array<int, 3>{shown.red, shown.green, shown.blue}), colour);
    }
    EXPECT_EQ(app.RampPaletteEntry(&running, &counter, 100, 4, from, to), 0);
    EXPECT_EQ(running, 0u);
    EXPECT_EQ(app.RampPaletteEntry(&running, &counter, 9, 4, from, to), 0);
    EXPECT_EQ(app.RampPaletteEntry(&running, &counter, 246, 4, from, to), 0);
    EXPECT_EQ(app.RampPaletteEntry(&running, &counter, 100, 1, from, to), 0);
}

// The two fades the game does not use, stepped to their end: to white each
// free channel rises by the step and stops at 255, from black each rises
// from 0 and stops at its colour; the static entries stay as they are, or
// from black show the system's static colours.
TEST_F(Artwork, FadesToWhiteAndFromBlackStepEveryFreeEntryThereAndStop) {
    firstFrame = 0;
    app.scene = 2; // no scene: only the frame's own work
    const auto ramp = RampEntries();
    app.RunFrame();
    const auto before = backend.palette;
    for (const bool toWhite : {true, false}) {
        SCOPED_TRACE(toWhite ? "to white" : "from black");
        DWORD state = 0;
        int steps = 0;
        while ((toWhite ? app.FadeToWhite(&state, 8, 0, 256)
                        : app.FadeFromBlack(&state, 8, 0, 256)) != 0) {
            ++steps;
            app.RunFrame();
            for (int i = 0; i < 256; ++i) {
                const int start = toWhite ? ramp[i].peGreen : 0;
                const int end = toWhite ? 255 : ramp[i].peGreen;
                const int expected = !IsStaticEntry(i) ? std::min(start + 8 * steps, end)
                                     : toWhite         ? before[i].green
                                                       : StaticColour(i).peGreen;
                ASSERT_EQ(backend.palette[i].green, expected)
                    << "entry " << i << ", step " << steps;
            }
        }
        // The farthest channels: blue 5 to 255 by 32 steps, red 0 to 245 by 31.
        EXPECT_EQ(steps, toWhite ? 32 : 31);
        EXPECT_EQ(state, 0u);
    }
}

// Beside the frame rate, text at a point (opaque or not, as many bytes as it
// is told), text laid out in a rectangle, and the video-memory report, which
// shows nothing when DirectDraw cannot give its figures.
TEST_F(Artwork, TextAtAPointInARectangleAndTheVideoMemoryReport) {
    const auto ramp = RampEntries();
    const auto colour = [&](int i) { return RGB(ramp[i].peRed, ramp[i].peGreen, ramp[i].peBlue); };
    IDirectDrawSurface* back = app.backSurface;
    const auto clear = [&] {
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = 10;
        back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    };
    struct Found {
        int count = 0, left = 640, right = -1;
    };
    const auto find = [&](BYTE index) {
        const platform::SurfacePixels pixels = platform::PixelsOf(back);
        Found f;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                if (pixels.At(x, y) == index) {
                    ++f.count, f.left = std::min(f.left, x), f.right = std::max(f.right, x);
                }
            }
        }
        return f;
    };
    clear();
    app.DrawTextAt(back, 100, 100, "WWW", 2, colour(20), colour(30), 0);
    const Found twoPaper = find(30);
    EXPECT_EQ(twoPaper.left, 100);
    EXPECT_GT(find(20).count, 0);
    clear();
    app.DrawTextAt(back, 100, 100, "WWW", 3, colour(20), colour(30), 1);
    EXPECT_EQ(find(30).count, 0) << "a transparent background";
    EXPECT_GT(find(20).right, twoPaper.right) << "the third letter";

    clear();
    RECT box{200, 200, 400, 260};
    app.DrawTextInRect(back, "AB", -1, &box, DT_CENTER, colour(20), colour(30), 1);
    const Found ink = find(20);
    EXPECT_NEAR((ink.left + ink.right) / 2, 300, 3);

    EXPECT_EQ(app.ShowVideoMemory(), 1);
    const auto report = Shown();
    ASSERT_EQ(report.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        report[0], std::regex("VRAM合計容量\t[0-9]+ Bytes\nVRAM使用可能容量\t[0-9]+ Bytes")))
        << report[0];
    for (const char* fault : {"IDirectDraw::QueryInterface", "IDirectDraw2::GetAvailableVidMem"}) {
        platform::InjectFault(fault, DDERR_GENERIC, 1);
        EXPECT_EQ(app.ShowVideoMemory(), 0) << fault;
    }
    EXPECT_TRUE(Shown().empty());
}

} // namespace
