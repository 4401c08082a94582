#include "assets/artwork/background.h"

#include <cmath>

#include "assets/artwork/layout.h"
#include "assets/artwork/noise.h"

namespace artwork {
namespace {

constexpr int W = WIDTH;
constexpr int H = BACKGROUND_HEIGHT;
constexpr double PI = 3.141592653589793;

// Linear-light canvas the painting is accumulated on.
struct Canvas {
    std::vector<Rgb> light = std::vector<Rgb>(std::size_t(W) * H);
    Rgb& At(int x, int y) { return light[std::size_t(y) * W + x]; }
    void Add(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < W && y < H)
            At(x, y) = At(x, y) + c;
    }
};

double Box(double x, double y, double left, double top, double right, double bottom, double soft) {
    return SmoothStep(left - soft, left, x) * (1 - SmoothStep(right, right + soft, x)) *
           SmoothStep(top - soft, top, y) * (1 - SmoothStep(bottom, bottom + soft, y));
}

// How much of the nebula may show at a point: the HUD column, the sun at the
// centre, the title and the prompts stay dark so that text and sprites read.
double Calm(double x, double y) {
    double keep = 1.0;
    keep *= 1 - 0.8 * Box(x, y, HUD_X - 10, -100, 700, 265, 45);
    double sun = std::hypot((x - 320) / 1.25, y - 240);
    keep *= 1 - 0.65 * (1 - SmoothStep(40, 110, sun));
    keep *= 1 - 0.5 * Box(x, y, 120, 95, 520, 200, 40);
    keep *= 1 - 0.75 * Box(x, y, 200, 335, 440, 420, 45);
    return keep;
}

bool Inside(double x, double y, double left, double top, double right, double bottom) {
    return x >= left && x < right && y >= top && y < bottom;
}

// Regions where no bright star should sit: the HUD, the title, the prompts,
// the frame-rate text and the sun.
bool KeepClearOfBrightStars(double x, double y) {
    return Inside(x, y, HUD_X - 15, -10, 660, 270) || Inside(x, y, 100, 85, 540, 210) ||
           Inside(x, y, 190, 325, 450, 430) || Inside(x, y, 30, 10, 150, 45) ||
           std::hypot(x - 320, y - 240) < 70;
}

struct Nebula {
    double density = 0; // overall emission strength
    double dust = 0;    // 0 clear .. 1 opaque dark lane
    Rgb colour;
};

Rgb NebulaHue(double t) {
    const Rgb rose{0.95, 0.22, 0.50};
    const Rgb violet{0.48, 0.22, 0.95};
    const Rgb teal{0.10, 0.55, 0.85};
    if (t < 0.5)
        return Mix(rose, violet, SmoothStep(0, 0.5, t));
    return Mix(violet, teal, SmoothStep(0.5, 1, t));
}

// The nebula is a broad arc around the upper middle of the screen: it rises
// from the lower right, sweeps along the bottom and climbs the left side.
Nebula NebulaAt(double x, double y) {
    const double cx = 400, cy = 150, radius = 330;
    double warpX = 55 * Fbm2(x / 150, y / 150, 4, 11);
    double warpY = 55 * Fbm2(x / 150 + 7.3, y / 150 - 2.1, 4, 12);
    double wx = x + warpX, wy = y + warpY;
    double d = std::hypot(wx - cx, wy - cy) - radius;
    double angle = std::atan2(wy - cy, wx - cx) * 180 / PI; // 90 is straight down
    if (angle < -60)
        angle += 360;

    double width = 70 * (1 + 0.45 * Fbm2(x / 120, y / 120, 3, 13));
    double band = std::exp(-(d / width) * (d / width));
    double along = SmoothStep(35, 75, angle) * (1 - SmoothStep(205, 250, angle));
    along *= 0.75 + 0.25 * std::sin((angle - 60) / 180 * PI * 1.3);

    // Filaments: ridged noise gives thin bright threads.
    double ridge = 1 - std::fabs(Fbm2(x / 70, y / 70, 6, 21, 0.55));
    ridge = ridge * ridge * ridge * ridge;
    double thread = 1 - std::fabs(Fbm2(x / 32 + 4.7, y / 32 - 1.3, 5, 23, 0.5));
    thread = std::pow(thread, 6);
    double cloud = 0.5 + 0.5 * Fbm2(x / 45, y / 45, 5, 22);

    Nebula n;
    n.density = band * along * (0.15 + 0.9 * ridge + 0.45 * thread + 0.4 * cloud * cloud);
    double lane = Fbm2(x / 60 + 3.1, y / 60 + 9.4, 5, 31, 0.55);
    n.dust = SmoothStep(0.08, 0.3, lane) * SmoothStep(0.05, 0.5, band * along);

    double t = Clamp01((angle - 40) / 200);
    n.colour = NebulaHue(t + 0.25 * Fbm2(x / 90, y / 90, 3, 41));
    // A warm ionisation front on the inner edge of the arc.
    double inner = std::exp(-std::pow((d + width * 0.5) / (width * 0.3), 2)) * (0.4 + ridge);
    n.colour = Mix(n.colour, Rgb{1.0, 0.55, 0.28}, std::min(0.8, 0.7 * inner));
    // Glowing knots where young stars light the gas.
    struct Knot {
        double x, y, size;
    };
    constexpr Knot KNOTS[] = {
        {95, 330, 34}, {205, 430, 26}, {48, 200, 26}, {470, 445, 30}, {140, 40, 22}};
    for (const Knot& k : KNOTS) {
        double r2 = ((x - k.x) * (x - k.x) + (y - k.y) * (y - k.y)) / (k.size * k.size);
        double knot = std::exp(-r2) * (0.1 + 1.3 * cloud * cloud + 0.8 * ridge);
        n.density += 0.8 * knot;
        n.colour = Mix(n.colour, Rgb{1.0, 0.24, 0.42}, std::min(0.7, knot));
    }
    return n;
}

void PaintSky(Canvas& canvas, std::vector<double>& dustMap) {
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            double glow = 0.5 + 0.5 * Fbm2(x / 220.0, y / 220.0, 3, 5);
            Rgb sky = Rgb{0.0011, 0.0013, 0.0034} + Rgb{0.0010, 0.0008, 0.0030} * glow;
            sky = sky * (0.85 + 0.3 * (y / double(H)) * (1 - x / double(W)));
            Nebula n = NebulaAt(x, y);
            double calm = Calm(x, y);
            double emission = 0.085 * n.density * calm * (1 - 0.85 * n.dust);
            canvas.At(x, y) = sky * (1 - 0.7 * n.dust) + n.colour * emission;
            dustMap[std::size_t(y) * W + x] = n.dust;
        }
    }
}

