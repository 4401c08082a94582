// The software mixer behind DirectSound: every playing secondary buffer is
// converted and resampled (by an SDL audio stream) to the output format and
// summed with the DirectMusic synthesizers into the backend's audio output.
#pragma once

#include <SDL_audio.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/backend.h"

namespace platform::audio {

// Something besides the PCM buffers that sounds in the output: a DirectMusic
// synthesizer port, or the performance whose sequencer must run in step with
// the output. Called with the mixer's lock held, on the audio thread.
class MixContributor {
public:
    static constexpr std::int64_t kNothingDue = INT64_MAX;

    virtual ~MixContributor() = default;
    // The sequencer's moment: everything due up to reference time `until`,
    // the time of the frame about to be rendered, is sent. Answers when the
    // next item is due (kNothingDue: nothing waits), where the mixer then
    // splits its render.
    virtual std::int64_t Advance(std::int64_t until) { return (void)until, kNothingDue; }
    // Adds `frames` frames of `channels` interleaved float samples.
    virtual void Render(float* accum, std::uint32_t frames, std::uint32_t channels) {
        (void)accum, (void)frames, (void)channels;
    }
    // The output changed its sample rate.
    virtual void OutputRateChanged(std::uint32_t rate) { (void)rate; }
};

struct PcmFormat {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
    std::uint16_t bits = 0;
    std::uint32_t BlockAlign() const { return channels * (bits / 8u); }
};

// The sample bytes of one buffer, zero-filled by the system allocator: pages
// nobody writes cost no memory, so a buffer as large as DirectSound allows
// (256 MiB) that holds a short sound and silence stays small. data() is null
// when the memory could not be had.
class SampleBytes {
public:
    SampleBytes() = default;
    explicit SampleBytes(std::size_t bytes);
    ~SampleBytes();
    SampleBytes(SampleBytes&& other) noexcept;
    SampleBytes& operator=(SampleBytes&& other) noexcept;

    std::uint8_t* data() { return bytes; }
    const std::uint8_t* data() const { return bytes; }
    std::size_t size() const { return count; }

private:
    std::uint8_t* bytes = nullptr;
    std::size_t count = 0;
};

// Copies `bytes` bytes over `to`, leaving alone the spans that already hold
// them: silence copied onto silence is only read, never written.
void CopyChangedSpans(std::uint8_t* to, const std::uint8_t* from, std::size_t bytes);

class Mixer;

// The play state of one secondary buffer. All members are guarded by the
// mixer's lock.
class Voice {
public:
    Voice(Mixer& mixer, PcmFormat format, std::uint32_t bytes);
    ~Voice();
    Voice(const Voice&) = delete;
    Voice& operator=(const Voice&) = delete;

    SampleBytes data;
    PcmFormat format;

    bool Play(bool loop);
    void Stop();
    bool IsPlaying() const { return playing; }
    bool IsLooping() const { return looping; }
    // Play position in bytes; SetPosition rounds down to a whole frame.
    std::uint32_t Position() const;
    void SetPosition(std::uint32_t byteOffset);
    bool RebuildStream();

    // Adds `frames` output frames into `accum`; `scratch` holds at least as
    // many floats.
    void MixInto(float* accum, float* scratch, std::uint32_t frames, std::uint32_t channels);

private:
    void Feed();
    std::uint32_t Frames() const;
    // Restarts the heard-position count at `frame`, with the stream emptied.
    void Rebase(std::uint32_t frame);

    Mixer& mixer;
    SDL_AudioStream* stream = nullptr;
    std::uint32_t sourceRate;
    std::uint32_t cursor = 0;    // next source frame handed to the stream
    std::uint32_t baseFrame = 0; // source frame heard at the start of this run
    std::uint64_t outFrames = 0; // output frames heard since then
    bool playing = false;
    bool looping = false;
    bool flushed = false;
};

class Mixer final : public AudioSource {
public:
    // Opens the backend's output at 44100 Hz stereo; null when it cannot, or
    // when another mixer holds it (OutputTaken tells which).
    static std::shared_ptr<Mixer> Open();
    static bool OutputTaken();
    ~Mixer() override;
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // Reopens the output at this format; false (and the old format kept) when
    // the backend refuses it.
    bool SetOutputFormat(std::uint32_t rate, std::uint32_t channels);
    void Close();
    bool IsOpen() const { return open; }
    std::uint32_t Rate() const { return rate; }
    std::uint32_t Channels() const { return channels; }

    // Guards every voice and the lists below; Mix holds it for a whole pull.
    std::mutex& Lock() { return mutex; }
    // These take the lock themselves.
    void AddVoice(Voice* voice);
    void RemoveVoice(Voice* voice);
    void AddContributor(MixContributor* contributor);
    void RemoveContributor(MixContributor* contributor);

    void Mix(std::int16_t* out, std::uint32_t frames) override;

    static constexpr std::uint32_t kChunkFrames = 256;

private:
    Mixer() = default;
    void CloseOutput();
    struct PullTimes;
    void MixChunk(std::int16_t* out, std::uint32_t first, std::uint32_t frames,
                  const PullTimes& times);
    void RenderSpan(float* into, std::uint32_t frames);

    std::mutex mutex;
    bool open = false;
    bool ownsOutput = false;
    std::uint32_t rate = 0;
    std::uint32_t channels = 0;
    std::vector<Voice*> voices;
    std::vector<MixContributor*> contributors;
    std::vector<float> accum;
    std::vector<float> scratch;
};

} // namespace platform::audio
