#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "util/myutil.h"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

void ExpectHsv(const HsvColour& c, double h, double s, double v) {
    EXPECT_EQ(c.hue, h);
    EXPECT_EQ(c.saturation, s);
    EXPECT_EQ(c.value, v);
}

struct Case {
    double h, s, v;
    std::uint32_t rgb;
};

TEST(HsvToRgb, SectorsRampAndLevelRounding) {
    // clang-format off
    const Case cases[] = {
        {0, 100, 100, 0x0000FF}, {120, 100, 100, 0x00FF00}, {240, 100, 100, 0xFF0000},
        // Mid-sector, ramp 127.5 truncated, and either side of a boundary.
        {30, 100, 100, 0x007FFF}, {90, 100, 100, 0x00FF80}, {150, 100, 100, 0x7FFF00},
        {210, 100, 100, 0xFF8000}, {270, 100, 100, 0xFF007F}, {330, 100, 100, 0x8000FF},
        {59.9, 100, 100, 0x00FEFF}, {60, 100, 100, 0x00FFFF}, {10, 100, 100, 0x002AFF},
        // Saturation rounds up (0 + ceil(127.5)), value truncates (127.5, 95.5).
        {30, 50, 100, 0x80BFFF}, {30, 50, 50, 0x405F7F}, {10, 80, 100, 0x3355FF},
        // Out of range: hues taken modulo 360, levels limited to 0..100.
        {-60, 100, 100, 0xFF00FF}, {-0.1, 100, 100, 0x0100FF}, {-1e-300, 100, 100, 0x0000FF},
        {360, 100, 100, 0x0000FF}, {720, 100, 100, 0x0000FF}, {-690, 100, 100, 0x007FFF},
        {1e300, 0, 100, 0xFFFFFF}, {INF, 100, 100, 0x0000FF}, {NaN, 100, 100, 0x0000FF},
        {30, 150, 100, 0x007FFF}, {30, -20, 100, 0xFFFFFF}, {30, 100, 1e9, 0x007FFF},
        {30, 100, -5, 0}, {30, 100, NaN, 0}};
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(HsvColour::HsvToRgb(c.h, c.s, c.v), c.rgb) << c.h << " " << c.s << " " << c.v;
    }
    for (double h = 0; h < 360; h += 0.7) {
        ASSERT_EQ(HsvColour::HsvToRgb(h, 0, 100), 0xFFFFFFu) << h;
        ASSERT_EQ(HsvColour::HsvToRgb(h, 63, 0), 0u) << h;
    }
}

TEST(RgbToHsv, HueSectorsGreysAndRoundingUp) {
    // clang-format off
    const Case cases[] = {
        {0, 100, 100, 0x0000FF}, {30.2, 100, 100, 0x0080FF}, // 30.117... up
        {96.5, 100, 100, 0x00FF64}, {143.6, 100, 100, 0x64FF00}, {216.5, 100, 100, 0xFF6400},
        {255.1, 100, 100, 0xFF0040}, {336.5, 100, 100, 0x6400FF}, {300, 100, 100, 0xFF00FF},
        {0, 100, 50.197, 0x000080},                                 // 50.196... up
        {60, 49.804, 100, 0x80FFFF}, {29.5, 98.432, 100, 0x0480FF}, // 98.431... up
        // Stretched to full value and saturation before the hue is read.
        {30.2, 49.804, 50.197, 0x406080}, {209.9, 49.804, 50.197, 0x806040},
        {270.2, 49.804, 50.197, 0x804060},
        {0, 0, 0, 0}, {0, 0, 50.197, 0x808080}, {0, 0, 100, 0xFFFFFF},
        {0, 0, 50.197, 0xFF808080}}; // bits 24 to 31 ignored
    // clang-format on
    for (const Case& c : cases) {
        const Vector3 hsv = HsvColour::RgbToHsv(c.rgb);
        EXPECT_EQ(hsv.Equals(c.h, c.s, c.v), 1)
            << std::hex << c.rgb << std::dec << ": " << hsv.x << " " << hsv.y << " " << hsv.z;
    }
}

