#include "assets/sound/reverb.h"

namespace sound {
namespace {

constexpr std::size_t COMB_LENGTHS[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::size_t ALL_PASS_LENGTHS[4] = {556, 441, 341, 225};
constexpr std::size_t STEREO_SPREAD = 23;

} // namespace

Reverb::Reverb(double roomSize, double damping)
    : feedback(0.28 + 0.7 * roomSize), damping(damping) {
    for (int i = 0; i < 8; ++i) {
        combsLeft[i].line.assign(COMB_LENGTHS[i], 0.0);
        combsRight[i].line.assign(COMB_LENGTHS[i] + STEREO_SPREAD, 0.0);
    }
    for (int i = 0; i < 4; ++i) {
        allPassesLeft[i].line.assign(ALL_PASS_LENGTHS[i], 0.0);
        allPassesRight[i].line.assign(ALL_PASS_LENGTHS[i] + STEREO_SPREAD, 0.0);
    }
}

double Reverb::Side(std::array<Comb, 8>& combs, std::array<AllPass, 4>& allPasses, double in) {
    double out = 0;
    for (Comb& c : combs) {
        double delayed = c.line[c.at];
        c.store = delayed * (1 - damping) + c.store * damping;
        c.line[c.at] = in + c.store * feedback;
        if (++c.at == c.line.size())
            c.at = 0;
        out += delayed;
    }
    for (AllPass& a : allPasses) {
        double delayed = a.line[a.at];
        double next = out + delayed * 0.5;
        a.line[a.at] = next;
        if (++a.at == a.line.size())
            a.at = 0;
        out = delayed - out;
    }
    return out;
}

void Reverb::Process(double in, double& left, double& right) {
    const double inputGain = 0.015;
    left = Side(combsLeft, allPassesLeft, in * inputGain);
    right = Side(combsRight, allPassesRight, in * inputGain);
}

PingPongEcho::PingPongEcho(std::size_t delayFrames, double feedback)
    : lineLeft(delayFrames, 0.0), lineRight(delayFrames, 0.0), feedback(feedback) {}

void PingPongEcho::Process(double in, double& left, double& right) {
    left = lineLeft[at];
    right = lineRight[at];
    // each repeat loses a little treble, like tape
    toneLeft += 0.35 * (left - toneLeft);
    toneRight += 0.35 * (right - toneRight);
    lineLeft[at] = in + toneRight * feedback;
    lineRight[at] = toneLeft * feedback;
    if (++at == lineLeft.size())
        at = 0;
}

} // namespace sound
