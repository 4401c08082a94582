// Deterministic randomness for the painters: a small seeded generator and
// gradient noise, both independent of the standard library's implementations
// so that the artwork is the same on every machine.
#pragma once

#include <cstdint>

namespace artwork {

class Random {
public:
    explicit Random(std::uint64_t seed) : state(seed) {}
    std::uint64_t Next();
    double Unit(); // [0, 1)
    double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
    double Gaussian();

private:
    std::uint64_t state;
};

// 3-D gradient noise, roughly in [-1, 1].
double Noise3(double x, double y, double z, std::uint32_t seed);
// Fractal sum of octaves of Noise3 in the plane z = 0.
double Fbm2(double x, double y, int octaves, std::uint32_t seed, double gain = 0.5);
double Fbm3(double x, double y, double z, int octaves, std::uint32_t seed, double gain = 0.5);

} // namespace artwork
