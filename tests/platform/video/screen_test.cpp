// What reaches the screen: the primary surface through its palette, when the
// back buffer is copied to it or the palette changes; and what a lost display
// takes with it.
#include "display_fixture.h"

namespace {

class Screen : public ::testing::Test {
protected:
    CaptureBackend backend;
    GameDisplay display;
};

TEST_F(Screen, ShowsTheBackBufferOnlyWhenCopiedAndRecoloursWithThePalette) {
    FillSurface(display.back, 40);
    platform::PixelsOf(display.back).At(5, 6) = 41;
    const int before = backend.presents;
    RECT whole{0, 0, 640, 480};
    ASSERT_EQ(display.primary->BltFast(0, 0, display.back, &whole, DDBLTFAST_WAIT), DD_OK);
    ASSERT_EQ(backend.presents, before + 1);
    EXPECT_EQ(backend.At(0, 0), 40);
    EXPECT_EQ(backend.At(5, 6), 41);
    EXPECT_EQ(backend.palette[40].green, 215);
    // A palette entry changed on the primary shows at once, without a redraw.
    PALETTEENTRY black{0, 0, 0, 0};
    ASSERT_EQ(display.palette->SetEntries(0, 40, 1, &black), DD_OK);
    EXPECT_EQ(backend.presents, before + 2);
    EXPECT_EQ(backend.palette[40].green, 0);
    EXPECT_EQ(backend.palette[41].green, 214);
}

TEST_F(Screen, ALostSurfaceLosesItsPixelsAndRefusesWorkUntilRestored) {
    IDirectDrawSurface* artwork = display.OffScreen(16, 16);
    FillSurface(artwork, 200);
    FillSurface(display.back, 201);
    platform::LoseAllSurfaces();
    for (IDirectDrawSurface* surface : {display.primary, display.back, artwork}) {
        EXPECT_EQ(surface->IsLost(), DDERR_SURFACELOST);
    }
    const int before = backend.presents;
    EXPECT_EQ(display.primary->BltFast(0, 0, display.back, nullptr, 0), DDERR_SURFACELOST);
    EXPECT_EQ(backend.presents, before);
    // The primary brings its back buffer with it; each comes back cleared.
    ASSERT_EQ(display.primary->Restore(), DD_OK);
    EXPECT_EQ(display.back->IsLost(), DD_OK);
    EXPECT_EQ(artwork->IsLost(), DDERR_SURFACELOST);
    ASSERT_EQ(artwork->Restore(), DD_OK);
    ExpectPixels(artwork, {{0, 0, 0}, {15, 15, 0}});
    ExpectPixels(display.back, {{320, 240, 0}});
    artwork->Release();
}

} // namespace
