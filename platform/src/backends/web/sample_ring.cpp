#include "backends/web/sample_ring.h"

#include <algorithm>
#include <cstring>

namespace platform::web {

SampleRing::SampleRing(std::uint32_t capacityFrames, std::uint32_t channels)
    : samples(new std::int16_t[static_cast<std::size_t>(capacityFrames) * channels]()) {
    header.capacity = capacityFrames;
    header.channels = channels;
}

std::uint32_t SampleRing::FreeFrames() const {
    const std::uint32_t used = header.written.load(std::memory_order_relaxed) -
                               header.read.load(std::memory_order_acquire);
    return header.capacity - std::min(used, header.capacity);
}

std::uint32_t SampleRing::Write(const std::int16_t* from, std::uint32_t frames) {
    frames = std::min(frames, FreeFrames());
    const std::uint32_t start = header.written.load(std::memory_order_relaxed);
    for (std::uint32_t done = 0; done < frames;) {
        const std::uint32_t at = (start + done) % header.capacity;
        const std::uint32_t run = std::min(frames - done, header.capacity - at);
        std::memcpy(samples.get() + static_cast<std::size_t>(at) * header.channels,
                    from + static_cast<std::size_t>(done) * header.channels,
                    static_cast<std::size_t>(run) * header.channels * sizeof(std::int16_t));
        done += run;
    }
    header.written.store(start + frames, std::memory_order_release);
    return frames;
}

void SampleRing::Read(std::int16_t* out, std::uint32_t frames) {
    const std::uint32_t start = header.read.load(std::memory_order_relaxed);
    const std::uint32_t ready =
        std::min(frames, header.written.load(std::memory_order_acquire) - start);
    for (std::uint32_t i = 0; i < ready; ++i) {
        const std::uint32_t at = (start + i) % header.capacity;
        std::copy_n(samples.get() + static_cast<std::size_t>(at) * header.channels, header.channels,
                    out + static_cast<std::size_t>(i) * header.channels);
    }
    std::fill(out + static_cast<std::size_t>(ready) * header.channels,
              out + static_cast<std::size_t>(frames) * header.channels, std::int16_t{0});
    if (ready < frames) {
        header.underruns.fetch_add(1, std::memory_order_relaxed);
    }
    header.read.store(start + ready, std::memory_order_release);
}

} // namespace platform::web
