// The shot sound: a short bright zap and a soft answer half-way through, so
// that played back to back it keeps an even, light rhythm.
#pragma once

#include <cstdint>
#include <vector>

namespace sound {

constexpr std::int64_t SHOT_FRAMES = 44100 * 2 / 5; // 0.4 s: an eighth note of the tune

// Mono, 44100 frames a second; silent at both ends, so it loops without a click.
std::vector<float> RenderShot();

} // namespace sound
