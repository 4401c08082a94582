// The background tune: thirty-two bars in D major at 75 beats a minute, a
// looping piece for drifting through space.
#pragma once

#include <cstdint>
#include <vector>

namespace sound {

constexpr int BEATS_PER_MINUTE = 75;
constexpr std::int64_t FRAMES_PER_BEAT = 44100 * 60 / BEATS_PER_MINUTE; // 35280
constexpr int BEATS_PER_BAR = 4;
constexpr int BARS = 32;
constexpr std::int64_t TUNE_FRAMES = FRAMES_PER_BEAT * BEATS_PER_BAR * BARS;

// Interleaved stereo, 44100 frames a second, peak just below full scale.
// Frame TUNE_FRAMES - 1 runs on into frame 0.
std::vector<float> RenderTune();

} // namespace sound
