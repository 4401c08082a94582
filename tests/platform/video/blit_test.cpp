// Fills, keyed copies, scaling and clipping of Blt and BltFast.
#include "display_fixture.h"

namespace {

class Blits : public ::testing::Test {
protected:
    CaptureBackend backend;
    GameDisplay display;

    // A w x h source whose pixel (x, y) is 10 * y + x, with index 255 in
    // the cells where `transparent(x, y)` holds.
    template <class Transparent>
    IDirectDrawSurface* Pattern(int w, int h, Transparent transparent) {
        IDirectDrawSurface* s = display.OffScreen(w, h);
        Pixels p(s);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                p(x, y) = transparent(x, y) ? 255 : static_cast<std::uint8_t>(10 * y + x);
            }
        }
        return s;
    }
    IDirectDrawSurface* Pattern(int w, int h) {
        return Pattern(w, h, [](int, int) { return false; });
    }

    void SetKey(IDirectDrawSurface* s) {
        DDCOLORKEY key{255, 255};
        ASSERT_EQ(s->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    }
};

TEST_F(Blits, ColourFillCoversTheWholeSurfaceOrJustTheRectangleAndNeedsItsRecord) {
    FillSurface(display.back, 246);
    RECT box{10, 20, 13, 22};
    DDBLTFX fx{};
    fx.dwSize = 100;
    fx.dwFillColor = 7;
    ASSERT_EQ(display.back->Blt(&box, nullptr, nullptr, 0x01000400, &fx), DD_OK);
    ExpectPixels(display.back, {{0, 0, 246}, {639, 479, 246}, {10, 20, 7}, {12, 21, 7}});
    ExpectPixels(display.back, {{13, 21, 246}, {12, 22, 246}, {9, 20, 246}}); // just outside

    EXPECT_EQ(display.back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, nullptr),
              DDERR_INVALIDPARAMS);
    fx.dwSize = 12;
    EXPECT_EQ(display.back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx),
              DDERR_INVALIDPARAMS);
}

TEST_F(Blits, KeyedCopySkipsTheKeyColourAndPlainCopyDoesNot) {
    IDirectDrawSurface* sprite = Pattern(4, 4, [](int x, int y) { return x == y; });
    SetKey(sprite);
    FillSurface(display.back, 246);
    RECT src{0, 0, 4, 4};
    RECT keyed{100, 100, 104, 104};
    RECT plain{200, 100, 204, 104};
    ASSERT_EQ(display.back->Blt(&keyed, sprite, &src, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(display.back->Blt(&plain, sprite, &src, DDBLT_WAIT, nullptr), DD_OK);
    // The diagonal holds the key colour: not copied by the keyed blit only.
    ExpectPixels(display.back, {{100, 100, 246}, {103, 103, 246}, {101, 100, 1}, {100, 103, 30}});
    ExpectPixels(display.back, {{200, 100, 255}, {201, 100, 1}});
    sprite->Release();
}

TEST_F(Blits, KeyedBlitWithoutAKeyIsRefusedAndAColourSpaceKeySkipsARange) {
    IDirectDrawSurface* source = Pattern(4, 1); // 0 1 2 3
    RECT dest{0, 0, 4, 1};
    EXPECT_EQ(display.back->Blt(&dest, source, nullptr, DDBLT_KEYSRC, nullptr), DDERR_NOCOLORKEY);
    DDCOLORKEY range{1, 2};
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT | DDCKEY_COLORSPACE, &range), DD_OK);
    FillSurface(display.back, 99);
    ASSERT_EQ(display.back->Blt(&dest, source, nullptr, DDBLT_KEYSRC, nullptr), DD_OK);
    ExpectPixels(display.back, {{0, 0, 0}, {1, 0, 99}, {2, 0, 99}, {3, 0, 3}});
    source->Release();
}

