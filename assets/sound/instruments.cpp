#include "assets/sound/instruments.h"

#include <algorithm>
#include <cmath>

namespace sound {

double Random::Unit() {
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return double(z >> 11) * (1.0 / 9007199254740992.0);
}

LoopMix::LoopMix(std::int64_t frames)
    : dryLeft(frames), dryRight(frames), reverbSend(frames), echoSend(frames), frames(frames) {}

void LoopMix::Add(std::int64_t at, double left, double right, double reverb, double echo) {
    std::int64_t i = at;
    if (i < 0 || i >= frames)
        i = ((at % frames) + frames) % frames;
    dryLeft[i] += float(left);
    dryRight[i] += float(right);
    double mono = 0.5 * (left + right);
    reverbSend[i] += float(mono * reverb);
    echoSend[i] += float(mono * echo);
}

double MidiToHz(double midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12);
}

void StateVariableFilter::Tune(double cutoffHz, double q) {
    g = std::tan(3.141592653589793 * std::min(cutoffHz, RATE * 0.45) / RATE);
    k = 1 / q;
    a1 = 1 / (1 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
}

double StateVariableFilter::Process(double in) {
    double v3 = in - s2;
    double v1 = a1 * s1 + a2 * v3;
    double v2 = s2 + a2 * s1 + a3 * v3;
    s1 = 2 * v1 - s1;
    s2 = 2 * v2 - s2;
    band = v1;
    high = in - k * v1 - v2;
    return v2;
}

namespace {

double Seconds(std::int64_t frames) {
    return double(frames) / RATE;
}

// Equal-power pan.
void Pan(double pan, double& left, double& right) {
    double angle = (std::clamp(pan, -1.0, 1.0) + 1) * 0.25 * 3.141592653589793;
    left = std::cos(angle);
    right = std::sin(angle);
}

// Gentle release after the key is let go: a raised-cosine fade.
double Release(double t, double held, double release) {
    if (t < held)
        return 1;
    double u = (t - held) / release;
    return u >= 1 ? 0 : 0.5 + 0.5 * std::cos(u * 3.141592653589793);
}

double Attack(double t, double attack) {
    if (t >= attack)
        return 1;
    double u = t / attack;
    return 0.5 - 0.5 * std::cos(u * 3.141592653589793);
}

// exp(-t / seconds), stepped one frame at a time by multiplication.
class Decay {
public:
    explicit Decay(double seconds) : factor(std::exp(-1.0 / (seconds * RATE))) {}
    double Next() {
        double now = value;
        value *= factor;
        return now;
    }

private:
    double value = 1, factor;
};

// Band-limited sawtooth (PolyBLEP).
class Saw {
public:
    explicit Saw(double startPhase) : phase(startPhase) {}
    double Next(double increment) {
        double value = 2 * phase - 1 - Blep(phase, increment);
        phase += increment;
        if (phase >= 1)
            phase -= 1;
        return value;
    }

private:
    static double Blep(double t, double dt) {
        if (t < dt) {
            t /= dt;
            return t + t - t * t - 1;
        }
        if (t > 1 - dt) {
            t = (t - 1) / dt;
            return t * t + t + t + 1;
        }
        return 0;
    }
    double phase;
};

} // namespace

// Warm pad: three detuned saws through a slowly breathing low-pass filter.
void PlayPad(LoopMix& mix, const Note& note) {
    const double release = 1.8;
    const std::int64_t total = note.length + std::int64_t(release * RATE);
    const double hz = MidiToHz(note.midi);
    const double detune[3] = {-0.09, 0.0, 0.08}; // semitones
    const double pans[3] = {-0.7, 0.0, 0.7};
    Saw saws[3] = {Saw(0.13), Saw(0.57), Saw(0.81)};
    double increments[3], gainsLeft[3], gainsRight[3];
    for (int s = 0; s < 3; ++s) {
        increments[s] = hz * std::pow(2.0, detune[s] / 12) / RATE;
        Pan(pans[s], gainsLeft[s], gainsRight[s]);
    }
    StateVariableFilter filterLeft, filterRight;
    for (std::int64_t i = 0; i < total; ++i) {
        double t = Seconds(i);
        if (i % 32 == 0) {
            // the filter breathes four times per loop, in step with the loop's length
            double loopPhase = double((note.start + i) % mix.Frames()) / mix.Frames();
            double cutoff =
                700 + 450 * (0.5 + 0.5 * std::sin(TWO_PI * 4 * loopPhase)) + 300 * Attack(t, 1.2);
            filterLeft.Tune(cutoff, 0.8);
            filterRight.Tune(cutoff, 0.8);
        }
        double left = 0, right = 0;
        for (int s = 0; s < 3; ++s) {
            double v = saws[s].Next(increments[s]);
            left += v * gainsLeft[s];
            right += v * gainsRight[s];
        }
        double amp =
            0.038 * note.velocity * Attack(t, 0.9) * Release(t, Seconds(note.length), release);
        mix.Add(note.start + i, filterLeft.Process(left) * amp, filterRight.Process(right) * amp,
                0.6, 0.0);
    }
}

// Electric-piano bell: two-operator FM with a bright tine at the strike.
void PlayBell(LoopMix& mix, const Note& note) {
    const double release = 0.5;
    const std::int64_t total = note.length + std::int64_t(release * RATE);
    const std::int64_t tineLength = std::int64_t(0.15 * RATE);
    const double hz = MidiToHz(note.midi);
    double l, r;
    Pan(note.pan, l, r);
    Decay brightness(0.3), strike(0.025), onset(0.0015), ring(1.0);
    for (std::int64_t i = 0; i < total; ++i) {
        double t = Seconds(i);
        double index = 1.4 * brightness.Next() + 0.2;
        double carrier = TWO_PI * hz * t;
        double body = std::sin(carrier + index * std::sin(carrier));
        double tine = i < tineLength ? 0.12 * strike.Next() * std::sin(7.0 * carrier) : 0;
        double env = (1 - onset.Next()) * ring.Next() * Release(t, Seconds(note.length), release);
        double v = (body + tine) * env * 0.115 * note.velocity;
        mix.Add(note.start + i, v * l, v * r, 0.35, 0.3);
    }
}

// Round bass: sine with a little second and third harmonic, softly saturated.
void PlayBass(LoopMix& mix, const Note& note) {
    const double release = 0.12;
    const std::int64_t total = note.length + std::int64_t(release * RATE);
    const double hz = MidiToHz(note.midi);
    double phase = 0;
    Decay settle(0.25);
    for (std::int64_t i = 0; i < total; ++i) {
        double t = Seconds(i);
        phase += TWO_PI * hz / RATE;
        double raw = std::sin(phase) + 0.22 * std::sin(2 * phase) + 0.08 * std::sin(3 * phase);
        double v = std::tanh(1.3 * raw) / std::tanh(1.3);
        double env = Attack(t, 0.008) * (0.72 + 0.28 * settle.Next()) *
                     Release(t, Seconds(note.length), release);
        v *= env * 0.11 * note.velocity;
        mix.Add(note.start + i, v, v, 0.04, 0.0);
    }
}

// Soft flute-like lead with delayed vibrato and a breath of noise.
void PlayLead(LoopMix& mix, const Note& note, Random& random) {
    const double release = 0.4;
    const std::int64_t total = note.length + std::int64_t(release * RATE);
    const double hz = MidiToHz(note.midi);
    double l, r;
    Pan(note.pan, l, r);
    StateVariableFilter breath;
    breath.Tune(2500, 0.7);
    double phase = 0;
    Decay vibratoDelay(0.5), settle(0.6);
    for (std::int64_t i = 0; i < total; ++i) {
        double t = Seconds(i);
        double vibrato =
            0.16 * std::sin(TWO_PI * 5.0 * t) * (1 - vibratoDelay.Next()) * std::min(1.0, t / 0.25);
        phase += TWO_PI * hz * (1 + vibrato * 0.057762) / RATE; // 2^(v/12) for small v
        double tone = std::sin(phase) + 0.1 * std::sin(2 * phase) + 0.14 * std::sin(3 * phase);
        double air = breath.Process(random.Signed()) * 0.09;
        double env = Attack(t, 0.07) * (0.8 + 0.2 * settle.Next()) *
                     Release(t, Seconds(note.length), release);
        double v = (tone + air) * env * 0.16 * note.velocity;
        mix.Add(note.start + i, v * l, v * r, 0.5, 0.22);
    }
}

// Soft kick: a sine that falls in pitch.
void PlayKick(LoopMix& mix, const Note& note) {
    const std::int64_t total = std::int64_t(0.5 * RATE);
    double phase = 0;
    for (std::int64_t i = 0; i < total; ++i) {
        double t = Seconds(i);
        double hz = 46 + 70 * std::exp(-t / 0.04);
        phase += TWO_PI * hz / RATE;
        double env = (1 - std::exp(-t / 0.002)) * std::exp(-t / 0.16);
        double v = std::sin(phase) * env * 0.3 * note.velocity;
        mix.Add(note.start + i, v, v, 0.03, 0.0);
    }
}

// Shaker: a short hiss of high-passed noise.
void PlayShaker(LoopMix& mix, const Note& note, Random& random) {
    const std::int64_t total = std::int64_t(0.12 * RATE);
    StateVariableFilter filter;
    filter.Tune(7000, 0.9);
    double l, r;
    Pan(note.pan, l, r);
    for (std::int64_t i = 0; i < total; ++i) {
        double t = Seconds(i);
        filter.Process(random.Signed());
        double env = Attack(t, 0.004) * std::exp(-t / 0.025);
        double v = filter.high * env * 0.085 * note.velocity;
        mix.Add(note.start + i, v * l, v * r, 0.15, 0.0);
    }
}

// Finger-snap: band-passed noise with a small woody knock.
void PlaySnap(LoopMix& mix, const Note& note, Random& random) {
    const std::int64_t total = std::int64_t(0.3 * RATE);
    StateVariableFilter filter;
    filter.Tune(1700, 1.4);
    double l, r;
    Pan(note.pan, l, r);
    for (std::int64_t i = 0; i < total; ++i) {
        double t = Seconds(i);
        filter.Process(random.Signed());
        double noise = filter.band * (1 - std::exp(-t / 0.001)) * std::exp(-t / 0.05);
        double knock = 0.35 * std::sin(TWO_PI * 210 * t) * std::exp(-t / 0.02);
        double v = (noise + knock) * 0.12 * note.velocity;
        mix.Add(note.start + i, v * l, v * r, 0.45, 0.0);
    }
}

} // namespace sound
