// What the audio tests share. A backend whose clock moves only when the test
// says and whose output the test pulls, so that what the mixer produces for
// each stretch of virtual time can be examined sample by sample (it keeps
// every message box shown); measures of that output; and the few steps every
// test takes to get a DirectSound device, a filled buffer or a DirectMusic
// object.
#pragma once

#include <gtest/gtest.h>
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
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "winapi.h"

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
    const double sum = std::inner_product(v.begin() + from, v.begin() + to, v.begin() + from, 0.0);
    return std::sqrt(sum / static_cast<double>(to - from));
}

// The fundamental of a harmonic sound (or the frequency of a pure tone) over
// [from, to), from the first strong peak of its autocorrelation between 50 Hz
// and 2 kHz.
inline double Pitch(const std::vector<double>& v, double rate, std::size_t from = 0,
                    std::size_t to = SIZE_MAX) {
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

// ---------------------------------------------------------------- set-up

using Bytes = std::vector<std::uint8_t>;

// The window handle the cooperative level asks for; nothing is sent to it.
inline HWND FakeWindow() {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
}

inline bool HaveSoundFont() {
    return std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf2") ||
           std::filesystem::exists("/usr/share/sounds/sf2/TimGM6mb.sf2");
}

inline WAVEFORMATEX Pcm(DWORD rate, WORD channels, WORD bits) {
    const auto align = static_cast<WORD>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// A device at the priority level whose primary buffer has `format`, as the
// game opens it.
inline void OpenDevice(IDirectSound*& sound, IDirectSoundBuffer*& primary,
                       const WAVEFORMATEX& format = Pcm(44100, 2, 16)) {
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
    ASSERT_EQ(sound->SetCooperativeLevel(FakeWindow(), DSSCL_PRIORITY), DS_OK);
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE_WIN32;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    ASSERT_EQ(sound->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    ASSERT_EQ(primary->SetFormat(&format), DS_OK);
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
                PutLittle(
                    out,
                    static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767.0))),
                    2);
            }
        }
    }
    return out;
}

// A secondary buffer of `format` holding `samples`, written through Lock and
// Unlock as the game writes its sounds; null if any step fails.
inline IDirectSoundBuffer* FilledBuffer(IDirectSound* sound, const WAVEFORMATEX& format,
                                        const Bytes& samples, DWORD flags = 0xE0) {
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = flags;
    desc.dwBufferBytes = static_cast<DWORD>(samples.size());
    desc.lpwfxFormat = const_cast<WAVEFORMATEX*>(&format);
    IDirectSoundBuffer* buffer = nullptr;
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (sound->CreateSoundBuffer(&desc, &buffer, nullptr) != DS_OK ||
        buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER) !=
            DS_OK) {
        return nullptr;
    }
    std::memcpy(p1, samples.data(), n1);
    return buffer->Unlock(p1, n1, p2, n2) == DS_OK ? buffer : nullptr;
}

// A COM object of the DirectMusic classes (COM must be started).
template <class Interface> Interface* Make(REFCLSID classId, REFIID interfaceId) {
    Interface* object = nullptr;
    EXPECT_EQ(CoCreateInstance(classId, nullptr, CLSCTX_INPROC, interfaceId,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    return object;
}

// The description of a segment held in memory by `song`.
inline DMUS_OBJECTDESC InMemory(Bytes& song) {
    DMUS_OBJECTDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_MEMORY;
    desc.guidClass = CLSID_DirectMusicSegment;
    desc.pbMemData = song.data();
    desc.llMemLength = static_cast<LONGLONG>(song.size());
    return desc;
}

template <class Interface> void Drop(Interface*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

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

    void Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream out(path / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path path;

private:
    std::filesystem::path previous;
};
