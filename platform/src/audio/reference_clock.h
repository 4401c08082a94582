// Reference time for DirectMusic: 100-nanosecond units on the backend's
// millisecond clock, unwrapped past its 2^32 wrap so it only ever grows.
#pragma once

#include <cstdint>

namespace platform::audio {

inline constexpr std::int64_t kReferenceUnitsPerSecond = 10'000'000;
inline constexpr std::int64_t kReferenceUnitsPerMs = 10'000;

std::int64_t ReferenceNow();

} // namespace platform::audio
