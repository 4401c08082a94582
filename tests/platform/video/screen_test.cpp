// What reaches the screen: the primary surface through its palette, at once.
#include "display_fixture.h"
#include "platform/video.h"

namespace {

class Screen : public ::testing::Test {
protected:
    CaptureBackend backend;
    GameDisplay display;
};
using SurfaceLoss = Screen;

TEST_F(Screen, BackBufferDrawingShowsOnlyWhenBltFastCopiesItToThePrimary) {
    const int before = backend.presents;
    FillSurface(display.back, 40);
    {
        Pixels p(display.back);
        p(5, 6) = 41;
    }
    HDC dc = nullptr;
    ASSERT_EQ(display.back->GetDC(&dc), DD_OK);
    ASSERT_EQ(display.back->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(backend.presents, before);

    RECT whole{0, 0, 640, 480};
    ASSERT_EQ(display.primary->BltFast(0, 0, display.back, &whole, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(backend.presents, before + 1);
    EXPECT_EQ(backend.width, 640);
    EXPECT_EQ(backend.height, 480);
    EXPECT_EQ(backend.At(0, 0), 40);
    EXPECT_EQ(backend.At(5, 6), 41);
    EXPECT_EQ(backend.palette[40].red, 40);
    EXPECT_EQ(backend.palette[40].green, 215);
}

TEST_F(Screen, ChangingThePrimaryPaletteRecoloursTheScreenWithoutARedraw) {
    FillSurface(display.back, 100);
    ASSERT_EQ(display.primary->BltFast(0, 0, display.back, nullptr, DDBLTFAST_WAIT), DD_OK);
    const int before = backend.presents;
    PALETTEENTRY black{0, 0, 0, 0};
    ASSERT_EQ(display.palette->SetEntries(0, 100, 1, &black), DD_OK);
    EXPECT_EQ(backend.presents, before + 1);
    EXPECT_EQ(backend.At(320, 240), 100);
    EXPECT_EQ(backend.palette[100].red, 0);
    EXPECT_EQ(backend.palette[100].green, 0);
    EXPECT_EQ(backend.palette[101].red, 101); // untouched entries keep their colours
    PALETTEENTRY entries[256]{};
    EXPECT_EQ(display.palette->SetEntries(0, 1, 256, entries), DDERR_INVALIDPARAMS);

    // A palette not on the primary changes nothing on screen.
    IDirectDrawPalette* other = nullptr;
    auto ramp = RampEntries();
    ASSERT_EQ(display.directDraw->CreatePalette(DDPCAPS_8BIT, ramp.data(), &other, nullptr), DD_OK);
    const int after = backend.presents;
    ASSERT_EQ(other->SetEntries(0, 0, 256, entries), DD_OK);
    EXPECT_EQ(backend.presents, after);
    other->Release();
}

TEST_F(SurfaceLoss, ALostSurfaceLosesItsPixelsAndRefusesWorkUntilRestored) {
    IDirectDrawSurface* artwork = display.OffScreen(16, 16);
    FillSurface(artwork, 200);
    FillSurface(display.back, 201);
    EXPECT_EQ(display.primary->IsLost(), DD_OK);

    platform::LoseAllSurfaces();
    EXPECT_EQ(display.primary->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(display.back->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(artwork->IsLost(), DDERR_SURFACELOST);

    const int before = backend.presents;
    EXPECT_EQ(display.primary->BltFast(0, 0, display.back, nullptr, DDBLTFAST_WAIT),
              DDERR_SURFACELOST);
    DDBLTFX fx{};
    fx.dwSize = 100;
    EXPECT_EQ(display.back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx),
              DDERR_SURFACELOST);
    HDC dc = nullptr;
    EXPECT_EQ(display.back->GetDC(&dc), DDERR_SURFACELOST);
    EXPECT_EQ(backend.presents, before);

    // Restoring the primary brings its back buffer with it; the contents are
    // gone and have to be drawn again.
    ASSERT_EQ(display.primary->Restore(), DD_OK);
    EXPECT_EQ(display.primary->IsLost(), DD_OK);
    EXPECT_EQ(display.back->IsLost(), DD_OK);
    EXPECT_EQ(artwork->IsLost(), DDERR_SURFACELOST);
    ASSERT_EQ(artwork->Restore(), DD_OK);
    ExpectPixels(artwork, {{0, 0, 0}, {15, 15, 0}});
    ExpectPixels(display.back, {{320, 240, 0}});
    artwork->Release();
}

TEST_F(SurfaceLoss, AFailedRestoreLeavesTheSurfaceLost) {
    platform::LoseAllSurfaces();
    platform::InjectFault("IDirectDrawSurface::Restore", DDERR_GENERIC, 1);
    EXPECT_EQ(display.primary->Restore(), DDERR_GENERIC);
    EXPECT_EQ(display.primary->IsLost(), DDERR_SURFACELOST);
    // The restore path makes its palette anew and attaches it whatever the
    // surfaces' state; the screen is not shown while the primary is lost.
    const int before = backend.presents;
    EXPECT_EQ(display.primary->SetPalette(display.palette), DD_OK);
    EXPECT_EQ(backend.presents, before);
    EXPECT_EQ(display.primary->Restore(), DD_OK);
    EXPECT_EQ(display.primary->IsLost(), DD_OK);
}

} // namespace
