// Text on 8-bit surfaces: fonts found and substituted, placement for each
// alignment, background modes, and colours mapped to the palette.
#include <algorithm>
#include <cstring>
#include <string>

#include <fontconfig/fontconfig.h>

#include "../video/display_fixture.h"
#include "platform/gdi.h"

namespace {

// "ＭＳ　ゴシック" in Shift-JIS, as the game names its title face.
constexpr const char* kGothic = "\x82\x6C\x82\x72\x81\x40\x83\x53\x83\x56\x83\x62\x83\x4E";

struct InkBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // inclusive edges
    int count = 0;
    bool Empty() const { return count == 0; }
    std::array<int, 4> Edges() const { return {left, top, right, bottom}; }
};

// Where pixels of `ink` lie on a surface.
InkBox FindInk(IDirectDrawSurface* surface, std::uint8_t ink) {
    InkBox box;
    Pixels p(surface);
    for (int y = 0; y < p.Height(); ++y) {
        for (int x = 0; x < p.Width(); ++x) {
            if (p(x, y) == ink) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
                ++box.count;
            }
        }
    }
    return box;
}

// The family fontconfig itself gives for a request such as "sans-serif:bold".
std::string FontconfigFamily(const char* request) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(request));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string family;
    FcChar8* name = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) {
        family = reinterpret_cast<const char*>(name);
    }
    if (match != nullptr) {
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return family;
}

std::string FaceOf(HDC dc) {
    return platform::FontOf(dc).family;
}

// The width and height of one line of text, as DrawTextA measures it.
SIZE Extent(HDC dc, const char* text, int length) {
    RECT box{0, 0, 0, 0};
    DrawTextA(dc, text, length, &box, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return SIZE{box.right, box.bottom};
}

class Text : public ::testing::Test {
protected:
    // The system palette's colours at their usual places: 0 black, 249 red,
    // 252 blue, 255 white; 246 the game's clear colour.
    static std::array<PALETTEENTRY, 256> GamePalette() {
        std::array<PALETTEENTRY, 256> entries{};
        for (int i = 10; i < 246; ++i) {
            entries[i] = PALETTEENTRY{static_cast<BYTE>(i), 40, 90, 0};
        }
        entries[246] = PALETTEENTRY{255, 251, 240, 0};
        entries[249] = PALETTEENTRY{255, 0, 0, 0};
        entries[252] = PALETTEENTRY{0, 0, 255, 0};
        entries[255] = PALETTEENTRY{255, 255, 255, 0};
        return entries;
    }

    void SetUp() override {
        surface = display.OffScreen(640, 480);
        FillSurface(surface, 246);
        ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    }
    void TearDown() override {
        if (dc != nullptr) {
            surface->ReleaseDC(dc);
        }
        surface->Release();
    }
    // Ends the drawing, so the pixels can be read.
    void Finish() {
        ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
        dc = nullptr;
    }

    CaptureBackend backend;
    GameDisplay display{GamePalette()};
    IDirectDrawSurface* surface = nullptr;
    HDC dc = nullptr;
};

// The loading notice's case: default font and colours, drawn on the primary,
// shown when the context is released.
TEST_F(Text, AFreshContextDrawsBlackOnWhiteInASixteenPixelBoldSansShownOnRelease) {
    FillSurface(display.primary, 246);
    HDC screen = nullptr;
    ASSERT_EQ(display.primary->GetDC(&screen), DD_OK);
    const platform::FontInUse font = platform::FontOf(screen);
    EXPECT_EQ(font.height, 16);
    EXPECT_EQ(font.weight, 700);
    EXPECT_EQ(font.family, FontconfigFamily("sans-serif:bold:scalable=true"));
    const SIZE extent = Extent(screen, "60FPS", 5);
    const int before = backend.presents;
    ASSERT_TRUE(TextOutA(screen, 50, 20, "60FPS", 5));
    EXPECT_EQ(backend.presents, before);
    ASSERT_EQ(display.primary->ReleaseDC(screen), DD_OK);
    EXPECT_EQ(backend.presents, before + 1);
    EXPECT_EQ(backend.At(50, 20), 255);
    EXPECT_EQ(backend.At(49, 20), 246);

    // Opaque white box exactly the text's extent, black ink inside it.
    const InkBox paper = FindInk(display.primary, 255);
    const InkBox ink = FindInk(display.primary, 0);
    ASSERT_FALSE(ink.Empty());
    EXPECT_EQ(paper.Edges(), (std::array<int, 4>{50, 20, 50 + extent.cx - 1, 20 + 16 - 1}));
    EXPECT_GE(ink.left, 50);
    EXPECT_LE(ink.right, 50 + extent.cx - 1);
    EXPECT_GE(ink.top, 20);
    EXPECT_LE(ink.bottom, 35);
    EXPECT_EQ(paper.count + ink.count, extent.cx * 16);
}

TEST_F(Text, ColoursMapToThePaletteAndATransparentBackgroundLeavesAllButTheInk) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(250, 10, 10)); // nearest: the pure red of entry 249
    ASSERT_TRUE(TextOutA(dc, 10, 10, "Quorvane", 8));
    SetBkMode(dc, OPAQUE);
    SetTextColor(dc, PALETTEINDEX(123));
    SetBkColor(dc, PALETTEINDEX(124));
    ASSERT_TRUE(TextOutA(dc, 10, 100, "X", 1));
    Finish();
    EXPECT_TRUE(FindInk(surface, 255).Empty());
    EXPECT_FALSE(FindInk(surface, 249).Empty());
    EXPECT_TRUE(FindInk(surface, 0).Empty());
    EXPECT_FALSE(FindInk(surface, 123).Empty());
    EXPECT_FALSE(FindInk(surface, 124).Empty());
}

