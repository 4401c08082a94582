#include "assets/sound/wav_writer.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

#include "assets/binary_output.h"

namespace sound {
namespace {

using assets::Put16;
using assets::Put32;

void PutId(std::vector<std::uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(id[i]));
}

} // namespace

std::vector<std::uint8_t> EncodeWav(const std::vector<float>& samples, int channels,
                                    int sampleRate) {
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    const std::uint16_t blockAlign = std::uint16_t(channels * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    PutId(out, "RIFF");
    Put32(out, 4 + (8 + 16) + (8 + dataBytes)); // everything after this field
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, std::uint16_t(channels));
    Put32(out, std::uint32_t(sampleRate));
    Put32(out, std::uint32_t(sampleRate) * blockAlign);
    Put16(out, blockAlign);
    Put16(out, 16);
    PutId(out, "data");
    Put32(out, dataBytes);
    for (float s : samples) {
        long v = std::lround(std::clamp(double(s), -1.0, 1.0) * 32767.0);
        Put16(out, std::uint16_t(std::int16_t(v)));
    }
    return out;
}

} // namespace sound
