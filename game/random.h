// The game's random numbers: the classic C library generator, started from
// state 1 and never reseeded, with a clock-dependent number of values skipped
// before each draw.
#pragma once

#include <cstdint>

inline constexpr int RANDOM_MAX = 32767;

// The generator's state: 1 at program start, never reseeded by the game.
extern std::uint32_t randomState;

// The next value of the generator, 0 to RANDOM_MAX.
int NextRandom();

// A float in [0, 1]; both ends are possible.
float RandomUnit();
// A float between a and b, whichever order they come in.
float RandomRange(float a, float b);
// A whole number between lo and hi, or the next replay value while
// randomReplay is set.
std::int32_t RandomInt(std::int32_t lo, std::int32_t hi);

inline constexpr int REPLAY_COUNT = 14;
extern const std::int32_t REPLAY_VALUES[REPLAY_COUNT];
extern std::uint8_t randomReplay;
extern std::uint32_t replayIndex;