Rgb StarColour(Random& random) {
    double u = random.Unit();
    if (u < 0.22)
        return {0.70, 0.80, 1.00}; // hot, blue-white
    if (u < 0.55)
        return {0.92, 0.95, 1.00};
    if (u < 0.80)
        return {1.00, 0.96, 0.86};
    if (u < 0.93)
        return {1.00, 0.84, 0.62}; // cool, orange
    return {1.00, 0.68, 0.52};     // red giant
}

// A star spread over the pixels it touches as a small Gaussian spot.
void Splat(Canvas& canvas, double sx, double sy, double sigma, Rgb light) {
    int reach = int(std::ceil(sigma * 3.5));
    int ix = int(std::floor(sx)), iy = int(std::floor(sy));
    double total = 0;
    std::vector<double> weights;
    for (int y = iy - reach; y <= iy + reach; ++y)
        for (int x = ix - reach; x <= ix + reach; ++x) {
            double dx = x + 0.5 - sx, dy = y + 0.5 - sy;
            double w = std::exp(-(dx * dx + dy * dy) / (2 * sigma * sigma));
            weights.push_back(w);
            total += w;
        }
    std::size_t k = 0;
    for (int y = iy - reach; y <= iy + reach; ++y)
        for (int x = ix - reach; x <= ix + reach; ++x)
            canvas.Add(x, y, light * (weights[k++] / total));
}

