// SoundEngine: the DirectSound part of the application. It owns the sound
// device, fixes the primary buffer's format and reads RIFF WAVE files into
// five sound slots (0 the background tune, 1 the shot sound).
#pragma once

#include <optional>

#include "app/window_base.h"

using SoundSlot = IDirectSoundBuffer*;

inline constexpr int SOUND_SLOT_COUNT = 5;
inline constexpr int BGM_SLOT = 0;
inline constexpr int SHOT_SLOT = 1;

// A RIFF chunk header as it stands in the file.
struct WaveChunkHeader {
    char id[4];
    DWORD size;
};

class SoundEngine : public virtual WindowBase {
public:
    SoundEngine() = default;
    ~SoundEngine() override = default;

    int InitSound();
    void ReleaseSound();

    // Reads a PCM WAV file into a new buffer in `slot`; 1 on success.
    int LoadWave(SoundSlot& slot, LPCSTR fileName);
    // Finds the chunk `id` between offset 12 and `end`, leaving the file at
    // its data.
    std::optional<WaveChunkHeader> FindChunk(HANDLE file, const char* id, DWORD end);

    // Replaces the slot's buffer with the file's sound; the result of LoadWave.
    int LoadSlot(SoundSlot& slot, LPCSTR fileName);
    // Plays the slot from its first sample, looping or once; empty slots do nothing.
    void PlaySlot(SoundSlot& slot, int loop);
    // Stops the slot where it is.
    void StopSlot(SoundSlot& slot);

    IDirectSound* device = nullptr;
    IDirectSoundBuffer* primary = nullptr;
    SoundSlot slots[SOUND_SLOT_COUNT] = {};

private:
    int FailWave(HANDLE file, LPCSTR message);
    WaveChunkHeader chunk{};
};