TEST_F(Blits, DifferentRectanglesScaleByNearestPixel) {
    IDirectDrawSurface* source = Pattern(4, 2);
    RECT src{0, 0, 4, 2};
    RECT doubled{0, 0, 8, 4};
    ASSERT_EQ(display.back->Blt(&doubled, source, &src, DDBLT_WAIT, nullptr), DD_OK);
    // An odd-sized sprite into one pixel less, as the game draws its sun
    // (33 x 30 into 32 x 30): the last source column is dropped.
    IDirectDrawSurface* wide = Pattern(5, 1);
    RECT narrower{20, 0, 24, 1};
    ASSERT_EQ(display.back->Blt(&narrower, wide, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    // A font letter stretched by one row (15 into 16).
    IDirectDrawSurface* tall = Pattern(1, 15);
    RECT taller{30, 0, 31, 16};
    ASSERT_EQ(display.back->Blt(&taller, tall, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ExpectPixels(display.back, {{0, 0, 0}, {1, 0, 0}, {2, 1, 1}, {7, 3, 13}, {6, 2, 13}});
    ExpectPixels(display.back, {{20, 0, 0}, {21, 0, 1}, {23, 0, 3}, {24, 0, 0} /* untouched */});
    ExpectPixels(display.back, {{30, 0, 0}, {30, 15, 140}, {30, 14, 130}});
    source->Release();
    wide->Release();
    tall->Release();
}

// A sprite partly off screen shows its visible part, taken from the matching
// part of the source.
TEST_F(Blits, DestinationPastTheEdgeIsClippedWithTheSourceInStep) {
    IDirectDrawSurface* sprite = Pattern(8, 8);
    FillSurface(display.back, 246);
    RECT src{0, 0, 8, 8};
    RECT left{-3, -2, 5, 6};
    RECT right{636, 476, 644, 484};
    ASSERT_EQ(display.back->Blt(&left, sprite, &src, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(display.back->Blt(&right, sprite, &src, DDBLT_WAIT, nullptr), DD_OK);
    // Clipped and scaled together: 8 source columns over 16, half of it off
    // screen, leaves the right half of the source.
    RECT scaled{-8, 100, 8, 101};
    RECT row{0, 0, 8, 1};
    ASSERT_EQ(display.back->Blt(&scaled, sprite, &row, DDBLT_WAIT, nullptr), DD_OK);
    // (0, 0) shows source (3, 2); (4, 5) source (7, 7).
    ExpectPixels(display.back,
                 {{0, 0, 23}, {4, 5, 77}, {5, 0, 246}, {636, 476, 0}, {639, 479, 33}});
    ExpectPixels(display.back, {{0, 100, 4}, {1, 100, 4}, {7, 100, 7}, {8, 100, 246}});
    // Wholly off screen: nothing drawn, no error.
    RECT gone{-100, -100, -92, -92};
    EXPECT_EQ(display.back->Blt(&gone, sprite, &src, DDBLT_WAIT, nullptr), DD_OK);
    sprite->Release();
}

TEST_F(Blits, BadRectanglesAreRefusedAndExtremeOnesDoNotOverflow) {
    IDirectDrawSurface* sprite = Pattern(8, 8);
    RECT dest{0, 0, 8, 8};
    RECT outside{4, 4, 12, 12};
    RECT inverted{8, 0, 0, 8};
    EXPECT_EQ(display.back->Blt(&dest, sprite, &outside, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(display.back->Blt(&dest, sprite, &inverted, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(display.back->Blt(&inverted, sprite, &dest, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(display.back->BltFast(0, 0, sprite, &outside, DDBLTFAST_WAIT), DDERR_INVALIDRECT);

    FillSurface(display.back, 246);
    EXPECT_EQ(display.back->BltFast(0x7FFFFFF0u, 0x7FFFFFF0u, sprite, nullptr, DDBLTFAST_WAIT),
              DD_OK);
    RECT far{0x7FFFFFF0, 0x7FFFFFF0, 0x7FFFFFFF, 0x7FFFFFFF};
    RECT huge{-0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF};
    EXPECT_EQ(display.back->Blt(&far, sprite, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    // A rectangle covering the whole plane shows a sliver of the source.
    EXPECT_EQ(display.back->Blt(&huge, sprite, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ExpectPixels(display.back, {{0, 0, 44}}); // the source's centre pixel
    sprite->Release();
}

TEST_F(Blits, OverlappingCopyWithinOneSurfaceReadsTheSourceBeforeWriting) {
    IDirectDrawSurface* s = Pattern(10, 1); // 0..9
    RECT src{0, 0, 8, 1};
    RECT dest{2, 0, 10, 1};
    ASSERT_EQ(s->Blt(&dest, s, &src, DDBLT_WAIT, nullptr), DD_OK);
    ExpectPixels(s, {{2, 0, 0}, {3, 0, 1}, {4, 0, 2}, {5, 0, 3}});
    ExpectPixels(s, {{6, 0, 4}, {7, 0, 5}, {8, 0, 6}, {9, 0, 7}});
    s->Release();
}

TEST_F(Blits, BltFastCopiesUnscaledWithOptionalKeysAndClips) {
    IDirectDrawSurface* sprite = Pattern(4, 4, [](int x, int) { return x == 0; });
    SetKey(sprite);
    FillSurface(display.back, 246);
    ASSERT_EQ(display.back->BltFast(10, 10, sprite, nullptr, DDBLTFAST_WAIT), DD_OK);
    ASSERT_EQ(
        display.back->BltFast(20, 10, sprite, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT),
        DD_OK);
    RECT part{1, 1, 3, 3};
    ASSERT_EQ(display.back->BltFast(638, 478, sprite, &part, DDBLTFAST_WAIT), DD_OK);
    ExpectPixels(display.back, {{10, 10, 255}, {13, 13, 33}, {20, 10, 246}, {21, 10, 1}});
    ExpectPixels(display.back, {{638, 478, 11}, {639, 479, 22}});
    sprite->Release();
}

TEST_F(Blits, DestinationKeyWritesOnlyOverTheKeyColour) {
    IDirectDrawSurface* source = Pattern(3, 1);
    IDirectDrawSurface* dest = display.OffScreen(3, 1);
    {
        Pixels p(dest);
        p(0, 0) = 50;
        p(1, 0) = 60;
        p(2, 0) = 50;
    }
    DDCOLORKEY key{50, 50};
    ASSERT_EQ(dest->SetColorKey(DDCKEY_DESTBLT, &key), DD_OK);
    ASSERT_EQ(dest->BltFast(0, 0, source, nullptr, DDBLTFAST_DESTCOLORKEY), DD_OK);
    ExpectPixels(dest, {{0, 0, 0}, {1, 0, 60}, {2, 0, 2}});
    source->Release();
    dest->Release();
}

TEST_F(Blits, ASurfaceHeldByADeviceContextIsBusy) {
    IDirectDrawSurface* sprite = Pattern(4, 4);
    HDC dc = nullptr;
    ASSERT_EQ(sprite->GetDC(&dc), DD_OK);
    EXPECT_EQ(display.back->BltFast(0, 0, sprite, nullptr, DDBLTFAST_WAIT), DDERR_SURFACEBUSY);
    EXPECT_EQ(sprite->BltFast(0, 0, display.back, nullptr, DDBLTFAST_WAIT), DDERR_SURFACEBUSY);
    ASSERT_EQ(sprite->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(display.back->BltFast(0, 0, sprite, nullptr, DDBLTFAST_WAIT), DD_OK);
    sprite->Release();
}

} // namespace
