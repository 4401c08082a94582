#include "assets/artwork/palette.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace artwork {

const std::array<StaticColour, 20> STATIC_COLOURS = {{
    {0, {0, 0, 0}},         {1, {128, 0, 0}},     {2, {0, 128, 0}},       {3, {128, 128, 0}},
    {4, {0, 0, 128}},       {5, {128, 0, 128}},   {6, {0, 128, 128}},     {7, {192, 192, 192}},
    {8, {192, 220, 192}},   {9, {166, 202, 240}}, {246, {255, 251, 240}}, {247, {160, 160, 164}},
    {248, {128, 128, 128}}, {249, {255, 0, 0}},   {250, {0, 255, 0}},     {251, {255, 255, 0}},
    {252, {0, 0, 255}},     {253, {255, 0, 255}}, {254, {0, 255, 255}},   {255, {255, 255, 255}},
}};

namespace {

double Luminance(Rgb c) {
    return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
}

int Nearest(const std::vector<Rgb>& centres, Rgb c) {
    int best = 0;
    double bestDistance = std::numeric_limits<double>::max();
    for (int i = 0; i < int(centres.size()); ++i) {
        double d = Distance2(centres[i], c);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// Starting centres: the weighted means of `count` equal-weight slices of the
// samples ordered by brightness.
std::vector<Rgb> InitialCentres(std::vector<WeightedColour> samples, int count) {
    std::stable_sort(samples.begin(), samples.end(), [](const auto& a, const auto& b) {
        return Luminance(a.colour) < Luminance(b.colour);
    });
    double total = 0;
    for (const auto& s : samples)
        total += s.weight;
    std::vector<Rgb> sums(count);
    std::vector<double> weights(count, 0.0);
    double running = 0;
    for (const auto& s : samples) {
        int slice = std::min(count - 1, int(running / total * count));
        sums[slice] = sums[slice] + s.colour * s.weight;
        weights[slice] += s.weight;
        running += s.weight;
    }
    std::vector<Rgb> centres(count);
    for (int i = 0; i < count; ++i)
        centres[i] = weights[i] > 0 ? sums[i] * (1.0 / weights[i])
                                    : samples[std::size_t(i) * samples.size() / count].colour;
    return centres;
}

} // namespace

std::vector<Rgb> ClusterColours(const std::vector<WeightedColour>& samples, int count,
                                const std::vector<Rgb>& fixed, int iterations) {
    if (count <= 0 || samples.empty())
        return {};
    std::vector<Rgb> centres = fixed;
    auto fresh = InitialCentres(samples, count);
    centres.insert(centres.end(), fresh.begin(), fresh.end());
    const int firstFree = int(fixed.size());
    std::vector<int> owner(samples.size());

    for (int round = 0; round < iterations; ++round) {
        std::vector<Rgb> sums(centres.size());
        std::vector<double> weights(centres.size(), 0.0);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            owner[i] = Nearest(centres, samples[i].colour);
            sums[owner[i]] = sums[owner[i]] + samples[i].colour * samples[i].weight;
            weights[owner[i]] += samples[i].weight;
        }
        for (int c = firstFree; c < int(centres.size()); ++c) {
            if (weights[c] > 0) {
                centres[c] = sums[c] * (1.0 / weights[c]);
                continue;
            }
            // An idle centre moves to the sample that is worst served.
            std::size_t worst = 0;
            double worstCost = -1;
            for (std::size_t i = 0; i < samples.size(); ++i) {
                double cost = samples[i].weight * Distance2(samples[i].colour, centres[owner[i]]);
                if (cost > worstCost) {
                    worstCost = cost;
                    worst = i;
                }
            }
            centres[c] = samples[worst].colour;
            owner[worst] = c;
        }
    }
    return {centres.begin() + firstFree, centres.end()};
}

int NearestIndex(const Palette& palette, const std::vector<int>& candidates, Rgb c) {
    int best = candidates.front();
    double bestDistance = std::numeric_limits<double>::max();
    for (int index : candidates) {
        double d = Distance2(ToRgb(palette[index]), c);
        if (d < bestDistance) {
            bestDistance = d;
            best = index;
        }
    }
    return best;
}

std::vector<std::uint8_t> Dither(const std::vector<Rgb>& image, int width, int height,
                                 const Palette& palette, const std::vector<int>& candidates) {
    std::vector<std::uint8_t> out(image.size());
    std::vector<Rgb> current(width + 2), next(width + 2);
    // Error is damped a little: the painting is mostly dark, and full-strength
    // diffusion would sprinkle lone bright pixels into the black.
    constexpr double DAMPING = 0.85;
    for (int y = 0; y < height; ++y) {
        std::fill(next.begin(), next.end(), Rgb{});
        const bool leftToRight = y % 2 == 0;
        for (int step = 0; step < width; ++step) {
            const int x = leftToRight ? step : width - 1 - step;
            const int dir = leftToRight ? 1 : -1;
            Rgb want = image[std::size_t(y) * width + x] + current[x + 1];
            want = {std::clamp(want.r, 0.0, 255.0), std::clamp(want.g, 0.0, 255.0),
                    std::clamp(want.b, 0.0, 255.0)};
            int index = NearestIndex(palette, candidates, want);
            out[std::size_t(y) * width + x] = std::uint8_t(index);
            Rgb error = (want - ToRgb(palette[index])) * DAMPING;
            current[x + 1 + dir] = current[x + 1 + dir] + error * (7.0 / 16);
            next[x + 1 - dir] = next[x + 1 - dir] + error * (3.0 / 16);
            next[x + 1] = next[x + 1] + error * (5.0 / 16);
            next[x + 1 + dir] = next[x + 1 + dir] + error * (1.0 / 16);
        }
        std::swap(current, next);
    }
    return out;
}

PaletteEntry MakeDistinct(PaletteEntry c, const std::vector<PaletteEntry>& taken) {
    auto isTaken = [&](PaletteEntry e) {
        return std::find(taken.begin(), taken.end(), e) != taken.end();
    };
    // Try the nearest neighbours first, in a fixed order.
    for (int radius = 0; radius < 8; ++radius) {
        for (int db = -radius; db <= radius; ++db) {
            for (int dg = -radius; dg <= radius; ++dg) {
                for (int dr = -radius; dr <= radius; ++dr) {
                    if (std::max({std::abs(dr), std::abs(dg), std::abs(db)}) != radius)
                        continue;
                    int r = c.r + dr, g = c.g + dg, b = c.b + db;
                    if (r < 0 || g < 0 || b < 0 || r > 255 || g > 255 || b > 255)
                        continue;
                    PaletteEntry e{std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)};
                    if (!isTaken(e))
                        return e;
                }
            }
        }
    }
    return c;
}

} // namespace artwork
