// Text on 8-bit surfaces as the game draws it: the frame rate and the loading
// notice in the default font, the title in its Japanese gothic face, colours
// mapped to the palette, placement for each alignment, clipping.
#include "../video/display_fixture.h"
#include "platform/gdi.h"

namespace {

// Where pixels of one index lie on a surface: inclusive edges and a count.
struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
    std::array<int, 4> Edges() const { return {left, top, right, bottom}; }
};

Ink FindInk(IDirectDrawSurface* surface, std::uint8_t index) {
    Ink ink;
    const platform::SurfacePixels p = platform::PixelsOf(surface);
    for (int i = 0; i < p.width * p.height; ++i) {
        const int x = i % p.width, y = i / p.width;
        if (p.At(x, y) == index) {
            ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x),
                   std::max(ink.bottom, y), ink.count + 1};
        }
    }
    return ink;
}

// The width of one line of text, as DrawTextA measures it.
int Width(HDC dc, const char* text, int length) {
    RECT box{0, 0, 0, 0};
    DrawTextA(dc, text, length, &box, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return box.right;
}

// The title's face, "ＭＳ　ゴシック" in Shift-JIS as the game names it.
HFONT Gothic(int height, int weight) {
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, SHIFTJIS_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DRAFT_QUALITY, VARIABLE_PITCH | FF_ROMAN,
                       "\x82\x6C\x82\x72\x81\x40\x83\x53\x83\x56\x83\x62\x83\x4E");
}

// The ramp with black, the pure red of entry 249 and white, as the game's
// palette has them; 246 is the game's clear colour.
class Text : public ::testing::Test {
protected:
    void SetUp() override {
        PALETTEENTRY black{0, 0, 0, 0}, red{255, 0, 0, 0}, white{255, 255, 255, 0};
        display.palette->SetEntries(0, 0, 1, &black);
        display.palette->SetEntries(0, 249, 1, &red);
        display.palette->SetEntries(0, 255, 1, &white);
        FillSurface(display.back, 246);
        ASSERT_EQ(display.back->GetDC(&dc), DD_OK);
    }
    // Ends the drawing, so the pixels can be read.
    void Finish() { ASSERT_EQ(display.back->ReleaseDC(dc), DD_OK); }

    CaptureBackend backend;
    GameDisplay display;
    HDC dc = nullptr;
};

// The loading notice's and the frame rate's case: a fresh context of the
// primary, shown when the context is released.
TEST_F(Text, AFreshContextDrawsBlackOnAWhiteBoxInASixteenPixelBoldSans) {
    Finish();
    FillSurface(display.primary, 246);
    ASSERT_EQ(display.primary->GetDC(&dc), DD_OK);
    const platform::FontInUse font = platform::FontOf(dc);
    EXPECT_EQ(font.height, 16);
    EXPECT_EQ(font.weight, 700);
    EXPECT_NE(font.family, "");
    const int width = Width(dc, "60FPS", 5), before = backend.presents;
    ASSERT_TRUE(TextOutA(dc, 50, 20, "60FPS", 5));
    EXPECT_EQ(backend.presents, before);
    ASSERT_EQ(display.primary->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(backend.presents, before + 1);
    EXPECT_EQ(backend.At(50, 20), 255);
    EXPECT_EQ(backend.At(49, 20), 246);
    const Ink paper = FindInk(display.primary, 255), ink = FindInk(display.primary, 0);
    EXPECT_EQ(paper.Edges(), (std::array<int, 4>{50, 20, 50 + width - 1, 35}));
    EXPECT_GT(ink.count, 20);
    EXPECT_EQ(paper.count + ink.count, width * 16) << "nothing but ink and paper";
}

// Each alignment around the point, with an opaque background of its own;
// what falls past the surface's edges is cut off.
TEST_F(Text, AlignmentPlacesTheTextAroundThePointAndTheEdgesClipIt) {
    const int w = Width(dc, "Now Loading...", 14), h = platform::FontOf(dc).height;
    const struct {
        UINT align;
        int x, y;
        std::array<int, 4> box;
    } cases[] = {
        {TA_CENTER | TA_TOP, 320, 240, {320 - w / 2, 240, 320 - w / 2 + w - 1, 240 + h - 1}},
        {TA_RIGHT | TA_BOTTOM, 600, 100, {600 - w, 100 - h, 599, 99}},
        {TA_LEFT | TA_TOP, -20, 470, {0, 470, -20 + w - 1, 479}},
    };
    for (BYTE i = 0; i < 3; ++i) {
        SetTextAlign(dc, cases[i].align);
        SetBkColor(dc, PALETTEINDEX(30 + i));
        ASSERT_TRUE(TextOutA(dc, cases[i].x, cases[i].y, "Now Loading...", 14));
    }
    EXPECT_TRUE(TextOutA(dc, 0x7FFFFFFF, 0x7FFFFFFF, "WWW", 3)); // far away: nothing
    Finish();
    for (BYTE i = 0; i < 3; ++i) {
        EXPECT_EQ(FindInk(display.back, 30 + i).Edges(), cases[i].box) << "case " << int{i};
    }
}

// The title's face is the installed Japanese gothic; its heavy weight, which
// the face lacks, is made bolder. Colours map to the nearest entry, and a
// transparent background leaves everything but the ink.
TEST_F(Text, TheTitleFaceIsTheInstalledGothicAtItsWeightInTheNearestColour) {
    HFONT title = Gothic(96, 900);
    HGDIOBJ previous = SelectObject(dc, title);
    EXPECT_EQ(platform::FontOf(dc).family, "IPAGothic");
    EXPECT_EQ(platform::FontOf(dc).height, 96);
    EXPECT_EQ(SelectObject(dc, previous), title);
    EXPECT_TRUE(DeleteObject(title));
    SetBkMode(dc, TRANSPARENT);
    for (int weight : {100, 900}) {
        HFONT font = Gothic(16, weight);
        SelectObject(dc, font);
        SetTextColor(dc, weight == 100 ? RGB(250, 10, 10) : PALETTEINDEX(51));
        TextOutA(dc, 10, weight == 100 ? 10 : 40, "PRESS Z X KEY", 13);
        SelectObject(dc, previous);
        DeleteObject(font);
    }
    Finish();
    const Ink thin = FindInk(display.back, 249), heavy = FindInk(display.back, 51);
    ASSERT_GT(thin.count, 20);
    EXPECT_GT(heavy.count, thin.count * 5 / 4);
    EXPECT_GT(heavy.right, thin.right);
    EXPECT_EQ(thin.count + heavy.count + FindInk(display.back, 246).count, 640 * 480);
}

} // namespace
