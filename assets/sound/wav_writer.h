// RIFF WAVE files of 16-bit PCM, with the standard 16-byte "fmt " chunk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sound {

// Float samples in [-1, 1], interleaved by channel, rounded to 16 bits.
std::vector<std::uint8_t> EncodeWav(const std::vector<float>& samples, int channels,
                                    int sampleRate);

} // namespace sound
