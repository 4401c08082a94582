#include "assets/artwork/sprites.h"

#include <cmath>
#include <functional>

#include "assets/artwork/noise.h"

namespace artwork {
namespace {

constexpr double PI = 3.141592653589793;
// What a semi-transparent edge is blended against: the dark of space.
const Rgb SPACE_LIGHT{0.0015, 0.0017, 0.004};

// 4 x 4 ordered-dither thresholds, used to stipple faint glows.
constexpr int BAYER4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
double BayerThreshold(int x, int y) {
    return (BAYER4[y & 3][x & 3] + 0.5) / 16.0;
}

SpriteImage BlankImage(Cell cell) {
    SpriteImage image;
    image.cell = cell;
    image.colour.assign(std::size_t(cell.w) * cell.h, Rgb{});
    image.opaque.assign(std::size_t(cell.w) * cell.h, 0);
    return image;
}

// Surface colour (linear light) at a longitude and latitude of a planet.
using Albedo = std::function<Rgb(double lon, double lat)>;

// Noise on a cylinder round the planet's axis: `repeats` copies around the
// equator, so a turn by 2 pi / repeats shows the same face again.
double Surface(double lon, double lat, int repeats, double scale, std::uint32_t seed, int octaves) {
    double a = lon * repeats;
    return Fbm3(std::cos(a) * scale, std::sin(a) * scale, lat * scale * 1.3, octaves, seed);
}

// A lit ball filling its cell. Frame f shows the surface turned by a quarter
// of its repeat, so the four frames loop as one smooth turn.
SpriteImage PaintBall(Cell cell, int frame, int repeats, const Albedo& albedo, double shine,
                      Rgb atmosphere) {
    SpriteImage image = BlankImage(cell);
    const int SUB = 5;
    const double rx = cell.w / 2.0 - 0.05, ry = cell.h / 2.0 - 0.05;
    const double turn = frame * 2 * PI / (4.0 * repeats);
    const double tilt = 0.35; // axial tilt, radians
    const double lx = -0.72, ly = -0.48, lz = 0.5;
    const double ln = std::sqrt(lx * lx + ly * ly + lz * lz);
    for (int py = 0; py < cell.h; ++py)
        for (int px = 0; px < cell.w; ++px) {
            Rgb sum;
            int covered = 0;
            for (int s = 0; s < SUB * SUB; ++s) {
                double u = (px + (s % SUB + 0.5) / SUB - cell.w / 2.0) / rx;
                double v = (py + (s / SUB + 0.5) / SUB - cell.h / 2.0) / ry;
                double r2 = u * u + v * v;
                if (r2 > 1)
                    continue;
                ++covered;
                double z = std::sqrt(1 - r2);
                double tu = u * std::cos(tilt) - v * std::sin(tilt);
                double tv = u * std::sin(tilt) + v * std::cos(tilt);
                double lat = std::asin(std::clamp(-tv, -1.0, 1.0));
                double lon = std::atan2(tu, z) + turn;
                double diffuse = std::max(0.0, (u * lx + v * ly + z * lz) / ln);
                // half vector towards a viewer straight ahead
                double hx = lx / ln, hy = ly / ln, hz = lz / ln + 1;
                double hn = std::sqrt(hx * hx + hy * hy + hz * hz);
                double specular = std::pow(std::max(0.0, (u * hx + v * hy + z * hz) / hn), 24);
                double limb = std::pow(1 - z, 2.5);
                Rgb c = albedo(lon, lat) * (0.03 + 1.25 * std::pow(diffuse, 0.8));
                c = c + Rgb{1, 1, 1} * (shine * specular) + atmosphere * (limb * (0.3 + diffuse));
                sum = sum + c;
            }
            if (covered == 0)
                continue;
            double coverage = covered / double(SUB * SUB);
            if (coverage < 0.42)
                continue;
            Rgb light = sum * (1.0 / covered) * coverage + SPACE_LIGHT * (1 - coverage);
            std::size_t at = std::size_t(py) * cell.w + px;
            image.colour[at] = LinearToSrgb(light);
            image.opaque[at] = 1;
        }
    return image;
}

// Kind 0: a small blue world with grey land and cloud.
Rgb BlueGreyWorld(double lon, double lat) {
    double land = SmoothStep(-0.02, 0.18, Surface(lon, lat, 2, 1.3, 101, 4));
    double cloud = SmoothStep(0.1, 0.45, Surface(lon + 0.7, lat * 2.2, 2, 1.8, 102, 3));
    Rgb ocean{0.035, 0.11, 0.50};
    Rgb rock{0.30, 0.31, 0.34};
    Rgb c = Mix(ocean, rock, land);
    c = Mix(c, Rgb{0.60, 0.63, 0.70}, 0.7 * cloud);
    return Mix(c, Rgb{0.7, 0.74, 0.8}, SmoothStep(1.05, 1.35, std::fabs(lat)));
}

// Kind 1: a pale icy moon with grey plains.
Rgb IcyMoon(double lon, double lat) {
    double plains = SmoothStep(-0.05, 0.25, Surface(lon, lat, 2, 1.6, 201, 4));
    double frost = 0.5 + 0.5 * Surface(lon, lat, 2, 4.0, 202, 2);
    Rgb ice{0.72, 0.74, 0.80};
    Rgb grey{0.26, 0.27, 0.30};
    return Mix(ice, grey, 0.75 * plains) * (0.85 + 0.25 * frost);
}

// Kind 2: a rose-red desert world.
Rgb RoseWorld(double lon, double lat) {
    double dark = SmoothStep(-0.1, 0.3, Surface(lon, lat, 2, 1.5, 301, 4));
    double streak = 0.5 + 0.5 * Surface(lon, lat * 3, 2, 2.2, 302, 3);
    Rgb sand{0.82, 0.10, 0.17};
    Rgb maroon{0.28, 0.03, 0.08};
    Rgb c = Mix(sand, maroon, 0.8 * dark);
    c = Mix(c, Rgb{0.95, 0.36, 0.46}, 0.4 * streak * (1 - dark));
    return Mix(c, Rgb{0.95, 0.75, 0.80}, SmoothStep(1.15, 1.4, std::fabs(lat)));
}

// Kind 3: a banded orange gas giant with a storm.
Rgb BandedGiant(double lon, double lat) {
    double turbulence = Surface(lon, lat, 2, 2.0, 401, 3);
    double bands = 0.5 + 0.5 * std::sin(lat * 8.5 + 1.2 * turbulence);
    Rgb orange{0.90, 0.28, 0.03};
    Rgb yellow{1.00, 0.70, 0.16};
    Rgb c = Mix(orange, yellow, bands);
    // the storm sits at 25 degrees south, repeating with the surface
    double dlon = std::remainder(lon, PI);
    double storm = std::exp(-(dlon * dlon / 0.18 + (lat + 0.45) * (lat + 0.45) / 0.04));
    return Mix(c, Rgb{0.70, 0.10, 0.02}, 0.85 * storm);
}

SpriteGroup PaintPlanetKind(int row, int paletteSize, int repeats, const Albedo& albedo,
                            double shine, Rgb atmosphere) {
    SpriteGroup group{paletteSize, {}};
    for (int f = 0; f < SPRITE_FRAMES; ++f)
        group.images.push_back(
            PaintBall(SPRITE_CELLS[row][f], f, repeats, albedo, shine, atmosphere));
    return group;
}

// The sun: a white-hot core through pale yellow and orange to a rose limb,
// inside a corona whose size and rays pulse over the four frames.
SpriteImage PaintSun(Cell cell, int frame) {
    SpriteImage image = BlankImage(cell);
    const double pulse[SPRITE_FRAMES] = {0.0, 0.5, 1.0, 0.5};
    const double p = pulse[frame];
    const double radius = 8.4 + 0.45 * p;
    const double corona = 2.3 + 0.9 * p;
    const int SUB = 4;
    // The game draws the 33-pixel-wide cell 32 wide, so paint it round in
    // those units.
    const double squeeze = 32.0 / 33.0;
    const double cx = cell.w / 2.0 * squeeze, cy = cell.h / 2.0;
    for (int py = 0; py < cell.h; ++py)
        for (int px = 0; px < cell.w; ++px) {
            Rgb light;
            double alpha = 0;
            for (int s = 0; s < SUB * SUB; ++s) {
                double x = (px + (s % SUB + 0.5) / SUB) * squeeze - cx;
                double y = py + (s / SUB + 0.5) / SUB - cy;
                double r = std::hypot(x, y);
                double theta = std::atan2(y, x);
                if (r <= radius) {
                    double t = r / radius;
                    Rgb c =
                        Mix(Rgb{1.0, 1.0, 0.95}, Rgb{1.0, 0.80, 0.35}, SmoothStep(0.15, 0.5, t));
                    c = Mix(c, Rgb{1.0, 0.30, 0.04}, SmoothStep(0.5, 0.85, t));
                    c = Mix(c, Rgb{0.85, 0.05, 0.14}, SmoothStep(0.85, 1.0, t));
                    double grain = 1 + 0.08 * Noise3(x * 0.9, y * 0.9, frame * 0.7, 501);
                    light = light + c * grain;
                    alpha += 1;
                } else {
                    double rays = 0.5 + 0.5 * std::cos(12 * theta + frame * PI / 12);
                    rays = 0.8 + 0.5 * rays * rays * rays;
                    double g = std::exp(-(r - radius) / corona) * rays;
                    Rgb c = Mix(Rgb{1.0, 0.22, 0.06}, Rgb{0.80, 0.03, 0.16},
                                SmoothStep(0.0, 3.0, r - radius));
                    light = light + c * (0.85 * g);
                    alpha += std::min(1.0, 1.6 * g);
                }
            }
            light = light * (1.0 / (SUB * SUB));
            alpha /= SUB * SUB;
            // Faint corona is stippled rather than drawn solid, so it fades
            // into the sky instead of ending at a hard circle.
            bool solid = alpha > 0.45;
            bool stipple = alpha > 0.08 && alpha / 0.45 > BayerThreshold(px, py);
            if (!solid && !stipple)
                continue;
            Rgb shown = solid ? light + SPACE_LIGHT * (1 - alpha) : light * (0.45 / alpha);
            std::size_t at = std::size_t(py) * cell.w + px;
            image.colour[at] = LinearToSrgb(shown);
            image.opaque[at] = 1;
        }
    return image;
}

SpriteImage PaintMarkerPicture(Cell cell, bool burst) {
    SpriteImage image = BlankImage(cell);
    const Rgb cyan{120, 245, 255}, aqua{40, 200, 255}, blue{40, 110, 255}, deep{28, 60, 190};
    auto put = [&](int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= cell.w || y >= cell.h)
            return;
        std::size_t at = std::size_t(y) * cell.w + x;
        image.colour[at] = c;
        image.opaque[at] = 1;
    };
    const int c = cell.w / 2; // 11: the centre pixel
    // Reflect a point into all four quadrants, and across the diagonal too.
    auto put8 = [&](int dx, int dy, Rgb colour) {
        for (int sx : {-1, 1})
            for (int sy : {-1, 1}) {
                put(c + sx * dx, c + sy * dy, colour);
                put(c + sx * dy, c + sy * dx, colour);
            }
    };
    if (!burst) {
        // cross hairs with an open centre, and corner brackets
        for (int d = 5; d <= 10; ++d)
            put8(d, 0, d <= 7 ? cyan : aqua);
        put8(11, 0, blue);
        for (int d = 0; d <= 3; ++d) // the corner brackets' arms
            put8(10, 10 - d, blue);
        put8(9, 9, deep); // and their inner corners
    } else {
        // a small burst: short rays on the axes and diagonals, with sparks
        for (int d = 3; d <= 6; ++d)
            put8(d, 0, d <= 4 ? cyan : aqua);
        put8(7, 0, blue);
        for (int d = 3; d <= 4; ++d)
            put8(d, d, d == 3 ? cyan : aqua);
        put8(5, 5, blue);
        put8(7, 7, deep);
        put8(9, 4, blue);
        put8(10, 0, deep);
    }
    return image;
}

} // namespace

