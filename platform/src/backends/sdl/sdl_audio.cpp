// The sound device: SDL pulls the program's mixer from its own thread.
#include "backends/sdl/sdl_backend.h"

#include <algorithm>
#include <cstdio>

namespace platform::sdl {

namespace {

// About 23 ms of sound at 44.1 kHz: short enough for the shot to follow the
// key, long enough not to stutter on a busy machine.
constexpr Uint16 kAudioBufferFrames = 1024;

} // namespace

void SDLCALL SdlBackend::FeedAudio(void* opaque, Uint8* stream, int length) {
    auto* backend = static_cast<SdlBackend*>(opaque);
    AudioSource* source = backend->audioSource.load();
    const auto frames = static_cast<std::uint32_t>(length) /
                        (2u * std::max<std::uint32_t>(backend->audioChannels, 1));
    if (!source) {
        SDL_memset(stream, 0, static_cast<std::size_t>(length));
        return;
    }
    // SDL hands over a byte buffer that it allocated for S16 samples.
    source->Mix(reinterpret_cast<std::int16_t*>(stream), frames);
}

bool SdlBackend::OpenAudio(std::uint32_t sampleRate, std::uint32_t channels, AudioSource* source) {
    if (!source || sampleRate == 0 || sampleRate > 384000 || channels == 0 || channels > 8) {
        return false;
    }
    CloseAudio();
    std::lock_guard<std::mutex> hold(audioLock);
    if (!audioStarted) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            std::fprintf(stderr, "quorvane: no sound device: %s\n", SDL_GetError());
            return false;
        }
        audioStarted = true;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(sampleRate);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(channels);
    wanted.samples = kAudioBufferFrames;
    wanted.callback = &SdlBackend::FeedAudio;
    wanted.userdata = this;
    audioChannels = channels;
    audioSource.store(source);
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device takes.
    audioDevice = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (audioDevice == 0) {
        std::fprintf(stderr, "quorvane: cannot open the sound device at %u Hz, %u channels: %s\n",
                     sampleRate, channels, SDL_GetError());
        audioSource.store(nullptr);
        return false;
    }
    SDL_PauseAudioDevice(audioDevice, 0);
    return true;
}

void SdlBackend::CloseAudio() {
    std::lock_guard<std::mutex> hold(audioLock);
    if (audioDevice != 0) {
        // Returns once the callback has finished its last pull.
        SDL_CloseAudioDevice(audioDevice);
        audioDevice = 0;
    }
    audioSource.store(nullptr);
}

} // namespace platform::sdl
