#include "assets/sound/music.h"

#include <algorithm>
#include <cmath>

#include "assets/sound/instruments.h"
#include "assets/sound/reverb.h"

namespace sound {
namespace {

// One bar's harmony: the bass root and the pad's voicing, which may change
// half-way through the bar.
struct Chord {
    int bass;
    std::vector<int> pad;
    std::vector<int> padSecondHalf; // empty: the same chord all bar
};

// clang-format off

// Section A: Dmaj9 Bm11 Gmaj9 Asus4-A | D/F# Em9 Gmaj9 A7sus4-A7
const std::vector<Chord> SECTION_A = {
    {38, {54, 57, 61, 64}, {}}, {35, {54, 57, 62, 64}, {}},
    {43, {57, 59, 62, 66}, {}}, {45, {57, 62, 64, 69}, {57, 61, 64, 69}},
    {42, {57, 61, 64, 66}, {}}, {40, {55, 59, 62, 66}, {}},
    {43, {57, 59, 62, 66}, {}}, {45, {55, 62, 64, 67}, {55, 61, 64, 67}},
};
// Section B: Bm9 Gmaj7#11 D/F# Em7 | Gmaj7 F#m7 Em9 A13sus4-A13
const std::vector<Chord> SECTION_B = {
    {47, {57, 61, 62, 66}, {}}, {43, {54, 59, 61, 62}, {}},
    {42, {57, 61, 62, 66}, {}}, {40, {55, 59, 62, 64}, {}},
    {43, {54, 59, 62, 67}, {}}, {42, {57, 61, 64, 66}, {}},
    {40, {55, 59, 62, 66}, {}}, {45, {55, 62, 64, 66}, {55, 61, 64, 66}},
};

struct MelodyNote {
    int bar;      // from 0
    double beat;  // within the bar
    double beats; // length
    int midi;
};

// The tune runs A B A' B': the second time round the melody is varied and
// climbs higher before it settles back towards the start.
const std::vector<MelodyNote> MELODY = {
    // A
    {0, 0, 1.5, 78}, {0, 1.5, 0.5, 76}, {0, 2, 1, 74}, {0, 3, 1, 69},
    {1, 0, 3, 71}, {1, 3, 0.5, 69}, {1, 3.5, 0.5, 71},
    {2, 0, 1.5, 74}, {2, 1.5, 0.5, 76}, {2, 2, 1, 78}, {2, 3, 1, 81},
    {3, 0, 2, 76}, {3, 2, 1, 74}, {3, 3, 1, 73},
    {4, 0, 1.5, 74}, {4, 1.5, 0.5, 78}, {4, 2, 2, 81},
    {5, 0, 1.5, 83}, {5, 1.5, 0.5, 81}, {5, 2, 1, 79}, {5, 3, 1, 78},
    {6, 0, 1, 76}, {6, 1, 0.5, 78}, {6, 1.5, 0.5, 79}, {6, 2, 2, 81},
    {7, 0, 1.5, 79}, {7, 1.5, 0.5, 78}, {7, 2, 2, 76},
    // B
    {8, 0, 1, 78}, {8, 1, 1, 85}, {8, 2, 2, 83},
    {9, 0, 1.5, 81}, {9, 1.5, 0.5, 79}, {9, 2, 1, 78}, {9, 3, 1, 74},
    {10, 0, 0.5, 76}, {10, 0.5, 0.5, 78}, {10, 1, 3, 81},
    {11, 0, 1.5, 79}, {11, 1.5, 0.5, 78}, {11, 2, 1, 76}, {11, 3, 1, 74},
    {12, 0, 1, 71}, {12, 1, 1, 74}, {12, 2, 1, 78}, {12, 3, 1, 83},
    {13, 0, 2.5, 81}, {13, 2.5, 0.5, 76}, {13, 3, 1, 78},
    {14, 0, 1, 79}, {14, 1, 1, 78}, {14, 2, 1, 76}, {14, 3, 1, 71},
    {15, 0, 2, 76}, {15, 2, 1, 74}, {15, 3, 1, 73},
    // A'
    {16, 0, 0.5, 69}, {16, 0.5, 1, 78}, {16, 1.5, 0.5, 76}, {16, 2, 0.5, 78}, {16, 2.5, 1.5, 81},
    {17, 0, 2, 78}, {17, 2, 1, 76}, {17, 3, 1, 74},
    {18, 0, 1, 71}, {18, 1, 0.5, 74}, {18, 1.5, 0.5, 78}, {18, 2, 2, 81},
    {19, 0, 1.5, 81}, {19, 1.5, 0.5, 76}, {19, 2, 2, 73},
    {20, 0, 1, 74}, {20, 1, 1, 78}, {20, 2, 1, 81}, {20, 3, 1, 85},
    {21, 0, 2, 83}, {21, 2, 0.5, 81}, {21, 2.5, 0.5, 79}, {21, 3, 1, 78},
    {22, 0, 1, 76}, {22, 1, 1, 74}, {22, 2, 1, 71}, {22, 3, 1, 74},
    {23, 0, 2, 76}, {23, 2, 1, 79}, {23, 3, 0.5, 78}, {23, 3.5, 0.5, 76},
    // B'
    {24, 0, 0.5, 78}, {24, 0.5, 0.5, 81}, {24, 1, 1, 85}, {24, 2, 2, 86},
    {25, 0, 1.5, 85}, {25, 1.5, 0.5, 83}, {25, 2, 1, 81}, {25, 3, 1, 78},
    {26, 0, 1, 76}, {26, 1, 1, 78}, {26, 2, 2, 81},
    {27, 0, 1.5, 83}, {27, 1.5, 0.5, 81}, {27, 2, 1, 79}, {27, 3, 1, 76},
    {28, 0, 2, 86}, {28, 2, 1, 83}, {28, 3, 1, 81},
    {29, 0, 1.5, 81}, {29, 1.5, 0.5, 78}, {29, 2, 1, 76}, {29, 3, 1, 73},
    {30, 0, 1, 74}, {30, 1, 1, 76}, {30, 2, 1, 79}, {30, 3, 1, 78},
    {31, 0, 2.5, 76}, {31, 2.5, 0.5, 74}, {31, 3, 1, 73},
};

// clang-format on

const Chord& ChordOfBar(int bar) {
    const std::vector<Chord>& section = (bar / 8) % 2 == 0 ? SECTION_A : SECTION_B;
    return section[bar % 8];
}

bool InSectionB(int bar) {
    return (bar / 8) % 2 == 1;
}

// Which chord tone each eighth note of the bell arpeggio plays, counting up
// through the pad's voicing (4 is its lowest note an octave up), so that the
// arpeggio moves below the melody; the B section rolls differently.
constexpr int ARPEGGIO_A[8] = {0, 2, 1, 3, 2, 4, 3, 1};
constexpr int ARPEGGIO_B[8] = {0, 1, 2, 3, 4, 3, 2, 1};
constexpr int ARPEGGIO_A_AGAIN[8] = {0, 3, 1, 4, 2, 3, 1, 2};

std::int64_t At(int bar, double beat) {
    return std::int64_t(std::llround((bar * BEATS_PER_BAR + beat) * FRAMES_PER_BEAT));
}

std::int64_t Beats(double beats) {
    return std::int64_t(std::llround(beats * FRAMES_PER_BEAT));
}

const std::vector<int>& VoicingAt(const Chord& chord, double beat) {
    return beat >= 2 && !chord.padSecondHalf.empty() ? chord.padSecondHalf : chord.pad;
}

void PlayHarmony(LoopMix& mix) {
    for (int bar = 0; bar < BARS; ++bar) {
        const Chord& chord = ChordOfBar(bar);
        bool split = !chord.padSecondHalf.empty();
        for (std::size_t v = 0; v < chord.pad.size(); ++v) {
            double pan = -0.5 + double(v) / (chord.pad.size() - 1);
            if (!split || chord.pad[v] == chord.padSecondHalf[v]) {
                PlayPad(mix, {At(bar, 0), Beats(4), double(chord.pad[v]), 1.0, pan});
            } else {
                PlayPad(mix, {At(bar, 0), Beats(2), double(chord.pad[v]), 1.0, pan});
                PlayPad(mix, {At(bar, 2), Beats(2), double(chord.padSecondHalf[v]), 1.0, pan});
            }
        }
        // bass: root, a push on the fifth, and the octave
        PlayBass(mix, {At(bar, 0), Beats(1.75), double(chord.bass), 1.0, 0});
        PlayBass(mix, {At(bar, 2.5), Beats(0.45), double(chord.bass + 7), 0.75, 0});
        PlayBass(mix, {At(bar, 3), Beats(0.8), double(chord.bass + 12), 0.85, 0});
    }
}

void PlayArpeggio(LoopMix& mix, Random& random) {
    for (int bar = 0; bar < BARS; ++bar) {
        const int* pattern = InSectionB(bar)  ? ARPEGGIO_B
                             : bar < BARS / 2 ? ARPEGGIO_A
                                              : ARPEGGIO_A_AGAIN;
        for (int step = 0; step < 8; ++step) {
            double beat = step * 0.5;
            const std::vector<int>& voicing = VoicingAt(ChordOfBar(bar), beat);
            int tone = pattern[step];
            int midi = voicing[tone % voicing.size()] + 12 * (tone / int(voicing.size()));
            double accent = step % 2 == 0 ? 1.0 : 0.7;
            double velocity = accent * (0.85 + 0.15 * random.Unit());
            std::int64_t jitter = std::int64_t(random.Signed() * 0.003 * RATE);
            double pan = step % 2 == 0 ? -0.35 : 0.35;
            PlayBell(mix, {At(bar, beat) + jitter, Beats(0.9), double(midi), velocity, pan});
        }
    }
}

// In the B sections a high, quiet bell answers the melody on the off-beats
// with the top note of the chord, two octaves up, left to the echo.
void PlaySparkle(LoopMix& mix, Random& random) {
    for (int bar = 0; bar < BARS; ++bar)
        for (double beat : {1.5, 3.5}) {
            if (!InSectionB(bar))
                continue;
            const std::vector<int>& voicing = VoicingAt(ChordOfBar(bar), beat);
            double velocity = 0.3 + 0.08 * random.Unit();
            PlayBell(mix, {At(bar, beat), Beats(0.5), double(voicing.back() + 24), velocity,
                           beat < 2 ? 0.6 : -0.6});
        }
}

void PlayMelody(LoopMix& mix, Random& random) {
    for (const MelodyNote& n : MELODY) {
        std::int64_t jitter = std::int64_t(random.Signed() * 0.004 * RATE);
        double velocity = 0.9 + 0.1 * random.Unit();
        PlayLead(
            mix,
            {At(n.bar, n.beat) + jitter, Beats(n.beats * 0.95), double(n.midi), velocity, 0.15},
            random);
    }
}

// The groove starts light (kick and eighth-note shaker for four bars), fills
// out with the snaps and sixteenths, and ends each half with a small fill.
void PlayDrums(LoopMix& mix, Random& random) {
    constexpr double SHAKER_ACCENTS[4] = {0.9, 0.35, 0.6, 0.4};
    constexpr int LIGHT_BARS = 4;
    for (int bar = 0; bar < BARS; ++bar) {
        const bool light = bar < LIGHT_BARS;
        PlayKick(mix, {At(bar, 0), 0, 0, 1.0, 0});
        PlayKick(mix, {At(bar, 2), 0, 0, 0.8, 0});
        if (bar % 2 == 1 && !light)
            PlayKick(mix, {At(bar, 3.5), 0, 0, 0.45, 0});
        if (!light || bar == LIGHT_BARS - 1)
            PlaySnap(mix, {At(bar, 3), 0, 0, light ? 0.6 : 0.9, -0.15}, random);
        if (!light)
            PlaySnap(mix, {At(bar, 1), 0, 0, 0.8, -0.15}, random);
        if (bar % 16 == 15) { // before A' and before the loop point
            PlaySnap(mix, {At(bar, 3.5), 0, 0, 0.45, 0.2}, random);
            PlaySnap(mix, {At(bar, 3.75), 0, 0, 0.6, 0.3}, random);
        }
        for (int s = 0; s < 16; ++s) {
            if (light && s % 2 == 1)
                continue;
            double velocity = SHAKER_ACCENTS[s % 4] * (0.85 + 0.3 * random.Unit());
            // a lazy swing on the off sixteenths
            double swing = s % 2 == 1 ? 0.04 : 0.0;
            PlayShaker(mix, {At(bar, s * 0.25 + swing), 0, 0, velocity, 0.4}, random);
        }
    }
}

} // namespace

std::vector<float> RenderTune() {
    LoopMix mix(TUNE_FRAMES);
    Random random(0x7E57AB1E);
    PlayHarmony(mix);
    PlayArpeggio(mix, random);
    PlayMelody(mix, random);
    PlaySparkle(mix, random);
    PlayDrums(mix, random);

    // The effects run over the loop twice and keep the second pass, so their
    // tails from the end of the loop already sound at its start.
    // A large, soft room about 9 dB under the instruments; the echo lower still.
    constexpr double ROOM_LEVEL = 2.0, ECHO_LEVEL = 1.3;
    Reverb reverb(0.86, 0.4);
    PingPongEcho echo(std::size_t(FRAMES_PER_BEAT * 3 / 4), 0.38);
    std::vector<float> out(std::size_t(TUNE_FRAMES) * 2);
    double peak = 1e-9;
    for (int pass = 0; pass < 2; ++pass)
        for (std::int64_t i = 0; i < TUNE_FRAMES; ++i) {
            double echoLeft, echoRight, roomLeft, roomRight;
            echo.Process(mix.echoSend[i], echoLeft, echoRight);
            reverb.Process(mix.reverbSend[i] + 0.3 * (echoLeft + echoRight), roomLeft, roomRight);
            if (pass == 1) {
                double left = mix.dryLeft[i] + ECHO_LEVEL * echoLeft + ROOM_LEVEL * roomLeft;
                double right = mix.dryRight[i] + ECHO_LEVEL * echoRight + ROOM_LEVEL * roomRight;
                peak = std::max({peak, std::fabs(left), std::fabs(right)});
                out[2 * i] = float(left);
                out[2 * i + 1] = float(right);
            }
        }
    const float gain = float(0.89 / peak); // about -1 dB full scale
    for (float& sample : out)
        sample *= gain;
    return out;
}

} // namespace sound
