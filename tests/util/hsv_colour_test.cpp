#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "util/myutil.h"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

void ExpectHsv(const HsvColour& c, double h, double s, double v, std::int64_t rgb = -1) {
    EXPECT_TRUE(c.hue == h && c.saturation == s && c.value == v)
        << c.hue << " " << c.saturation << " " << c.value;
    EXPECT_TRUE(rgb < 0 || c.rgb == rgb) << std::hex << c.rgb;
}

struct Case {
    double h, s, v;
    std::uint32_t rgb;
};

// The ramp within a sector truncates, saturation rounds up and value down;
// hues are taken modulo 360 and levels limited to 0 to 100.
TEST(HsvColour, HsvToRgbAndBack) {
    // clang-format off
    const Case forth[] = {
        {0, 100, 100, 0x0000FF}, {120, 100, 100, 0x00FF00}, {240, 100, 100, 0xFF0000},
        {30, 100, 100, 0x007FFF}, {90, 100, 100, 0x00FF80}, {150, 100, 100, 0x7FFF00},
        {59.9, 100, 100, 0x00FEFF}, {10, 100, 100, 0x002AFF}, {30, 50, 100, 0x80BFFF},
        {30, 50, 50, 0x405F7F}, {-60, 100, 100, 0xFF00FF}, {-690, 100, 100, 0x007FFF},
        {INF, 100, 100, 0x0000FF}, {30, 150, 100, 0x007FFF}, {30, 100, NaN, 0},
        {210, 100, 100, 0xFF8000}, {270, 100, 100, 0xFF007F}, {330, 100, 100, 0x8000FF}};
    // Back: stretched to full value and saturation before the hue is read,
    // each figure rounded up; greys have no hue, and bits 24 to 31 are ignored.
    const Case back[] = {
        {30.2, 100, 100, 0x0080FF}, {96.5, 100, 100, 0x00FF64}, {216.5, 100, 100, 0xFF6400},
        {255.1, 100, 100, 0xFF0040}, {336.5, 100, 100, 0x6400FF}, {0, 100, 50.197, 0x000080},
        {29.5, 98.432, 100, 0x0480FF}, {30.2, 49.804, 50.197, 0x406080},
        {270.2, 49.804, 50.197, 0x804060}, {0, 0, 0, 0}, {0, 0, 50.197, 0xFF808080}};
    // clang-format on
    for (const Case& c : forth) {
        EXPECT_EQ(HsvColour::HsvToRgb(c.h, c.s, c.v), c.rgb) << c.h << " " << c.s << " " << c.v;
    }
    for (const Case& c : back) {
        const Vector3 hsv = HsvColour::RgbToHsv(c.rgb);
        EXPECT_EQ(hsv.Equals(c.h, c.s, c.v), 1) << std::hex << c.rgb;
    }
    for (double h = 0; h < 360; h += 0.7) {
        ASSERT_EQ(HsvColour::HsvToRgb(h, 0, 100), 0xFFFFFFu) << h;
        ASSERT_EQ(HsvColour::HsvToRgb(h, 63, 0), 0u) << h;
    }
}

TEST(HsvColour, ConstructorsSettersAndArithmeticKeepBothSidesInStep) {
    EXPECT_EQ(WrapHue(725), 5);
    EXPECT_EQ(WrapLevel(150), 49.999);
    ExpectHsv(HsvColour(370, 100, 100), 10, 100, 100, 0x002AFF);
    ExpectHsv(HsvColour(-60, 100, 100), -60, 100, 100, 0xFF00FF);
    ExpectHsv(HsvColour(0xAB0080FFu), 30.2, 100, 100, 0x0080FF);
    HsvColour c;
    c.SetHsv(480, 50, 50);
    ExpectHsv(c, 120, 50, 50, HsvColour::HsvToRgb(120, 50, 50));
    c.SetRgb(0x1000FF00);
    ExpectHsv(c, 120, 100, 100, 0x00FF00);
    // The HSV forms wrap each field (saturation 110 past 100.001); the rgb
    // forms add limited to 255 or take the absolute difference per channel.
    const HsvColour base(350, 50, 60), a(0x204080u);
    ExpectHsv(base.Add(20, 30, 40), 10, 80, 100, 0x3355FF);
    ExpectHsv(base.Add(10, 60, 0), 0, 9.999, 60);
    ExpectHsv(HsvColour(10, 20, 30).Subtract(350, 50, 10), 340, 30, 20);
    ExpectHsv(a.Add(0xFF40C0A0u), 60, 62.353, 100, 0x60FFFF);
    ExpectHsv(a.Subtract(0x40C0A0u), 120, 74.902, 50.197, 0x208020);
    ExpectHsv(base, 350, 50, 60);
    // Compare: bit 0 hue, 1 saturation, 2 value, 4 rgb.
    const HsvColour green(120, 50, 50);
    EXPECT_EQ(green.Compare(HsvColour(120, 50, 60)), 0x03u);
    EXPECT_EQ(green.Compare(HsvColour(240, 50, 50)), 0x06u);
    EXPECT_EQ(green.Compare(480, 50, 50), 0x16u); // not wrapped, but the same rgb
}

