#include "assets/sound/shot.h"

#include <algorithm>
#include <cmath>

#include "assets/sound/instruments.h"

namespace sound {
namespace {

// One zap: a falling FM tone with a crisp noise edge at the start.
void Zap(std::vector<double>& out, std::int64_t start, double level, double brightness,
         Random& random) {
    const std::int64_t length = std::int64_t(0.17 * RATE);
    StateVariableFilter edge;
    edge.Tune(5000, 0.8);
    double phase = 0;
    for (std::int64_t i = 0; i < length && start + i < std::int64_t(out.size()); ++i) {
        double t = double(i) / RATE;
        double hz = 260 + 1500 * std::exp(-t / 0.035);
        phase += TWO_PI * hz / RATE;
        double index = brightness * (1.2 * std::exp(-t / 0.03) + 0.15);
        double tone = std::sin(phase + index * std::sin(0.5 * phase));
        edge.Process(random.Signed());
        double click = edge.high * std::exp(-t / 0.004) * 0.35 * brightness;
        // attack of a millisecond; then a decay that reaches exact silence
        double attack = std::min(1.0, t / 0.001);
        double fade = 1 - std::clamp((t - 0.12) / 0.05, 0.0, 1.0);
        double env = attack * std::exp(-t / 0.045) * fade * fade;
        out[start + i] += level * (tone * env + click * attack);
    }
}

} // namespace

std::vector<float> RenderShot() {
    std::vector<double> mix(SHOT_FRAMES, 0.0);
    Random random(0x5407);
    Zap(mix, 0, 1.0, 1.0, random);
    Zap(mix, SHOT_FRAMES / 2, 0.3, 0.5, random);

    double peak = 1e-9;
    for (double v : mix)
        peak = std::max(peak, std::fabs(v));
    std::vector<float> out(mix.size());
    for (std::size_t i = 0; i < mix.size(); ++i)
        out[i] = float(mix[i] * (0.7 / peak));
    return out;
}

} // namespace sound
