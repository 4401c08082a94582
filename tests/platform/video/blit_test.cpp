// Fills, keyed copies, scaling and clipping of Blt and BltFast, as the frame
// uses them: the clear, the keyed background and sprites (partly off screen,
// or stretched by a pixel), and the copy to the screen.
#include "display_fixture.h"

namespace {

class Blits : public ::testing::Test {
protected:
    // A w x h surface with the artwork's colour key whose pixel (x, y) is
    // 10y + x, or the key 255 on the diagonal when `diagonal`.
    IDirectDrawSurface* Pattern(int w, int h, bool diagonal = false) {
        IDirectDrawSurface* s = display.OffScreen(w, h);
        for (int i = 0; i < w * h; ++i) {
            const int x = i % w, y = i / w;
            platform::PixelsOf(s).At(x, y) = diagonal && x == y ? 255 : BYTE(10 * y + x);
        }
        DDCOLORKEY key{255, 255};
        EXPECT_EQ(s->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
        made.push_back(s);
        return s;
    }
    void SetUp() override { FillSurface(display.back, 246); }
    void TearDown() override {
        for (IDirectDrawSurface* s : made) {
            s->Release();
        }
    }

    CaptureBackend backend;
    GameDisplay display;
    std::vector<IDirectDrawSurface*> made;
};

TEST_F(Blits, FillsKeyedCopiesAndStretchesTouchOnlyTheirRectangles) {
    RECT box{10, 20, 13, 22}, all{0, 0, 4, 4}, keyed{100, 100, 104, 104}, plain{200, 100, 204, 104};
    DDBLTFX fx{};
    fx.dwSize = 100;
    fx.dwFillColor = 7;
    ASSERT_EQ(display.back->Blt(&box, nullptr, nullptr, 0x01000400, &fx), DD_OK);
    IDirectDrawSurface* sprite = Pattern(4, 4, true);
    ASSERT_EQ(display.back->Blt(&keyed, sprite, &all, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(display.back->Blt(&plain, sprite, &all, DDBLT_WAIT, nullptr), DD_OK);
    // Twice the size, keyed; the sun's 33 x 30 cell into 32 x 30 drops the last
    // column; a letter of 15 rows into 16 repeats one.
    RECT two{0, 0, 4, 2}, doubled{300, 0, 308, 4}, narrower{320, 0, 324, 1},
        taller{330, 0, 331, 16};
    ASSERT_EQ(display.back->Blt(&doubled, Pattern(4, 2, true), &two, DDBLT_KEYSRC, nullptr), DD_OK);
    ASSERT_EQ(display.back->Blt(&narrower, Pattern(5, 1), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(display.back->Blt(&taller, Pattern(1, 15), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ExpectPixels(display.back,
                 {{0, 0, 246},     {10, 20, 7},     {12, 21, 7},     {13, 21, 246}, {12, 22, 246},
                  {9, 20, 246},    {100, 100, 246}, {103, 103, 246}, {101, 100, 1}, {100, 103, 30},
                  {200, 100, 255}, {201, 100, 1},   {301, 0, 246},   {302, 1, 1},   {307, 3, 13},
                  {306, 2, 13},    {320, 0, 0},     {321, 0, 1},     {323, 0, 3},   {324, 0, 246},
                  {330, 15, 140},  {330, 14, 130}});
    fx.dwSize = 12;
    EXPECT_EQ(display.back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx),
              DDERR_INVALIDPARAMS);
    EXPECT_EQ(display.back->Blt(&keyed, display.back, nullptr, DDBLT_KEYSRC, nullptr),
              DDERR_NOCOLORKEY);
}

// A sprite partly off screen shows its visible part, taken from the matching
// part of the source, also when stretched; BltFast copies unscaled, keyed
// only when asked.
TEST_F(Blits, DestinationPastTheEdgeIsClippedWithTheSourceInStep) {
    IDirectDrawSurface* sprite = Pattern(8, 8);
    RECT src{0, 0, 8, 8}, left{-3, -2, 5, 6}, right{636, 476, 644, 484}, gone{-100, 0, -92, 8};
    RECT stretched{-8, 100, 8, 101}, row{0, 0, 8, 1}, part{1, 1, 3, 3};
    ASSERT_EQ(display.back->Blt(&left, sprite, &src, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(display.back->Blt(&right, sprite, &src, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(display.back->Blt(&stretched, sprite, &row, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(display.back->Blt(&gone, sprite, &src, DDBLT_WAIT, nullptr), DD_OK);
    IDirectDrawSurface* edged = Pattern(4, 4, true);
    ASSERT_EQ(display.back->BltFast(10, 10, edged, nullptr, DDBLTFAST_WAIT), DD_OK);
    ASSERT_EQ(display.back->BltFast(20, 10, edged, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
    ASSERT_EQ(display.back->BltFast(638, 478, sprite, &part, DDBLTFAST_WAIT), DD_OK);
    ExpectPixels(display.back, {{0, 0, 23}, {4, 5, 77}, {5, 0, 246}, {636, 476, 0}});
    ExpectPixels(display.back, {{637, 477, 11}, {0, 100, 4}, {1, 100, 4}, {7, 100, 7}});
    ExpectPixels(display.back, {{8, 100, 246}, {10, 10, 255}, {13, 12, 23}, {20, 10, 246}});
    ExpectPixels(display.back, {{21, 10, 1}, {638, 478, 11}, {639, 479, 22}});
}

} // namespace
