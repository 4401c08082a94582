// A backend for the audio tests: its clock moves only when the test says,
// and its audio output is pulled by the test, so what the mixer produces for
// each stretch of virtual time can be examined sample by sample. It keeps
// every message box shown, for the tests of the game's audio room.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend.h"

class PullBackend final : public platform::Backend {
public:
    PullBackend() : now(LastNow() + 1000) { platform::InstallBackend(this); }
    ~PullBackend() override {
        LastNow() = now;
        platform::InstallBackend(nullptr);
    }
    PullBackend(const PullBackend&) = delete;
    PullBackend& operator=(const PullBackend&) = delete;

    std::uint32_t NowMilliseconds() override { return now.load(); }

    // The virtual clock does not move while the program waits: a wait only
    // gives the processor away, so that another thread (the music
    // notification thread) can run.
    void WaitUntil(std::uint32_t) override { std::this_thread::yield(); }
    void Sleep(std::uint32_t) override { std::this_thread::yield(); }

    int ShowMessageBox(const std::string& captionUtf8, const std::string& textUtf8,
                       unsigned) override {
        std::lock_guard<std::mutex> hold(boxesLock);
        boxes.push_back(textUtf8);
        captions.push_back(captionUtf8);
        return 1; // IDOK
    }
    std::vector<std::string> Boxes() const {
        std::lock_guard<std::mutex> hold(boxesLock);
        return boxes;
    }
    std::vector<std::string> Captions() const {
        std::lock_guard<std::mutex> hold(boxesLock);
        return captions;
    }
    // Waits (in real time, briefly) until `count` boxes were shown, for boxes
    // shown by another thread.
    bool AwaitBoxes(std::size_t count) const {
        for (int i = 0; i < 2000; ++i) {
            if (Boxes().size() >= count) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    bool OpenAudio(std::uint32_t sampleRate, std::uint32_t channelCount,
                   platform::AudioSource* from) override {
        ++opens;
        if (refuseAudio) {
            return false;
        }
        rate = sampleRate;
        channels = channelCount;
        source = from;
        return true;
    }
    void CloseAudio() override { source = nullptr; }

    // Moves the clock on by `ms` in 10 ms steps, pulling after each step the
    // frames that the step lasted. Returns the interleaved samples.
    std::vector<std::int16_t> Run(std::uint32_t ms) {
        std::vector<std::int16_t> out;
        for (std::uint32_t done = 0; done < ms;) {
            const std::uint32_t step = std::min<std::uint32_t>(10, ms - done);
            now += step;
            done += step;
            elapsedMs += step;
            const auto due = static_cast<std::uint64_t>(elapsedMs) * rate / 1000;
            const auto frames = static_cast<std::uint32_t>(due - pulledFrames);
            pulledFrames = due;
            const std::size_t start = out.size();
            out.resize(start + static_cast<std::size_t>(frames) * channels);
            if (source) {
                source->Mix(out.data() + start, frames);
            }
        }
        return out;
    }

    // Each backend's clock goes on from where the previous one stopped, as
    // the audio layer's reference time never runs backwards.
    std::atomic<std::uint32_t> now;
    bool refuseAudio = false;
    int opens = 0;
    std::uint32_t rate = 0;
    std::uint32_t channels = 0;
    platform::AudioSource* source = nullptr;

private:
    static std::uint32_t& LastNow() {
        static std::uint32_t last = 0;
        return last;
    }
    mutable std::mutex boxesLock;
    std::vector<std::string> boxes;
    std::vector<std::string> captions;
    std::uint64_t elapsedMs = 0;
    std::uint64_t pulledFrames = 0;
};

// One channel out of interleaved samples.
inline std::vector<double> Channel(const std::vector<std::int16_t>& samples, unsigned channels,
                                   unsigned which) {
    std::vector<double> out;
    for (std::size_t i = which; i < samples.size(); i += channels) {
        out.push_back(samples[i] / 32768.0);
    }
    return out;
}

inline double Rms(const std::vector<double>& v, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    to = std::min(to, v.size());
    if (to <= from) {
        return 0.0;
    }
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        sum += v[i] * v[i];
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

// The fundamental of a harmonic sound over [from, to), from the first strong
// peak of its autocorrelation between 50 Hz and 2 kHz.
inline double Pitch(const std::vector<double>& v, double rate, std::size_t from, std::size_t to) {
    to = std::min(to, v.size());
    const auto minLag = static_cast<std::size_t>(rate / 2000.0);
    const auto maxLag = static_cast<std::size_t>(rate / 50.0);
    if (to <= from + maxLag) {
        return 0.0;
    }
    const std::size_t n = to - from - maxLag;
    auto correlate = [&](std::size_t lag) {
        double sum = 0.0;
        for (std::size_t i = from; i < from + n; ++i) {
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
            // Parabolic interpolation around the peak.
            const double a = r[lag - 1], b = r[lag], c = r[lag + 1];
            const double shift = 0.5 * (a - c) / (a - 2 * b + c);
            return rate / (static_cast<double>(lag) + shift);
        }
    }
    return 0.0;
}

// Frequency estimated from upward zero crossings over [from, to).
inline double Frequency(const std::vector<double>& v, double rate, std::size_t from = 0,
                        std::size_t to = SIZE_MAX) {
    to = std::min(to, v.size());
    std::size_t first = 0, last = 0, crossings = 0;
    for (std::size_t i = from + 1; i < to; ++i) {
        if (v[i - 1] < 0.0 && v[i] >= 0.0) {
            if (crossings == 0) {
                first = i;
            }
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) {
        return 0.0;
    }
    return static_cast<double>(crossings - 1) * rate / static_cast<double>(last - first);
}
