#include "util/hsv_colour.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double DEGREES_PER_SECTOR = 60.0;
constexpr double TENTHS_PER_SECTOR = 600.0;
constexpr double RAMP_PER_TENTH = 0.425; // 255 steps over the 600 tenths of a sector
constexpr double HUE_STEPS = 1530.0;     // six sectors of 255 steps

using Channels = std::array<int, 3>; // red, green, blue

int ChannelOf(std::uint32_t rgb, int index) {
    return (rgb >> (8 * index)) & 0xFF;
}

Channels Unpack(std::uint32_t rgb) {
    return {ChannelOf(rgb, 0), ChannelOf(rgb, 1), ChannelOf(rgb, 2)};
}

std::uint32_t Pack(const Channels& c) {
    return (c[0] & 0xFFu) | (c[1] & 0xFFu) << 8 | (c[2] & 0xFFu) << 16;
}

// A level limited to 0..100; NaN counts as 0.
double Percent(double x) {
    return x >= 0 ? std::min(x, 100.0) : 0.0;
}

// A hue brought into [0, 360); infinities and NaN count as 0.
double HueInRange(double h) {
    if (!std::isfinite(h)) {
        return 0.0;
    }
    h = std::fmod(h, 360.0);
    if (h < 0) {
        h += 360.0;
    }
    return h < 360.0 ? h : 0.0; // a tiny negative hue rounds up to 360
}

// The fully saturated, full-value colour of sector 0 to 5, ramp steps
// (0..254) into it.
Channels SectorColour(int sector, int ramp) {
    switch (sector) {
    case 0:
        return {255, ramp, 0};
    case 1:
        return {255 - ramp, 255, 0};
    case 2:
        return {0, 255, ramp};
    case 3:
        return {0, 255 - ramp, 255};
    case 4:
        return {ramp, 0, 255};
    default:
        return {255, 0, 255 - ramp};
    }
}

double HueStep(double hA, double hB, double t, double d, std::int32_t direction) {
    const bool shorter = direction == 0;
    if (hA < hB) {
        const double gap = hB - hA;
        if ((gap <= 180) == shorter) {
            return hA + WrapHue(gap) * t / d; // upwards
        }
        return (hA + 360) - WrapHue((hA + 360) - hB) * t / d; // downwards through 0
    }
    const double gap = hA - hB;
    if ((gap <= 180) == shorter) {
        return hA - WrapHue(gap) * t / d; // downwards
    }
    if (hA == hB && direction > 0) {
        return hA + t * 360 / d;
    }
    if (hA == hB && direction < 0) {
        return (hA + 360) - t * 360 / d;
    }
    return hA + WrapHue((hB + 360) - hA) * t / d; // upwards through 360
}

double LevelStep(double a, double b, double t, double d) {
    return a < b ? a + WrapLevel(b - a) * t / d : a - WrapLevel(a - b) * t / d;
}

template <typename Combine>
std::uint32_t CombineChannels(std::uint32_t a, std::uint32_t b, Combine combine) {
    const Channels ca = Unpack(a);
    const Channels cb = Unpack(b);
    return Pack({combine(ca[0], cb[0]), combine(ca[1], cb[1]), combine(ca[2], cb[2])});
}

int SaturatedSum(int a, int b) {
    return std::min(a + b, 255);
}
int Difference(int a, int b) {
    return std::abs(a - b);
}

unsigned EqualityMask(bool hue, bool saturation, bool value, bool rgb) {
    return (hue ? 1u : 0u) | (saturation ? 2u : 0u) | (value ? 4u : 0u) | (rgb ? 16u : 0u);
}

} // namespace

double WrapHue(double h) {
    return std::fmod(h * 10, 3600) / 10;
}

double WrapLevel(double x) {
    return std::fmod(x * 1000, 100001) / 1000;
}

HsvColour::HsvColour(double h, double s, double v) : HsvColour() {
    SetHsv(h, s, v);
}

HsvColour::HsvColour(std::uint32_t rgb_) : HsvColour() {
    SetRgb(rgb_);
}

std::uint32_t HsvColour::HsvToRgb(double h, double s, double v) {
    h = HueInRange(h);
    s = Percent(s);
    v = Percent(v);
    const int sector = static_cast<int>(h / DEGREES_PER_SECTOR);
    const int ramp = static_cast<int>(std::fmod(h * 10, TENTHS_PER_SECTOR) * RAMP_PER_TENTH);
    Channels c = SectorColour(sector, ramp);
    for (int& channel : c) {
        channel += static_cast<int>(std::ceil((100 - s) * (255 - channel) / 100));
        channel = static_cast<int>(channel * v / 100);
    }
    return Pack(c);
}