TEST_F(Text, AlignmentPlacesTheTextAroundThePoint) {
    const SIZE extent = Extent(dc, "Now Loading...", 14);
    const platform::FontInUse font = platform::FontOf(dc);
    SetTextColor(dc, PALETTEINDEX(20));
    SetBkColor(dc, PALETTEINDEX(30));

    SetTextAlign(dc, TA_CENTER | TA_TOP);
    ASSERT_TRUE(TextOutA(dc, 320, 240, "Now Loading...", 14));
    SetBkColor(dc, PALETTEINDEX(31));
    SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
    ASSERT_TRUE(TextOutA(dc, 600, 100, "Now Loading...", 14));
    SetBkColor(dc, PALETTEINDEX(32));
    SetTextAlign(dc, TA_LEFT | TA_BASELINE);
    ASSERT_TRUE(TextOutA(dc, 10, 400, "Now Loading...", 14));
    Finish();

    const int height = font.height;
    const int left = 320 - extent.cx / 2;
    EXPECT_EQ(FindInk(surface, 30).Edges(),
              (std::array<int, 4>{left, 240, left + extent.cx - 1, 240 + height - 1}));
    EXPECT_EQ(FindInk(surface, 31).Edges(),
              (std::array<int, 4>{600 - extent.cx, 100 - height, 599, 99}));
    EXPECT_EQ(
        FindInk(surface, 32).Edges(),
        (std::array<int, 4>{10, 400 - font.ascent, 10 + extent.cx - 1, 400 + font.descent - 1}));
}

TEST_F(Text, TextPastTheEdgeIsClippedAndExtremePositionsDrawNothing) {
    SetTextColor(dc, PALETTEINDEX(40));
    ASSERT_TRUE(TextOutA(dc, 630, 470, "WWWWWW", 6));
    ASSERT_TRUE(TextOutA(dc, -20, -8, "WWWWWW", 6));
    SetTextColor(dc, PALETTEINDEX(41));
    SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
    EXPECT_TRUE(TextOutA(dc, -0x7FFFFFFF, -0x7FFFFFFF, "WWW", 3));
    SetTextAlign(dc, TA_LEFT);
    EXPECT_TRUE(TextOutA(dc, 0x7FFFFFFF, 0x7FFFFFFF, "WWW", 3));
    RECT far{0x7FFFFFF0, 0, 0x7FFFFFFF, 0x7FFFFFFF};
    DrawTextA(dc, "WWW", 3, &far, DT_CENTER | DT_WORDBREAK);
    Finish();
    const InkBox ink = FindInk(surface, 40);
    EXPECT_FALSE(ink.Empty());
    EXPECT_EQ(ink.left, 0);
    EXPECT_TRUE(FindInk(surface, 41).Empty());
}

