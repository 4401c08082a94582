#include "audio/mixer.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "audio/reference_clock.h"

namespace platform::audio {
namespace {

constexpr std::uint32_t kDefaultRate = 44100;
constexpr std::uint32_t kDefaultChannels = 2;
constexpr std::uint32_t kMaxChannels = 2;
// Source frames handed to a stream at a time: large enough to keep the calls
// few, small enough that a Stop loses little to the stream's own buffering.
constexpr std::uint32_t kFeedFrames = 1024;

SDL_AudioFormat SdlFormatOf(const PcmFormat& format) {
    return format.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
}

} // namespace

// ---------------------------------------------------------------- sample bytes

SampleBytes::SampleBytes(std::size_t size)
    : bytes(static_cast<std::uint8_t*>(std::calloc(size, 1))), count(bytes ? size : 0) {}

SampleBytes::~SampleBytes() {
    std::free(bytes);
}

SampleBytes::SampleBytes(SampleBytes&& other) noexcept
    : bytes(std::exchange(other.bytes, nullptr)), count(std::exchange(other.count, 0)) {}

SampleBytes& SampleBytes::operator=(SampleBytes&& other) noexcept {
    if (this != &other) {
        std::free(bytes);
        bytes = std::exchange(other.bytes, nullptr);
        count = std::exchange(other.count, 0);
    }
    return *this;
}

void CopyChangedSpans(std::uint8_t* to, const std::uint8_t* from, std::size_t bytes) {
    constexpr std::size_t kSpan = 4096;
    for (std::size_t at = 0; at < bytes; at += kSpan) {
        const std::size_t n = std::min(kSpan, bytes - at);
        if (std::memcmp(to + at, from + at, n) != 0) {
            std::memcpy(to + at, from + at, n);
        }
    }
}

// ---------------------------------------------------------------- Voice

Voice::Voice(Mixer& owner, PcmFormat fmt, std::uint32_t bytes)
    : data(bytes), format(fmt), mixer(owner), sourceRate(fmt.rate) {
    if (fmt.bits == 8 && data.data()) {
        std::memset(data.data(), 0x80, data.size()); // unsigned samples: silence is mid-scale
    }
}

Voice::~Voice() {
    if (stream) {
        SDL_FreeAudioStream(stream);
    }
}

bool Voice::RebuildStream() {
    SDL_AudioStream* fresh = SDL_NewAudioStream(
        SdlFormatOf(format), static_cast<Uint8>(format.channels), static_cast<int>(sourceRate),
        AUDIO_F32SYS, static_cast<Uint8>(mixer.Channels()), static_cast<int>(mixer.Rate()));
    if (!fresh) {
        return false;
    }
    // Keep the position the listener heard, not the one fed ahead.
    const std::uint32_t heard = stream ? Position() / format.BlockAlign() : cursor;
    if (stream) {
        SDL_FreeAudioStream(stream);
    }
    stream = fresh;
    Rebase(heard);
    return true;
}

std::uint32_t Voice::Frames() const {
    return static_cast<std::uint32_t>(data.size()) / format.BlockAlign();
}

void Voice::Rebase(std::uint32_t frame) {
    cursor = frame;
    baseFrame = frame;
    outFrames = 0;
    flushed = false;
    if (stream) {
        SDL_AudioStreamClear(stream);
    }
}

std::uint32_t Voice::Position() const {
    const std::uint32_t frames = Frames();
    if (frames == 0 || mixer.Rate() == 0) {
        return 0;
    }
    // Counted from what was taken out of the stream, so the resampler's own
    // look-ahead does not show up as progress.
    const std::uint64_t heard = baseFrame + outFrames * sourceRate / mixer.Rate();
    const std::uint64_t frame =
        looping ? heard % frames : std::min<std::uint64_t>(heard, frames - 1);
    return static_cast<std::uint32_t>(frame) * format.BlockAlign();
}

void Voice::SetPosition(std::uint32_t byteOffset) {
    const std::uint32_t frames = Frames();
    Rebase(frames ? std::min(byteOffset / format.BlockAlign(), frames - 1) : 0);
}

bool Voice::Play(bool loop) {
    if (!stream && !RebuildStream()) {
        return false;
    }
    if (!playing) {
        Rebase(Position() / format.BlockAlign());
    } else if (flushed && loop) {
        // A one-shot already past its end becomes a loop: let it go on.
        flushed = false;
    }
    looping = loop;
    playing = true;
    return true;
}

void Voice::Stop() {
    if (!playing) {
        return;
    }
    const std::uint32_t heard = Position() / format.BlockAlign();
    playing = false;
    Rebase(heard);
}

void Voice::Feed() {
    const std::uint32_t frames = Frames();
    if (cursor >= frames) {
        if (looping && frames > 0) {
            cursor = 0;
        } else {
            SDL_AudioStreamFlush(stream);
            flushed = true;
            return;
        }
    }
    const std::uint32_t take = std::min(kFeedFrames, frames - cursor);
    const std::uint32_t align = format.BlockAlign();
    if (SDL_AudioStreamPut(stream, data.data() + static_cast<std::size_t>(cursor) * align,
                           static_cast<int>(take * align)) != 0) {
        SDL_AudioStreamFlush(stream);
        flushed = true;
        return;
    }
    cursor += take;
}

void Voice::MixInto(float* accum, float* scratch, std::uint32_t frames, std::uint32_t channels) {
    if (!playing || !stream) {
        return;
    }
    const int wanted = static_cast<int>(frames * channels * sizeof(float));
    while (!flushed && SDL_AudioStreamAvailable(stream) < wanted) {
        Feed();
    }
    const int got = std::max(SDL_AudioStreamGet(stream, scratch, wanted), 0);
    const std::uint32_t samples = static_cast<std::uint32_t>(got) / sizeof(float);
    outFrames += samples / channels;
    for (std::uint32_t i = 0; i < samples; ++i) {
        accum[i] += scratch[i];
    }
    if (flushed && SDL_AudioStreamAvailable(stream) == 0) {
        // A one-shot played to its end: it stops, and plays from the start
        // next time.
        playing = false;
        Rebase(0);
    }
}

// ---------------------------------------------------------------- Mixer

// The backend has one output; one mixer at a time feeds it.
namespace {
std::atomic<bool> outputTaken{false};
} // namespace

bool Mixer::OutputTaken() {
    return outputTaken.load();
}

std::shared_ptr<Mixer> Mixer::Open() {
    if (outputTaken.exchange(true)) {
        return nullptr;
    }
    std::shared_ptr<Mixer> mixer(new Mixer());
    mixer->ownsOutput = true;
    mixer->accum.resize(kChunkFrames * kMaxChannels);
    mixer->scratch.resize(kChunkFrames * kMaxChannels);
    if (!mixer->SetOutputFormat(kDefaultRate, kDefaultChannels)) {
        return nullptr;
    }
    return mixer;
}

Mixer::~Mixer() {
    Close();
}

void Mixer::CloseOutput() {
    if (open) {
        CurrentBackend().CloseAudio();
        open = false;
    }
}

void Mixer::Close() {
    CloseOutput();
    if (ownsOutput) {
        ownsOutput = false;
        outputTaken.store(false);
    }
}

bool Mixer::SetOutputFormat(std::uint32_t newRate, std::uint32_t newChannels) {
    if (newChannels == 0 || newChannels > kMaxChannels || newRate == 0) {
        return false;
    }
    if (open && newRate == rate && newChannels == channels) {
        return true;
    }
    const bool wasOpen = open;
    const std::uint32_t oldRate = rate;
    const std::uint32_t oldChannels = channels;
    CloseOutput();
    auto apply = [this](std::uint32_t r, std::uint32_t c) {
        std::lock_guard<std::mutex> hold(mutex);
        rate = r;
        channels = c;
        for (Voice* voice : voices) {
            voice->RebuildStream();
        }
        for (MixContributor* contributor : contributors) {
            contributor->OutputRateChanged(r);
        }
    };
    apply(newRate, newChannels);
    if (CurrentBackend().OpenAudio(newRate, newChannels, this)) {
        open = true;
        return true;
    }
    if (wasOpen) {
        apply(oldRate, oldChannels);
        open = CurrentBackend().OpenAudio(oldRate, oldChannels, this);
    }
    return false;
}

void Mixer::AddVoice(Voice* voice) {
    std::lock_guard<std::mutex> hold(mutex);
    voices.push_back(voice);
}

void Mixer::RemoveVoice(Voice* voice) {
    std::lock_guard<std::mutex> hold(mutex);
    voices.erase(std::remove(voices.begin(), voices.end(), voice), voices.end());
}

void Mixer::AddContributor(MixContributor* contributor) {
    std::lock_guard<std::mutex> hold(mutex);
    if (std::find(contributors.begin(), contributors.end(), contributor) == contributors.end()) {
        contributor->OutputRateChanged(rate);
        contributors.push_back(contributor);
    }
}

void Mixer::RemoveContributor(MixContributor* contributor) {
    std::lock_guard<std::mutex> hold(mutex);
    contributors.erase(std::remove(contributors.begin(), contributors.end(), contributor),
                       contributors.end());
}

// Where the frames of one pull are heard: the last at `end`, the reference
// time of the pull, each one before it a frame's length earlier.
struct Mixer::PullTimes {
    std::int64_t end;
    std::uint32_t frames;
    std::uint32_t rate;

