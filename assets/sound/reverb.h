// The room and the echo the tune is played in.
#pragma once

#include <array>
#include <vector>

namespace sound {

// A Schroeder-Moorer reverberator: eight damped comb filters and four
// all-pass filters per side, the right side slightly detuned for width.
class Reverb {
public:
    Reverb(double roomSize, double damping);
    void Process(double in, double& left, double& right);

private:
    struct Comb {
        std::vector<double> line;
        std::size_t at = 0;
        double store = 0;
    };
    struct AllPass {
        std::vector<double> line;
        std::size_t at = 0;
    };
    double Side(std::array<Comb, 8>& combs, std::array<AllPass, 4>& allPasses, double in);

    double feedback, damping;
    std::array<Comb, 8> combsLeft, combsRight;
    std::array<AllPass, 4> allPassesLeft, allPassesRight;
};

// Ping-pong echo: repeats bounce between the left and the right.
class PingPongEcho {
public:
    PingPongEcho(std::size_t delayFrames, double feedback);
    void Process(double in, double& left, double& right);

private:
    std::vector<double> lineLeft, lineRight;
    std::size_t at = 0;
    double feedback;
    double toneLeft = 0, toneRight = 0;
};

} // namespace sound
