// Colours as the generators work with them: floating-point RGB on the 0-255
// scale of the palette (sRGB), plus the few conversions the painters need.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace artwork {

struct Rgb {
    double r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb operator-(Rgb a, Rgb b) {
    return {a.r - b.r, a.g - b.g, a.b - b.b};
}
inline Rgb operator*(Rgb a, double k) {
    return {a.r * k, a.g * k, a.b * k};
}
inline Rgb operator*(Rgb a, Rgb b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
inline Rgb Mix(Rgb a, Rgb b, double t) {
    return a + (b - a) * t;
}

inline double Clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}
inline double SmoothStep(double e0, double e1, double v) {
    double t = Clamp01((v - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Perceptually weighted squared distance; used for every palette match so that
// the choice of colour agrees everywhere.
inline double Distance2(Rgb a, Rgb b) {
    double dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

// Linear light (0..1) to the palette's 0..255 sRGB scale and back.
inline double LinearToSrgb255(double v) {
    v = Clamp01(v);
    double s = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    return 255 * s;
}
inline double Srgb255ToLinear(double v) {
    double s = std::clamp(v / 255, 0.0, 1.0);
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}
inline Rgb LinearToSrgb(Rgb c) {
    return {LinearToSrgb255(c.r), LinearToSrgb255(c.g), LinearToSrgb255(c.b)};
}
inline Rgb SrgbToLinear(Rgb c) {
    return {Srgb255ToLinear(c.r), Srgb255ToLinear(c.g), Srgb255ToLinear(c.b)};
}

struct PaletteEntry {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const PaletteEntry&) const = default;
};

inline Rgb ToRgb(PaletteEntry e) {
    return {double(e.r), double(e.g), double(e.b)};
}
inline PaletteEntry ToEntry(Rgb c) {
    auto channel = [](double v) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
    };
    return {channel(c.r), channel(c.g), channel(c.b)};
}

} // namespace artwork