    std::int64_t TimeOf(std::uint32_t frame) const {
        return end -
               static_cast<std::int64_t>(frames - 1 - frame) * kReferenceUnitsPerSecond / rate;
    }
    // The first frame heard at or after `time`; `frames` when none is.
    std::uint32_t FirstFrameFrom(std::int64_t time) const {
        if (time > end) {
            return frames;
        }
        if (time <= TimeOf(0)) {
            return 0;
        }
        // The most frames before the last that are still heard at or after it.
        const std::int64_t back = ((end - time + 1) * rate - 1) / kReferenceUnitsPerSecond;
        return frames - 1 - static_cast<std::uint32_t>(back);
    }
};

void Mixer::Mix(std::int16_t* out, std::uint32_t frames) {
    std::lock_guard<std::mutex> hold(mutex);
    if (channels == 0 || rate == 0 || frames == 0) {
        return; // never opened, so nothing pulls
    }
    const PullTimes times{ReferenceNow(), frames, rate};
    for (std::uint32_t done = 0; done < frames;) {
        const std::uint32_t count = std::min(kChunkFrames, frames - done);
        MixChunk(out + static_cast<std::size_t>(done) * channels, done, count, times);
        done += count;
    }
}

void Mixer::MixChunk(std::int16_t* out, std::uint32_t first, std::uint32_t frames,
                     const PullTimes& times) {
    const std::uint32_t samples = frames * channels;
    std::fill(accum.begin(), accum.begin() + samples, 0.0f);
    // The sequencers send what is due before the frame it is due at, so the
    // render is split there and every note starts on its own frame.
    for (std::uint32_t at = 0; at < frames;) {
        std::int64_t next = MixContributor::kNothingDue;
        for (MixContributor* contributor : contributors) {
            next = std::min(next, contributor->Advance(times.TimeOf(first + at)));
        }
        const std::uint32_t until =
            std::clamp(times.FirstFrameFrom(next), first + at + 1, first + frames) - first;
        RenderSpan(accum.data() + static_cast<std::size_t>(at) * channels, until - at);
        at = until;
    }
    for (std::uint32_t i = 0; i < samples; ++i) {
        const float scaled = std::clamp(accum[i] * 32768.0f, -32768.0f, 32767.0f);
        out[i] = static_cast<std::int16_t>(scaled);
    }
}

void Mixer::RenderSpan(float* into, std::uint32_t frames) {
    for (Voice* voice : voices) {
        voice->MixInto(into, scratch.data(), frames, channels);
    }
    for (MixContributor* contributor : contributors) {
        contributor->Render(into, frames, channels);
    }
}

} // namespace platform::audio