TEST(HsvColour, WrapsConstructorsAndSetters) {
    EXPECT_EQ(WrapHue(725), 5);
    EXPECT_EQ(WrapHue(-30), -30);
    EXPECT_EQ(WrapLevel(100), 100);
    EXPECT_EQ(WrapLevel(150), 49.999);
    EXPECT_EQ(WrapLevel(-5), -5);

    ExpectHsv(HsvColour(360, 100, 100), 0, 100, 100);
    const HsvColour wrapped(370, 100, 100);
    ExpectHsv(wrapped, 10, 100, 100);
    EXPECT_EQ(wrapped.rgb, 0x002AFFu);
    const HsvColour negative(-60, 100, 100);
    EXPECT_EQ(negative.hue, -60);
    EXPECT_EQ(negative.rgb, 0xFF00FFu);

    const HsvColour fromRgb(0xAB0080FFu);
    EXPECT_EQ(fromRgb.rgb, 0x0080FFu);
    ExpectHsv(fromRgb, 30.2, 100, 100);

    HsvColour c(fromRgb);
    EXPECT_EQ(c.Compare(fromRgb), 0x17u);
    c.SetHsv(480, 50, 50);
    ExpectHsv(c, 120, 50, 50);
    EXPECT_EQ(c.rgb, HsvColour::HsvToRgb(120, 50, 50));
    c.SetRgb(0x1000FF00);
    EXPECT_EQ(c.rgb, 0x00FF00u);
    ExpectHsv(c, 120, 100, 100);
}

TEST(HsvColour, GradientRgbStepsEachChannelTowardsItsEnd) {
    HsvColour c(0x123456u);
    EXPECT_EQ(c.GradientRgb(1, 0, 0, 0xFFFFFF), 0);
    EXPECT_EQ(c.GradientRgb(0, 0, 0, 0xFFFFFF), 0);
    EXPECT_EQ(c.rgb, 0x123456u);

    // Red 0 -> 255, green 200 -> 0, blue 16 -> 128, rounding towards the start.
    const std::uint32_t expected[] = {0x10C800, 0x358655, 0x5A43AA, 0x8000FF};
    for (std::uint32_t i = 0; i < 8; ++i) {
        ASSERT_EQ(c.GradientRgb(4, i, 0x10C800, 0x8000FF), 1);
        EXPECT_EQ(c.rgb, expected[i % 4]) << i;
        const Vector3 hsv = HsvColour::RgbToHsv(c.rgb);
        EXPECT_EQ(c.Compare(hsv.x, hsv.y, hsv.z) & 7u, 7u);
    }
    // Long gradients, where the channel products no longer fit 32 bits.
    const std::uint32_t n = 0x80000000u;
    ASSERT_EQ(c.GradientRgb(n, n / 2, 0x000000, 0x0000FF), 1);
    EXPECT_EQ(c.rgb, 0x00007Fu);
    ASSERT_EQ(c.GradientRgb(n, n - 1, 0xFFFFFF, 0x000000), 1);
    EXPECT_EQ(c.rgb, 0u);
}

std::vector<double> GradientHues(double from, double to, std::int32_t direction, std::uint32_t n) {
    std::vector<double> hues;
    HsvColour c;
    for (std::uint32_t i = 0; i < n; ++i) {
        EXPECT_EQ(c.GradientHsv(n, i, Vector3(from, 100, 100), Vector3(to, 100, 100), direction),
                  1);
        EXPECT_EQ(c.rgb, HsvColour::HsvToRgb(c.hue, 100, 100));
        hues.push_back(c.hue);
    }
    return hues;
}

TEST(HsvColour, GradientHsvHueDirections) {
    using V = std::vector<double>;
    EXPECT_EQ(GradientHues(350, 10, 0, 5), (V{350, 355, 0, 5, 10}));
    EXPECT_EQ(GradientHues(350, 10, 1, 5), (V{350, 265, 180, 95, 10}));
    EXPECT_EQ(GradientHues(10, 100, 0, 4), (V{10, 40, 70, 100}));
    EXPECT_EQ(GradientHues(10, 100, -1, 4), (V{10, 280, 190, 100}));
    EXPECT_EQ(GradientHues(10, 350, 0, 5), (V{10, 5, 0, 355, 350}));
    EXPECT_EQ(GradientHues(10, 350, 1, 5), (V{10, 95, 180, 265, 350}));
    EXPECT_EQ(GradientHues(0, 180, 0, 3), (V{0, 90, 180})); // half a turn counts as shorter
    EXPECT_EQ(GradientHues(0, 180, 1, 3), (V{0, 270, 180}));
    EXPECT_EQ(GradientHues(200, 20, 0, 3), (V{200, 110, 20}));
    EXPECT_EQ(GradientHues(200, 20, 1, 3), (V{200, 290, 20}));
    EXPECT_EQ(GradientHues(100, 100, 0, 5), (V{100, 100, 100, 100, 100}));
    EXPECT_EQ(GradientHues(100, 100, 1, 5), (V{100, 190, 280, 10, 100}));
    EXPECT_EQ(GradientHues(100, 100, -1, 5), (V{100, 10, 280, 190, 100}));
    EXPECT_EQ(GradientHues(710, 370, 0, 3), (V{350, 0, 10})); // ends wrapped first
}