TEST_F(Text, TheTitleFaceIsSubstitutedByTheInstalledJapaneseGothic) {
    HFONT title =
        CreateFontA(96, 0, 0, 0, 900, 0, 0, 0, SHIFTJIS_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DRAFT_QUALITY, VARIABLE_PITCH | FF_ROMAN, kGothic);
    ASSERT_NE(title, nullptr);
    HGDIOBJ previous = SelectObject(dc, title);
    EXPECT_NE(previous, nullptr);
    EXPECT_EQ(FaceOf(dc), "IPAGothic");
    EXPECT_EQ(platform::FontOf(dc).height, 96);

    // Selecting the previous font back hands out the title font.
    EXPECT_EQ(SelectObject(dc, previous), title);
    EXPECT_TRUE(DeleteObject(title));
    EXPECT_FALSE(DeleteObject(title));
}

TEST_F(Text, AWeightTheFaceLacksIsSynthesised) {
    auto inkFor = [&](int weight, std::uint8_t colour, int y) {
        HFONT font = CreateFontA(16, 0, 0, 0, weight, 0, 0, 0, SHIFTJIS_CHARSET, OUT_TT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DRAFT_QUALITY, 0x12, kGothic);
        HGDIOBJ old = SelectObject(dc, font);
        SetTextColor(dc, PALETTEINDEX(colour));
        SetBkMode(dc, TRANSPARENT);
        TextOutA(dc, 10, y, "PRESS Z X KEY", 13);
        SelectObject(dc, old);
        DeleteObject(font);
    };
    inkFor(100, 50, 10);
    inkFor(900, 51, 40);
    Finish();
    const InkBox thin = FindInk(surface, 50);
    const InkBox heavy = FindInk(surface, 51);
    ASSERT_FALSE(thin.Empty());
    EXPECT_GT(heavy.count, thin.count * 5 / 4);
    EXPECT_GT(heavy.right, thin.right);
}

TEST_F(Text, ShiftJisTextIsDecodedBeforeDrawing) {
    HFONT font = CreateFontA(-20, 0, 0, 0, 400, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, kGothic);
    SelectObject(dc, font);
    const SIZE latin = Extent(dc, "A", 1);
    const SIZE kana = Extent(dc, "\x83\x41", 2); // ア: one full-width glyph
    const SIZE single = Extent(dc, "\x83", 1);   // a lone lead byte
    EXPECT_EQ(kana.cx, 2 * latin.cx);
    EXPECT_GT(single.cx, 0);
    SetTextColor(dc, PALETTEINDEX(60));
    SetBkMode(dc, TRANSPARENT);
    ASSERT_TRUE(TextOutA(dc, 100, 100, "\x83\x41", 2));
    Finish();
    const InkBox ink = FindInk(surface, 60);
    ASSERT_FALSE(ink.Empty());
    EXPECT_GE(ink.right - ink.left, 10);
    DeleteObject(font);
}