Vector3 HsvColour::RgbToHsv(std::uint32_t rgb_) {
    Channels c = Unpack(rgb_);
    std::array<bool, 3> isMax{};
    std::array<bool, 3> isMin{};
    for (int i = 0; i < 3; ++i) {
        const int other1 = c[(i + 1) % 3];
        const int other2 = c[(i + 2) % 3];
        isMax[i] = c[i] >= other1 && c[i] >= other2;
        isMin[i] = !isMax[i] && c[i] <= other1 && c[i] <= other2;
    }
    const auto firstMax = std::find(isMax.begin(), isMax.end(), true) - isMax.begin();
    const auto firstMin = std::find(isMin.begin(), isMin.end(), true) - isMin.begin();

    // Stretch the channels to full value, then to full saturation, leaving
    // the pure hue: one channel 255, one 0.
    const double v = c[firstMax] * 100.0 / 255;
    for (int& channel : c) {
        channel = v == 0 ? 0 : std::min(static_cast<int>(std::ceil(channel * 100.0 / v)), 255);
    }
    const double s = firstMin == 3 ? 0.0 : 100 - c[firstMin] * 100.0 / 255;
    for (int& channel : c) {
        channel = s == 0
                      ? static_cast<int>(255 * v / 100)
                      : std::max(255 - static_cast<int>(std::ceil((255 - channel) * 100 / s)), 0);
    }

    const int r = c[0], g = c[1], b = c[2];
    double steps = 0; // along the hue circle, 255 per sector
    if (r == g && g == b) {
        steps = 0;
    } else if (r == 255) {
        steps = g != 0 ? g : (1530 - b) % 1530;
    } else if (g == 255) {
        steps = b != 0 ? b + 510 : 510 - r;
    } else if (b == 255) {
        steps = r != 0 ? r + 1020 : 1020 - g;
    }
    const double hue = steps * 360 / HUE_STEPS;
    return Vector3(std::ceil(hue * 10) / 10, std::ceil(s * 1000) / 1000,
                   std::ceil(v * 1000) / 1000);
}

void HsvColour::SetRaw(double h, double s, double v, std::uint32_t rgb_) {
    hue = h;
    saturation = s;
    value = v;
    rgb = rgb_;
}

void HsvColour::SetHsv(double h, double s, double v) {
    hue = WrapHue(h);
    saturation = WrapLevel(s);
    value = WrapLevel(v);
    rgb = HsvToRgb(hue, saturation, value);
}

void HsvColour::SetRgb(std::uint32_t rgb_) {
    rgb = rgb_ & 0xFFFFFF;
    const Vector3 hsv = RgbToHsv(rgb);
    hue = hsv.x;
    saturation = hsv.y;
    value = hsv.z;
}

int HsvColour::GradientRgb(std::uint32_t n, std::uint32_t i, std::uint32_t a, std::uint32_t b) {
    if (n < 2) {
        return 0;
    }
    // 64-bit products: (b - a) x t does not fit 32 bits once n passes 2^24.
    const std::uint64_t t = i % n;
    const std::uint64_t d = n - 1;
    SetRgb(CombineChannels(a, b, [&](std::uint64_t ca, std::uint64_t cb) {
        const std::uint64_t c = ca < cb ? ca + (cb - ca) * t / d : ca - (ca - cb) * t / d;
        return static_cast<int>(c % 256);
    }));
    return 1;
}

int HsvColour::GradientHsv(std::uint32_t n, std::uint32_t i, const Vector3& a, const Vector3& b,
                           std::int32_t direction) {
    if (n < 2) {
        return 0;
    }
    const double t = i % n;
    const double d = n - 1;
    SetHsv(HueStep(WrapHue(a.x), WrapHue(b.x), t, d, direction),
           LevelStep(WrapLevel(a.y), WrapLevel(b.y), t, d),
           LevelStep(WrapLevel(a.z), WrapLevel(b.z), t, d));
    return 1;
}

HsvColour HsvColour::Add(const HsvColour& other) const {
    HsvColour sum = Add(other.hue, other.saturation, other.value);
    sum.rgb = CombineChannels(rgb, other.rgb, SaturatedSum);
    return sum;
}

HsvColour HsvColour::Add(double h, double s, double v) const {
    return HsvColour(hue + h, saturation + s, value + v);
}

HsvColour HsvColour::Add(std::uint32_t rgb_) const {
    return HsvColour(CombineChannels(rgb, rgb_, SaturatedSum));
}

HsvColour HsvColour::Subtract(const HsvColour& other) const {
    HsvColour difference = Subtract(other.hue, other.saturation, other.value);
    difference.rgb = CombineChannels(rgb, other.rgb, Difference);
    return difference;
}

HsvColour HsvColour::Subtract(double h, double s, double v) const {
    return HsvColour(std::fabs(hue - h), std::fabs(saturation - s), std::fabs(value - v));
}

HsvColour HsvColour::Subtract(std::uint32_t rgb_) const {
    return HsvColour(CombineChannels(rgb, rgb_, Difference));
}

unsigned HsvColour::Compare(const HsvColour& other) const {
    return EqualityMask(hue == other.hue, saturation == other.saturation, value == other.value,
                        rgb == other.rgb);
}

unsigned HsvColour::Compare(double h, double s, double v) const {
    return EqualityMask(hue == h, saturation == s, value == v, rgb == HsvToRgb(h, s, v));
}

unsigned HsvColour::Compare(std::uint32_t rgb_) const {
    const Vector3 hsv = RgbToHsv(rgb_);
    return EqualityMask(hue == hsv.x, saturation == hsv.y, value == hsv.z, rgb == rgb_);
}

std::uint32_t HsvRampRgb(std::uint32_t n, std::uint32_t k, const Vector3& from, const Vector3& to,
                         std::int32_t direction) {
    HsvColour colour(from.x, from.y, from.z);
    colour.GradientHsv(n, k, from, to, direction);
    return colour.rgb;
}
