// The sound on its way from the mixer to the page's AudioWorklet: a ring of
// interleaved signed 16-bit frames in the program's shared memory, written by
// the pump thread and read by the worklet on the browser's audio thread.
// Neither side ever waits for the other. A writer that finds the ring full
// writes less (nothing is overwritten); a reader that finds it short plays
// the frames there are, then silence, and counts an underrun.
//
// The worklet reads the same memory (audio_worklet.js): the header's five
// 32-bit words (frames written, frames read, underruns, capacity in frames,
// channels) and the samples.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace platform::web {

class SampleRing {
public:
    SampleRing(std::uint32_t capacityFrames, std::uint32_t channels);

    // Producer side.
    std::uint32_t FreeFrames() const;
    // Copies up to `frames` frames in; returns how many fitted.
    std::uint32_t Write(const std::int16_t* samples, std::uint32_t frames);

    // Consumer side, as the worklet does it: fills all `frames` frames of
    // `out`, with silence past what was written.
    void Read(std::int16_t* out, std::uint32_t frames);
    std::uint32_t Underruns() const { return header.underruns.load(); }

    // What the worklet is handed.
    const void* Header() const { return &header; }
    const std::int16_t* Samples() const { return samples.get(); }
    std::uint32_t Channels() const { return header.channels; }

private:
    struct Words {
        std::atomic<std::uint32_t> written{0};
        std::atomic<std::uint32_t> read{0};
        std::atomic<std::uint32_t> underruns{0};
        std::uint32_t capacity = 0;
        std::uint32_t channels = 0;
    };
    static_assert(sizeof(Words) == 20 && std::atomic<std::uint32_t>::is_always_lock_free);

    Words header;
    std::unique_ptr<std::int16_t[]> samples;
};

} // namespace platform::web
