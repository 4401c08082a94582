// The whole path the game's artwork takes through this layer: a packed DIB in
// the resource table, an off-screen surface filled through GDI, the keyed
// background copy and the present; then the display is lost in the middle of
// a palette fade and everything is restored and reloaded.
#include <algorithm>

#include "../video/display_fixture.h"
#include "bitmap_support.h"
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

// Loads resource 109 into `surface` as the game's loader does.
void CopyArtwork(IDirectDrawSurface* surface, HBITMAP& handle) {
    handle = static_cast<HBITMAP>(
        LoadImageA(nullptr, MAKEINTRESOURCE(109), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(surface->Restore(), DD_OK);
    ASSERT_TRUE(StretchInto(surface, handle));
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

TEST(ArtworkPath, LoadDrawLoseMidFadeRestoreAndDrawAgain) {
    CaptureBackend backend;
    auto colours = RampEntries();
    colours[248] = colours[146]; // a repeated colour, as the artwork has
    const auto dib = PackedDib(kWidth, kHeight, 8, TableOf(colours), ArtworkIndex, false, 256);
    platform::RegisterResource(RT_BITMAP, 109, dib.data(), dib.size());
    GameDisplay display(colours);
    IDirectDrawSurface* artwork = display.OffScreen(kWidth, kHeight);
    HBITMAP handle = nullptr;
    CopyArtwork(artwork, handle);
    DDCOLORKEY key{255, 255};
    artwork->SetColorKey(DDCKEY_SRCBLT, &key);
    DrawAndPresent(display, artwork);
    ExpectBackgroundOnScreen(backend);

    // Lost half-way through a fade from white, while the display palette
    // shows other colours than the artwork's: nothing can be drawn, and after
    // the restore the pixels are gone until the artwork is loaded again.
    std::array<PALETTEENTRY, 256> faded = colours;
    std::fill(faded.begin() + 10, faded.begin() + 246, PALETTEENTRY{255, 255, 255, 0});
    ASSERT_EQ(display.palette->SetEntries(0, 0, 256, faded.data()), DD_OK);
    platform::LoseAllSurfaces();
    ASSERT_EQ(display.primary->IsLost(), DDERR_SURFACELOST);
    ASSERT_EQ(display.primary->Restore(), DD_OK);
    ASSERT_EQ(artwork->Restore(), DD_OK);
    DrawAndPresent(display, artwork);
    EXPECT_EQ(backend.At(0, 0), 0); // the lost artwork's cleared pixels

    // The reload puts every pixel back as its own index, not as the nearest
    // colour of the faded palette.
    HBITMAP reloaded = nullptr;
    CopyArtwork(artwork, reloaded);
    DrawAndPresent(display, artwork);
    ExpectBackgroundOnScreen(backend);

    EXPECT_TRUE(DeleteObject(reloaded));
    EXPECT_TRUE(DeleteObject(handle));
    artwork->Release();
}

} // namespace
