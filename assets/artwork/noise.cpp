#include "assets/artwork/noise.h"

#include <cmath>

namespace artwork {

std::uint64_t Random::Next() {
    // splitmix64
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Random::Unit() {
    return double(Next() >> 11) * (1.0 / 9007199254740992.0);
}

double Random::Gaussian() {
    double u = 1.0 - Unit();
    double v = Unit();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
}

namespace {

std::uint32_t Hash(std::int32_t x, std::int32_t y, std::int32_t z, std::uint32_t seed) {
    std::uint32_t h = seed * 0x27D4EB2Du;
    h ^= std::uint32_t(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= std::uint32_t(y) * 0xC2B2AE35u;
    h = (h << 11) | (h >> 21);
    h ^= std::uint32_t(z) * 0x165667B1u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double Gradient(std::uint32_t hash, double x, double y, double z) {
    // the twelve edge directions of a cube, as in improved Perlin noise
    switch (hash % 12) {
    case 0:
        return x + y;
    case 1:
        return -x + y;
    case 2:
        return x - y;
    case 3:
        return -x - y;
    case 4:
        return x + z;
    case 5:
        return -x + z;
    case 6:
        return x - z;
    case 7:
        return -x - z;
    case 8:
        return y + z;
    case 9:
        return -y + z;
    case 10:
        return y - z;
    default:
        return -y - z;
    }
}

double Fade(double t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}
double Lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

} // namespace

double Noise3(double x, double y, double z, std::uint32_t seed) {
    double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    auto ix = std::int32_t(fx), iy = std::int32_t(fy), iz = std::int32_t(fz);
    double dx = x - fx, dy = y - fy, dz = z - fz;
    double u = Fade(dx), v = Fade(dy), w = Fade(dz);
    auto corner = [&](int ox, int oy, int oz) {
        return Gradient(Hash(ix + ox, iy + oy, iz + oz, seed), dx - ox, dy - oy, dz - oz);
    };
    double x00 = Lerp(corner(0, 0, 0), corner(1, 0, 0), u);
    double x10 = Lerp(corner(0, 1, 0), corner(1, 1, 0), u);
    double x01 = Lerp(corner(0, 0, 1), corner(1, 0, 1), u);
    double x11 = Lerp(corner(0, 1, 1), corner(1, 1, 1), u);
    return Lerp(Lerp(x00, x10, v), Lerp(x01, x11, v), w);
}

double Fbm3(double x, double y, double z, int octaves, std::uint32_t seed, double gain) {
    double sum = 0, amplitude = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * Noise3(x, y, z, seed + std::uint32_t(i) * 101u);
        norm += amplitude;
        amplitude *= gain;
        // rotate a little between octaves so the lattice does not show
        double nx = 1.6 * x + 1.2 * y + 0.37;
        double ny = -1.2 * x + 1.6 * y + 0.71;
        x = nx;
        y = ny;
        z = 2.0 * z + 0.19;
    }
    return sum / norm;
}

double Fbm2(double x, double y, int octaves, std::uint32_t seed, double gain) {
    return Fbm3(x, y, 0.5, octaves, seed, gain);
}

} // namespace artwork
