// What the audio room's tests share besides the platform audio tests' kit
// (the pulling backend, a working folder, tone samples): builders for the
// RIFF WAVE files the game reads.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/platform/audio/audio_kit.h"

// One chunk: id, declared size (the data's own size unless given), data, and
// a pad byte after odd-sized data if asked for (as careful RIFF writers do).
inline Bytes Chunk(const char* id, const Bytes& data, bool pad = false,
                   std::int64_t declared = -1) {
    Bytes out(id, id + 4);
    PutLittle(out,
              declared < 0 ? static_cast<std::uint32_t>(data.size())
                           : static_cast<std::uint32_t>(declared),
              4);
    out.insert(out.end(), data.begin(), data.end());
    if (pad && data.size() % 2 == 1) {
        out.push_back(0);
    }
    return out;
}

// The common 16-byte "fmt " chunk data.
inline Bytes FormatData(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                        std::uint16_t bits) {
    Bytes out;
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    PutLittle(out, tag, 2);
    PutLittle(out, channels, 2);
    PutLittle(out, rate, 4);
    PutLittle(out, rate * align, 4);
    PutLittle(out, align, 2);
    PutLittle(out, bits, 2);
    return out;
}

// "RIFF", size, "WAVE" (or `form`), then the chunks; the RIFF size is the
// true one unless given.
inline Bytes Riff(const std::vector<Bytes>& chunks, std::int64_t riffSize = -1,
                  const char* form = "WAVE") {
    Bytes body(form, form + 4);
    for (const Bytes& chunk : chunks) {
        body.insert(body.end(), chunk.begin(), chunk.end());
    }
    Bytes out = {'R', 'I', 'F', 'F'};
    PutLittle(out,
              riffSize < 0 ? static_cast<std::uint32_t>(body.size())
                           : static_cast<std::uint32_t>(riffSize),
              4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A complete PCM WAV file as most programs write it.
inline Bytes WaveFile(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                      const Bytes& samples) {
    return Riff({Chunk("fmt ", FormatData(1, channels, rate, bits)), Chunk("data", samples)});
}