TEST(HsvColour, GradientHsvLevelsIndexWrapAndRefusal) {
    HsvColour c(0x123456u);
    const Vector3 a(350, 100, 100), b(10, 50, 0);
    EXPECT_EQ(c.GradientHsv(1, 0, a, b, 0), 0);
    EXPECT_EQ(c.rgb, 0x123456u);
    ASSERT_EQ(c.GradientHsv(5, 1, a, b, 0), 1);
    ExpectHsv(c, 355, 87.5, 75);
    ASSERT_EQ(c.GradientHsv(5, 7, a, b, 0), 1); // 7 modulo 5
    ExpectHsv(c, 0, 75, 50);
    EXPECT_EQ(c.rgb, 0x20207Fu);
    ASSERT_EQ(c.GradientHsv(5, 3, b, a, 0), 1); // levels rising
    ExpectHsv(c, 355, 87.5, 75);
}

TEST(HsvColour, AddAndSubtract) {
    const HsvColour base(350, 50, 60);
    const HsvColour sum = base.Add(20, 30, 40);
    ExpectHsv(sum, 10, 80, 100);
    EXPECT_EQ(sum.rgb, 0x3355FFu);
    ExpectHsv(base.Add(10, 60, 0), 0, 9.999, 60); // 110 wraps past 100.001
    ExpectHsv(HsvColour(10, 20, 30).Subtract(350, 50, 10), 340, 30, 20);
    ExpectHsv(base, 350, 50, 60);

    // With another colour the HSV fields combine as above and the rgb
    // channel by channel (red 0x99 + 0xCC stops at 255): the two sides are
    // not made to agree.
    const HsvColour other(20, 30, 80); // rgb 0x8FA3CC; base is 0x594C99
    const HsvColour colourSum = base.Add(other);
    ExpectHsv(colourSum, 10, 80, 39.999);
    EXPECT_EQ(colourSum.rgb, 0xE8EFFFu);
    for (const HsvColour& colourDifference : {base.Subtract(other), other.Subtract(base)}) {
        ExpectHsv(colourDifference, 330, 20, 20);
        EXPECT_EQ(colourDifference.rgb, 0x365733u);
    }
    // With an rgb value only the channels combine; the HSV fields follow
    // from the result, and bits 24 to 31 of the operand are ignored.
    const HsvColour a(0x204080u);
    const HsvColour rgbSum = a.Add(0xFF40C0A0u);
    EXPECT_EQ(rgbSum.rgb, 0x60FFFFu);
    ExpectHsv(rgbSum, 60, 62.353, 100);
    const HsvColour rgbDifference = a.Subtract(0x40C0A0u);
    EXPECT_EQ(rgbDifference.rgb, 0x208020u);
    ExpectHsv(rgbDifference, 120, 74.902, 50.197);
    EXPECT_EQ(a.rgb, 0x204080u);
}

TEST(HsvColour, CompareMasks) {
    const HsvColour c(120, 50, 50);
    EXPECT_EQ(c.Compare(HsvColour(120, 50, 50)), 0x17u);
    EXPECT_EQ(c.Compare(HsvColour(120, 50, 60)), 0x03u);
    EXPECT_EQ(c.Compare(HsvColour(240, 50, 50)), 0x06u);
    EXPECT_EQ(c.Compare(120, 50, 50), 0x17u);
    EXPECT_EQ(c.Compare(480, 50, 50), 0x16u); // not wrapped, but the same rgb
    EXPECT_EQ(c.Compare(120, 49, 50), 0x05u);
    const HsvColour red(0x0000FFu);
    EXPECT_EQ(red.Compare(0x0000FFu), 0x17u);
    EXPECT_EQ(red.Compare(0x000080u), 0x03u);
    EXPECT_EQ(red.Compare(0x0080FFu), 0x06u);
    EXPECT_EQ(red.Compare(0x010000FFu), 0x07u);
}

TEST(HsvRampRgb, PaletteRampColours) {
    const Vector3 red(0, 100, 100), green(120, 100, 100);
    EXPECT_EQ(HsvRampRgb(5, 0, red, green, 0), 0x0000FFu);
    EXPECT_EQ(HsvRampRgb(5, 2, red, green, 0), 0x00FFFFu);
    EXPECT_EQ(HsvRampRgb(5, 4, red, green, 0), 0x00FF00u);
    EXPECT_EQ(HsvRampRgb(5, 2, red, green, 1), 0xFF0000u); // the long way, through blue
    EXPECT_EQ(HsvRampRgb(1, 0, green, red, 0), 0x00FF00u);
    EXPECT_EQ(HsvRampRgb(3, 1, Vector3(0, 0, 100), Vector3(0, 0, 0), 0), 0x7F7F7Fu);
}

} // namespace
