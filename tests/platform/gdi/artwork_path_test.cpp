// The whole path the game's artwork takes through this layer: a packed DIB in
// the resource table, the display palette made from its colour table, an
// off-screen surface filled through GDI, the keyed background copy and the
// present; then the display is lost and everything is restored and reloaded.
#include <vector>

#include "../video/display_fixture.h"
#include "platform/resources.h"
#include "platform/video.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 1440;

// Rows 0 to 479 transparent (255); below, a pattern of indices 10 to 245,
// with a transparent hole in every background row at column 7.
std::uint8_t ArtworkIndex(int x, int y) {
    if (y < 480 || x == 7) {
        return 255;
    }
    return static_cast<std::uint8_t>(10 + (x + 3 * y) % 236);
}

std::vector<std::uint8_t> ArtworkDib(const std::array<PALETTEENTRY, 256>& colours) {
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = kWidth;
    header.biHeight = kHeight;
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biSizeImage = kWidth * kHeight;
    header.biClrUsed = 256;
    header.biClrImportant = 256;
    std::vector<std::uint8_t> bytes(40 + 1024 + kWidth * kHeight);
    std::memcpy(bytes.data(), &header, sizeof header);
    for (int i = 0; i < 256; ++i) {
        bytes[40 + 4 * i] = colours[i].peBlue;
        bytes[40 + 4 * i + 1] = colours[i].peGreen;
        bytes[40 + 4 * i + 2] = colours[i].peRed;
    }
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            bytes[1064 + static_cast<std::size_t>(kHeight - 1 - y) * kWidth + x] =
                ArtworkIndex(x, y);
        }
    }
    return bytes;
}

// Loads resource 109 into `surface` as the game's loader does.
void CopyArtwork(IDirectDrawSurface* surface, HBITMAP& handle) {
    handle = static_cast<HBITMAP>(
        LoadImageA(nullptr, MAKEINTRESOURCE(109), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(handle, nullptr);
    BITMAP description{};
    ASSERT_NE(GetObjectA(handle, sizeof description, &description), 0);
    ASSERT_EQ(surface->Restore(), DD_OK);
    HDC memory = CreateCompatibleDC(nullptr);
    SelectObject(memory, handle);
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    ASSERT_TRUE(StretchBlt(dc, 0, 0, kWidth, kHeight, memory, 0, 0, description.bmWidth,
                           description.bmHeight, SRCCOPY));
    ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
    DeleteDC(memory);
}

void DrawAndPresent(GameDisplay& display, IDirectDrawSurface* artwork) {
    DDBLTFX fx{};
    fx.dwSize = 100;
    fx.dwFillColor = 246;
    ASSERT_EQ(display.back->Blt(nullptr, nullptr, nullptr, 0x01000400, &fx), DD_OK);
    RECT src{0, 480, 640, 960};
    RECT dest{0, 0, 640, 480};
    ASSERT_EQ(display.back->Blt(&dest, artwork, &src, 0x01008000, nullptr), DD_OK);
    ASSERT_EQ(display.primary->BltFast(0, 0, display.back, &dest, DDBLTFAST_WAIT), DD_OK);
}

void ExpectBackgroundOnScreen(const CaptureBackend& backend) {
    for (int y : {0, 1, 240, 479}) {
        for (int x : {0, 6, 8, 639}) {
            ASSERT_EQ(backend.At(x, y), ArtworkIndex(x, y + 480)) << x << "," << y;
        }
        ASSERT_EQ(backend.At(7, y), 246); // the hole shows the clear colour
    }
}

TEST(ArtworkPath, LoadDrawLoseRestoreAndDrawAgain) {
    CaptureBackend backend;
    auto colours = RampEntries();
    colours[248] = colours[146]; // a repeated colour, as the artwork has
    const std::vector<std::uint8_t> dib = ArtworkDib(colours);
    platform::RegisterResource(RT_BITMAP, 109, dib.data(), dib.size());

    // The palette comes from the resource's colour table.
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCE(109), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    const auto* header =
        static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
    ASSERT_NE(header, nullptr);
    std::array<PALETTEENTRY, 256> entries{};
    for (int i = 0; i < 256; ++i) {
        entries[i] =
            PALETTEENTRY{header[40 + 4 * i + 2], header[40 + 4 * i + 1], header[40 + 4 * i], 0};
    }
    GameDisplay display(entries);
    IDirectDrawSurface* artwork = display.OffScreen(kWidth, kHeight);
    HBITMAP handle = nullptr;
    CopyArtwork(artwork, handle);
    DDCOLORKEY key{255, 255};
    artwork->SetColorKey(DDCKEY_SRCBLT, &key);

    DrawAndPresent(display, artwork);
    ExpectBackgroundOnScreen(backend);
    EXPECT_EQ(backend.palette[146].red, backend.palette[248].red);

    // Lost: nothing can be drawn, and after the restore the pixels are gone
    // until the artwork is loaded again.
    platform::LoseAllSurfaces();
    ASSERT_EQ(display.primary->IsLost(), DDERR_SURFACELOST);
    ASSERT_EQ(display.primary->Restore(), DD_OK);
    ASSERT_EQ(artwork->Restore(), DD_OK);
    DrawAndPresent(display, artwork);
    EXPECT_EQ(backend.At(0, 0), 0); // the lost artwork's cleared pixels

    HBITMAP reloaded = nullptr;
    CopyArtwork(artwork, reloaded);
    DrawAndPresent(display, artwork);
    ExpectBackgroundOnScreen(backend);

    EXPECT_TRUE(DeleteObject(reloaded));
    EXPECT_TRUE(DeleteObject(handle));
    artwork->Release();
}

} // namespace

namespace {

// The display palette in the middle of a fade shows other colours than the
// artwork's; a reload then (after the surfaces were lost mid-fade) must still
// put every pixel back as its own index, not as the nearest faded colour.
TEST(ArtworkPath, ReloadDuringAPaletteFadeKeepsTheIndices) {
    CaptureBackend backend;
    const auto colours = RampEntries();
    const std::vector<std::uint8_t> dib = ArtworkDib(colours);
    platform::RegisterResource(RT_BITMAP, 109, dib.data(), dib.size());
    GameDisplay display(colours);
    IDirectDrawSurface* artwork = display.OffScreen(kWidth, kHeight);
    DDCOLORKEY key{255, 255};
    artwork->SetColorKey(DDCKEY_SRCBLT, &key);

    std::array<PALETTEENTRY, 256> faded = colours;
    for (int i = 10; i < 246; ++i) {
        faded[i] = PALETTEENTRY{255, 255, 255, 0}; // half-way through a fade from white
    }
    ASSERT_EQ(display.palette->SetEntries(0, 0, 256, faded.data()), DD_OK);

    HBITMAP handle = nullptr;
    CopyArtwork(artwork, handle);
    DrawAndPresent(display, artwork);
    ExpectBackgroundOnScreen(backend);
    EXPECT_TRUE(DeleteObject(handle));
    artwork->Release();
}

} // namespace
