// The small float vector and math helpers shared by the simulation, the
// sprites and the title screen.
#pragma once

#include <cstdint>

struct Vec2 {
    float x;
    float y;

    Vec2() = default; // leaves both components unset, like a plain struct
    Vec2(float x_, float y_) : x(x_), y(y_) {}

    Vec2& operator+=(const Vec2& b) {
        x += b.x;
        y += b.y;
        return *this;
    }
    Vec2 operator-(const Vec2& b) const { return Vec2(x - b.x, y - b.y); }
    Vec2 operator*(float s) const { return Vec2(s * x, s * y); }
};

// Single-precision front ends of the C library's functions: float in, the
// work done in double, float out.
float Atan2(float y, float x);
float Cos(float a);
float Sin(float a);
float Sqrt(float a);

float Length(const Vec2& a);

// v truncated towards zero, as a C cast does, but defined for every float:
// NaN gives 0 and values beyond the 32-bit range give its nearest end.
std::int32_t TruncateToInt(float v);

// lo + ((v - lo) mod n) with a non-negative modulo, n = hi - lo + 1; the
// bounds may come in either order. Exact for every pair of 32-bit bounds.
std::int32_t WrapToRange(std::int32_t v, std::int32_t lo, std::int32_t hi);

// tan(angle) for angle = -90..90 degrees, rounded to six decimals; the two
// ends stand in for the infinities.
inline constexpr int TANGENT_TABLE_SIZE = 181;
extern const double TANGENT_TABLE[TANGENT_TABLE_SIZE];

// The whole number of degrees in -90..90 whose tangent lies nearest t, found
// by walking the table upwards until the distance grows again.
int AngleFromTangent(double t);
