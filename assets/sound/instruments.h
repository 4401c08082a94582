// The synthesiser the game's sounds are made with: a looping stereo mix with
// effect sends, and the instruments that play into it.
#pragma once

#include <cstdint>
#include <vector>

namespace sound {

constexpr int RATE = 44100;
constexpr double TWO_PI = 6.283185307179586;

// Small deterministic generator for noise and humanising.
class Random {
public:
    explicit Random(std::uint64_t seed) : state(seed) {}
    double Unit(); // [0, 1)
    double Signed() { return 2 * Unit() - 1; }

private:
    std::uint64_t state;
};

// A stereo mix whose end wraps round to its start: a sound that rings past
// the end of the loop carries on at its beginning, as it will when the game
// plays the loop again.
class LoopMix {
public:
    explicit LoopMix(std::int64_t frames);
    std::int64_t Frames() const { return frames; }
    // Adds one frame at `at` (wrapped), with sends to the reverb and the echo.
    void Add(std::int64_t at, double left, double right, double reverb, double echo);

    // single precision is ample for a 16-bit result and halves the memory
    std::vector<float> dryLeft, dryRight, reverbSend, echoSend;

private:
    std::int64_t frames;
};

struct Note {
    std::int64_t start;  // frame
    std::int64_t length; // frames the key is held
    double midi;
    double velocity; // 0..1
    double pan;      // -1 left .. 1 right
};

double MidiToHz(double midi);

void PlayPad(LoopMix& mix, const Note& note);
void PlayBell(LoopMix& mix, const Note& note);
void PlayBass(LoopMix& mix, const Note& note);
void PlayLead(LoopMix& mix, const Note& note, Random& random);
void PlayKick(LoopMix& mix, const Note& note);
void PlayShaker(LoopMix& mix, const Note& note, Random& random);
void PlaySnap(LoopMix& mix, const Note& note, Random& random);

// Topology-preserving state-variable filter (two poles).
class StateVariableFilter {
public:
    void Tune(double cutoffHz, double q);
    // Returns low-pass; band-pass and high-pass are left in the members.
    double Process(double in);
    double band = 0, high = 0;

private:
    double g = 0, k = 1, a1 = 0, a2 = 0, a3 = 0, s1 = 0, s2 = 0;
};

} // namespace sound