std::vector<SpriteGroup> PaintSprites() {
    std::vector<SpriteGroup> groups;
    groups.push_back(PaintPlanetKind(0, 12, 2, BlueGreyWorld, 0.25, Rgb{0.10, 0.25, 0.7}));
    groups.push_back(PaintPlanetKind(1, 11, 2, IcyMoon, 0.15, Rgb{0.3, 0.32, 0.4}));
    groups.push_back(PaintPlanetKind(2, 12, 2, RoseWorld, 0.1, Rgb{0.6, 0.2, 0.3}));
    groups.push_back(PaintPlanetKind(3, 14, 2, BandedGiant, 0.05, Rgb{0.6, 0.35, 0.1}));

    SpriteGroup sun{24, {}};
    for (int f = 0; f < SPRITE_FRAMES; ++f)
        sun.images.push_back(PaintSun(SPRITE_CELLS[SUN_ROW][f], f));
    groups.push_back(sun);

    // The marker's frames 2 and 3 reuse the cells of frames 0 and 1.
    SpriteGroup marker{6, {}};
    marker.images.push_back(PaintMarkerPicture(SPRITE_CELLS[MARKER_ROW][0], false));
    marker.images.push_back(PaintMarkerPicture(SPRITE_CELLS[MARKER_ROW][1], true));
    groups.push_back(marker);
    return groups;
}

} // namespace artwork
