// What the sound and music tests share: a backend whose output the test pulls
// on its virtual clock, so that what the mixer makes for each stretch of time
// can be examined sample by sample; measures of what was heard; PCM tones and
// Standard MIDI Files built here; a scratch folder as the working directory.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <numeric>
#include <string>
#include <vector>

#include "tests/support/test_backend.h"
#include "winapi.h"

using Bytes = std::vector<std::uint8_t>;

// The rate the game's primary buffer sets, which everything is heard at.
constexpr double kRate = 44100.0;
constexpr std::size_t FramesIn(std::uint32_t ms) {
    return std::size_t{ms} * 441 / 10;
}

class PullBackend final : public TestBackend {
public:
    // Each clock goes on from where the last one stopped: DirectMusic's
    // reference time counts only forward steps of the backend's clock.
    PullBackend() : TestBackend(LastNow() + 1000) {}
    ~PullBackend() override { LastNow() = now; }

    bool OpenAudio(std::uint32_t sampleRate, std::uint32_t channelCount,
                   platform::AudioSource* source) override {
        rate = sampleRate;
        channels = channelCount;
        audio = refuseAudio ? nullptr : source;
        return !refuseAudio;
    }

    // Moves the clock on by `ms` in 10 ms steps, pulling after each step the
    // frames it lasted. Returns the left channel, full scale 1.
    std::vector<double> Run(std::uint32_t ms) {
        std::vector<double> left;
        std::vector<std::int16_t> block;
        for (std::uint32_t done = 0; done < ms; done += 10) {
            const std::uint32_t step = std::min<std::uint32_t>(10, ms - done);
            now += step;
            elapsedMs += step;
            const std::uint64_t due = elapsedMs * rate / 1000;
            const auto frames = static_cast<std::uint32_t>(due - pulledFrames);
            pulledFrames = due;
            block.assign(std::size_t{frames} * channels, 0);
            if (platform::AudioSource* source = audio) {
                source->Mix(block.data(), frames);
            }
            for (std::size_t i = 0; i < block.size(); i += channels) {
                left.push_back(block[i] / 32768.0);
            }
        }
        return left;
    }

    bool refuseAudio = false;
    std::uint32_t rate = 0;
    std::uint32_t channels = 0;

private:
    static std::uint32_t& LastNow() {
        static std::uint32_t last = 0;
        return last;
    }
    std::uint64_t elapsedMs = 0;
    std::uint64_t pulledFrames = 0;
};

inline double Rms(const std::vector<double>& v, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    to = std::min(to, v.size());
    if (to <= from) {
        return 0.0;
    }
    const double sum = std::inner_product(v.begin() + from, v.begin() + to, v.begin() + from, 0.0);
    return std::sqrt(sum / static_cast<double>(to - from));
}

// The fundamental of a harmonic sound (or the frequency of a pure tone) over
// [from, to), from the first strong peak of its autocorrelation between 50 Hz
// and 2 kHz; 0 when there is none.
inline double Pitch(const std::vector<double>& v, std::size_t from, std::size_t to) {
    to = std::min(to, v.size());
    const auto minLag = static_cast<std::size_t>(kRate / 2000.0);
    const auto maxLag = static_cast<std::size_t>(kRate / 50.0);
    if (to <= from + maxLag) {
        return 0.0;
    }
    auto correlate = [&](std::size_t lag) {
        double sum = 0.0;
        for (std::size_t i = from; i < to - maxLag; ++i) {
            sum += v[i] * v[i + lag];
        }
        return sum;
    };
    const double zero = correlate(0);
    std::vector<double> r(maxLag + 2, 0.0);
    for (std::size_t lag = minLag; lag <= maxLag + 1; ++lag) {
        r[lag] = correlate(lag);
    }
    for (std::size_t lag = minLag + 1; lag <= maxLag; ++lag) {
        if (r[lag] > 0.5 * zero && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            const double a = r[lag - 1], b = r[lag], c = r[lag + 1]; // parabola through the peak
            return kRate / (static_cast<double>(lag) + 0.5 * (a - c) / (a - 2 * b + c));
        }
    }
    return 0.0;
}

inline void PutLittle(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
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
                PutLittle(out, static_cast<std::uint16_t>(std::lround(v * 32767.0)), 2);
            }
        }
    }
    return out;
}

// A fresh folder that is the current directory while the object lives (the
// game names its files relative to the current directory).
class WorkingFolder {
public:
    WorkingFolder() : previous(std::filesystem::current_path()) {
        char pattern[] = "/tmp/qv_audio_XXXXXX";
        path = mkdtemp(pattern);
        std::filesystem::current_path(path);
    }
    ~WorkingFolder() {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(path);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    void Write(const std::string& name, const Bytes& bytes) const {
        std::filesystem::create_directories((path / name).parent_path());
        std::ofstream out(path / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path previous;
    std::filesystem::path path;
};

// ---------------------------------------------------------------- MIDI files

class MidiTrack {
public:
    MidiTrack& Event(std::uint32_t delta, std::initializer_list<std::uint8_t> data) {
        std::uint8_t groups[5];
        int n = 0;
        do {
            groups[n++] = static_cast<std::uint8_t>(delta & 0x7F);
            delta >>= 7;
        } while (delta);
        while (n-- > 0) {
            bytes.push_back(static_cast<std::uint8_t>(groups[n] | (n ? 0x80 : 0)));
        }
        bytes.insert(bytes.end(), data);
        return *this;
    }
    MidiTrack& Tempo(std::uint32_t delta, std::uint32_t microsecondsPerBeat) {
        return Event(delta, {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(microsecondsPerBeat >> 16),
                             static_cast<std::uint8_t>(microsecondsPerBeat >> 8),
                             static_cast<std::uint8_t>(microsecondsPerBeat)});
    }
    MidiTrack& End(std::uint32_t delta = 0) { return Event(delta, {0xFF, 0x2F, 0x00}); }

    Bytes bytes;
};

inline void PutBig(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

inline Bytes MidiFile(int format, std::uint16_t division, const std::vector<MidiTrack>& tracks) {
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    PutBig(out, static_cast<std::uint32_t>(format), 2);
    PutBig(out, static_cast<std::uint32_t>(tracks.size()), 2);
    PutBig(out, division, 2);
    for (const MidiTrack& track : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        PutBig(out, static_cast<std::uint32_t>(track.bytes.size()), 4);
        out.insert(out.end(), track.bytes.begin(), track.bytes.end());
    }
    return out;
}

// One held note: program `program` on channel 0, A4 at full velocity from
// tick 0 for `ticks` ticks, at 480 ticks a beat (120 bpm).
inline Bytes OneNoteSong(std::uint32_t ticks, std::uint8_t program = 0) {
    MidiTrack track;
    track.Event(0, {0xC0, program}).Event(0, {0x90, 69, 127}).Event(ticks, {0x80, 69, 0}).End();
    return MidiFile(0, 480, {track});
}