// Red 0 -> 255, green 200 -> 0, blue 16 -> 128 in four steps, rounding
// towards the start; the index wraps, and long gradients do not overflow.
TEST(HsvColour, GradientRgbStepsEachChannelTowardsItsEnd) {
    HsvColour c(0x123456u);
    EXPECT_EQ(c.GradientRgb(1, 0, 0, 0xFFFFFF), 0);
    EXPECT_EQ(c.rgb, 0x123456u);
    const std::uint32_t expected[] = {0x10C800, 0x358655, 0x5A43AA, 0x8000FF};
    for (std::uint32_t i = 0; i < 8; ++i) {
        ASSERT_EQ(c.GradientRgb(4, i, 0x10C800, 0x8000FF), 1);
        EXPECT_EQ(c.rgb, expected[i % 4]) << i;
        EXPECT_TRUE(HsvColour::RgbToHsv(c.rgb).Equals(c.hue, c.saturation, c.value)) << i;
    }
    ASSERT_EQ(c.GradientRgb(0x80000000u, 0x40000000u, 0x000000, 0x0000FF), 1);
    EXPECT_EQ(c.rgb, 0x00007Fu);
}

// Direction 0 takes the shorter way round the hue circle (half a turn counts
// as shorter), any other the longer; equal hues make a full turn either way.
TEST(HsvColour, GradientHsvTurnsTheHueTheWayAskedAndStepsTheLevels) {
    const struct {
        double from, to;
        int direction;
        std::vector<double> hues;
    } cases[] = {{350, 10, 0, {350, 355, 0, 5, 10}},
                 {350, 10, 1, {350, 265, 180, 95, 10}},
                 {10, 100, -1, {10, 280, 190, 100}},
                 {0, 180, 0, {0, 90, 180}},
                 {0, 180, 1, {0, 270, 180}},
                 {100, 100, 1, {100, 190, 280, 10, 100}},
                 {100, 100, -1, {100, 10, 280, 190, 100}},
                 {710, 370, 0, {350, 0, 10}}};
    for (const auto& c : cases) {
        HsvColour colour;
        const auto n = static_cast<std::uint32_t>(c.hues.size());
        for (std::uint32_t i = 0; i < n; ++i) {
            const Vector3 a(c.from, 100, 100), b(c.to, 100, 100);
            ASSERT_EQ(colour.GradientHsv(n, i, a, b, c.direction), 1);
            ExpectHsv(colour, c.hues[i], 100, 100, HsvColour::HsvToRgb(c.hues[i], 100, 100));
        }
    }
    HsvColour c(0x123456u);
    const Vector3 a(350, 100, 100), b(10, 50, 0);
    EXPECT_EQ(c.GradientHsv(1, 0, a, b, 0), 0);
    EXPECT_EQ(c.rgb, 0x123456u);
    ASSERT_EQ(c.GradientHsv(5, 7, a, b, 0), 1); // 7 modulo 5
    ExpectHsv(c, 0, 75, 50, 0x20207F);
    ASSERT_EQ(c.GradientHsv(5, 3, b, a, 0), 1); // levels rising
    ExpectHsv(c, 355, 87.5, 75);
    EXPECT_EQ(HsvRampRgb(5, 2, Vector3(0, 100, 100), Vector3(120, 100, 100), 1), 0xFF0000u);
}

} // namespace