TEST_F(Text, AWidthStretchesTheGlyphsToThatAverageWidth) {
    HFONT normal = CreateFontA(20, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
    HFONT wide = CreateFontA(20, 24, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
    SelectObject(dc, normal);
    const SIZE normalExtent = Extent(dc, "mmmm", 4);
    const platform::FontInUse normalFont = platform::FontOf(dc);
    SelectObject(dc, wide);
    const SIZE wideExtent = Extent(dc, "mmmm", 4);
    const platform::FontInUse wideFont = platform::FontOf(dc);
    EXPECT_EQ(wideFont.averageWidth, 24);
    EXPECT_LT(normalFont.averageWidth, 16);
    EXPECT_EQ(wideFont.height, normalFont.height);
    EXPECT_GT(wideExtent.cx, normalExtent.cx * 3 / 2);
    DeleteObject(normal);
    DeleteObject(wide);
}

TEST_F(Text, BadHandlesArgumentsAndInjectedFaultsAreRefused) {
    HDC bogus = reinterpret_cast<HDC>(std::uintptr_t{0x7773});
    EXPECT_FALSE(TextOutA(bogus, 0, 0, "x", 1));
    EXPECT_EQ(SetTextColor(bogus, 0), CLR_INVALID);
    EXPECT_EQ(SetBkMode(dc, 7), 0);
    EXPECT_FALSE(TextOutA(dc, 0, 0, "x", -1));
    EXPECT_TRUE(TextOutA(dc, 0, 0, nullptr, 0));
    EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(std::uintptr_t{0x51})), nullptr);
    EXPECT_FALSE(DeleteObject(nullptr));
    // Only one context at a time per surface, and only its own is taken back.
    HDC second = nullptr;
    EXPECT_EQ(surface->GetDC(&second), DDERR_DCALREADYCREATED);
    EXPECT_EQ(surface->ReleaseDC(bogus), DDERR_NODC);

    platform::InjectFault("CreateFontA", 0, 1);
    EXPECT_EQ(CreateFontA(16, 0, 0, 0, 100, 0, 0, 0, 128, 4, 0, 1, 0x12, kGothic), nullptr);
    HFONT font = CreateFontA(16, 0, 0, 0, 100, 0, 0, 0, 128, 4, 0, 1, 0x12, kGothic);
    EXPECT_NE(font, nullptr) << "the fault was for one call";
    DeleteObject(font);
}

TEST_F(Text, DrawTextAlignsInItsRectangleClipsToItAndBreaksLines) {
    SetTextColor(dc, PALETTEINDEX(70));
    SetBkMode(dc, TRANSPARENT);
    RECT box{100, 100, 300, 200};
    const int height = DrawTextA(dc, "centre", -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(height, (100 - 16) / 2 + 16);

    SetTextColor(dc, PALETTEINDEX(71));
    RECT narrow{400, 300, 420, 340};
    DrawTextA(dc, "WWWWWWWW", 8, &narrow, DT_LEFT);

    SetTextColor(dc, PALETTEINDEX(72));
    RECT lines{10, 300, 200, 400};
    EXPECT_EQ(DrawTextA(dc, "one\r\ntwo\nthree", -1, &lines, DT_LEFT), 3 * 16);

    RECT measure{0, 0, 0, 0};
    SIZE extent = Extent(dc, "three", 5);
    EXPECT_EQ(DrawTextA(dc, "one\ntwo\nthree", -1, &measure, DT_CALCRECT), 48);
    EXPECT_EQ(measure.right, extent.cx);
    EXPECT_EQ(measure.bottom, 48);
    // Long lines break between words.
    extent = Extent(dc, "PRESS ENTER", 11);
    RECT narrowBox{0, 0, extent.cx + 2, 400};
    EXPECT_EQ(DrawTextA(dc, "PRESS ENTER SPACE KEY", -1, &narrowBox, DT_WORDBREAK | DT_CALCRECT),
              32);
    EXPECT_LE(narrowBox.right, extent.cx + 2);
    Finish();

    const InkBox centred = FindInk(surface, 70);
    ASSERT_FALSE(centred.Empty());
    EXPECT_NEAR((centred.left + centred.right) / 2, 200, 3);
    EXPECT_NEAR((centred.top + centred.bottom) / 2, 150, 4);

    const InkBox clipped = FindInk(surface, 71);
    ASSERT_FALSE(clipped.Empty());
    EXPECT_GE(clipped.left, 400);
    EXPECT_LE(clipped.right, 419);

    const InkBox three = FindInk(surface, 72);
    EXPECT_GE(three.top, 300);
    EXPECT_GT(three.bottom, 300 + 32); // the third line is drawn below the other two
    EXPECT_LE(three.bottom, 300 + 48);
}

} // namespace
