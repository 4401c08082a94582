// What the audio room's tests share: the pulling backend of the platform's
// audio tests (a clock the test moves, output the test pulls, every message
// box kept); a folder of its own that the test runs in; and builders for
// the RIFF WAVE files the game reads.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "tests/platform/audio/pull_backend.h"

// The audio room's tests run on the platform audio tests' backend.
using AudioTestBackend = PullBackend;

// A fresh folder that is the current directory while the object lives (the
// game names its files relative to the current directory).
class WorkingFolder {
public:
    WorkingFolder() {
        char pattern[] = "/tmp/qv_audio_XXXXXX";
        path = mkdtemp(pattern);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(path);
    }
    ~WorkingFolder() {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(path);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream out(path / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path path;

private:
    std::filesystem::path previous;
};

// ---------------------------------------------------------------- WAV files

using Bytes = std::vector<std::uint8_t>;

inline void PutLittle(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

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

// PCM samples of a sine tone at `level` of full scale on every channel,
// changing to `hz2` after `switchFrame` frames (when given).
inline Bytes ToneSamples(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits, double hz,
                         std::uint32_t frames, double level = 0.5, double hz2 = 0.0,
                         std::uint32_t switchFrame = UINT32_MAX) {
    Bytes out;
    double phase = 0.0;
    for (std::uint32_t f = 0; f < frames; ++f) {
        const double v = level * std::sin(phase);
        phase += 2.0 * M_PI * (f + 1 < switchFrame || hz2 == 0.0 ? hz : hz2) / rate;
        for (std::uint16_t c = 0; c < channels; ++c) {
            if (bits == 8) {
                out.push_back(static_cast<std::uint8_t>(std::lround(128.0 + v * 127.0)));
            } else {
                PutLittle(
                    out,
                    static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767.0))),
                    2);
            }
        }
    }
    return out;
}

// A complete PCM WAV file as most programs write it.
inline Bytes WaveFile(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                      const Bytes& samples) {
    return Riff({Chunk("fmt ", FormatData(1, channels, rate, bits)), Chunk("data", samples)});
}
