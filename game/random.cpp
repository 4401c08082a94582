#include "game/random.h"

#include "winapi.h"

const std::int32_t REPLAY_VALUES[REPLAY_COUNT] = {0, 3, 0, 0, 3, 0, 0, 1, 1, 0, 2, 2, 1, 2};
std::uint8_t randomReplay = 0;
std::uint32_t replayIndex = 0;

std::uint32_t randomState = 1;

namespace {

void SkipClockDependentValues() {
    const DWORD skip = timeGetTime() % 16;
    for (DWORD n = 0; n < skip; ++n) {
        NextRandom();
    }
}

} // namespace

int NextRandom() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7FFFu);
}

float RandomUnit() {
    SkipClockDependentValues();
    return static_cast<float>(NextRandom() / 32767.0);
}

float RandomRange(float a, float b) {
    if (b < a) {
        float t = a;
        a = b;
        b = t;
    }
    const float span = b - a;
    return RandomUnit() * span + a;
}

std::int32_t RandomInt(std::int32_t lo, std::int32_t hi) {
    if (randomReplay != 0) {
        return REPLAY_VALUES[replayIndex++ % REPLAY_COUNT];
    }
    SkipClockDependentValues();
    if (hi < lo) {
        std::int32_t t = lo;
        lo = hi;
        hi = t;
    }
    // 64-bit so that the widest range, INT_MIN to INT_MAX, cannot overflow.
    const std::int64_t span = std::int64_t{hi} - lo + 1;
    return static_cast<std::int32_t>(NextRandom() % span + lo);
}