void PaintStars(Canvas& canvas, const std::vector<double>& dustMap) {
    Random random(0x51A125);
    auto dustAt = [&](double x, double y) {
        int ix = std::clamp(int(x), 0, W - 1), iy = std::clamp(int(y), 0, H - 1);
        return dustMap[std::size_t(iy) * W + ix];
    };
    auto hudDim = [&](double x, double y) {
        return 1 - 0.55 * Box(x, y, HUD_X - 10, -10, 660, 265, 20);
    };

    // Distant stars: single pixels, most of them barely there; more of them
    // crowd along the nebula arc, like a galactic plane.
    for (int i = 0; i < 5200; ++i) {
        double x = random.Range(0, W), y = random.Range(0, H);
        double bandDensity = NebulaAt(x, y).density;
        bool alongArc = i % 2 == 1;
        double accept = random.Unit();
        if (alongArc && accept > bandDensity * 1.6)
            continue;
        double u = random.Unit();
        double brightness = 0.006 + 0.05 * u * u * u;
        Rgb c = StarColour(random);
        brightness *= (1 - 0.85 * dustAt(x, y)) * hudDim(x, y);
        canvas.Add(int(x), int(y), c * brightness);
    }

    // Middle distance: soft spots.
    for (int i = 0; i < 300; ++i) {
        double x = random.Range(0, W), y = random.Range(0, H);
        double u = random.Unit();
        double brightness = 0.05 + 0.28 * u * u;
        Rgb c = StarColour(random);
        double sigma = random.Range(0.45, 0.6);
        brightness *= (1 - 0.7 * dustAt(x, y)) * hudDim(x, y);
        if (KeepClearOfBrightStars(x, y))
            brightness *= 0.5;
        Splat(canvas, x, y, sigma, c * brightness);
    }

    // Near, bright stars with a halo; the brightest with diffraction spikes.
    int placed = 0;
    while (placed < 24) {
        double x = random.Range(8, W - 8), y = random.Range(8, H - 8);
        double u = random.Unit();
        Rgb c = StarColour(random);
        if (KeepClearOfBrightStars(x, y))
            continue;
        ++placed;
        double brightness = 0.45 + 1.1 * u * u;
        Splat(canvas, x, y, 0.62, c * brightness);
        Splat(canvas, x, y, 2.6, c * (0.16 * brightness));
        if (placed <= 7) {
            int cx = int(x), cy = int(y);
            for (int k = 2; k < 12; ++k) {
                Rgb spike = c * (0.22 * brightness * std::exp(-k / 3.2));
                canvas.Add(cx + k, cy, spike);
                canvas.Add(cx - k, cy, spike);
                canvas.Add(cx, cy + k, spike);
                canvas.Add(cx, cy - k, spike);
            }
        }
    }
}

// A small spiral galaxy far away, seen at a slant.
void PaintGalaxy(Canvas& canvas, double gx, double gy, double size, double tilt, double squash,
                 double strength) {
    double ct = std::cos(tilt), st = std::sin(tilt);
    int reach = int(size * 2.2);
    for (int y = int(gy) - reach; y <= int(gy) + reach; ++y)
        for (int x = int(gx) - reach; x <= int(gx) + reach; ++x) {
            Rgb sum;
            for (int s = 0; s < 4; ++s) { // 2 x 2 samples per pixel
                double px = x + 0.25 + 0.5 * (s % 2) - gx, py = y + 0.25 + 0.5 * (s / 2) - gy;
                double u = px * ct + py * st;
                double v = (-px * st + py * ct) / squash;
                double r = std::hypot(u, v) / size;
                double phi = std::atan2(v, u);
                double arms = 0.5 + 0.5 * std::cos(2 * (phi - 2.4 * std::log(r + 0.05)));
                double disk = std::exp(-r * 3.2) * (0.25 + 0.75 * arms * arms);
                double core = std::exp(-r * 14);
                sum = sum + Rgb{0.70, 0.78, 1.0} * (0.05 * disk) +
                      Rgb{1.0, 0.86, 0.62} * (0.5 * core);
            }
            canvas.Add(x, y, sum * (strength / 4));
        }
}

} // namespace

std::vector<Rgb> PaintBackground() {
    Canvas canvas;
    std::vector<double> dustMap(std::size_t(W) * H);
    PaintSky(canvas, dustMap);
    PaintStars(canvas, dustMap);
    PaintGalaxy(canvas, 566, 402, 15, 0.45, 0.38, 1.0);
    PaintGalaxy(canvas, 236, 48, 5, -0.7, 0.55, 0.35);

    std::vector<Rgb> image(canvas.light.size());
    for (std::size_t i = 0; i < image.size(); ++i) {
        Rgb c = canvas.light[i];
        // Soft shoulder so star cores saturate gracefully.
        Rgb mapped{1 - std::exp(-c.r), 1 - std::exp(-c.g), 1 - std::exp(-c.b)};
        image[i] = LinearToSrgb(mapped);
    }
    return image;
}

} // namespace artwork
