// What tests and tools may ask of the DirectSound and DirectMusic layers
// beyond the calls a Windows program makes.
#pragma once

#include <cstdint>

#include "winapi/dmusic.h"
#include "winapi/dsound.h"

namespace platform {

struct SoundBufferState {
    bool playing = false;
    bool looping = false;
    std::uint32_t position = 0; // the byte being heard
};

// How a secondary buffer plays; all false and 0 for anything else.
SoundBufferState StateOf(IDirectSoundBuffer* buffer);

// How a loaded segment is set to play: the repeats after its first pass and
// the point its next play starts from; {0, 0} for anything else.
struct SegmentSettings {
    DWORD repeats = 0;
    MUSIC_TIME startPoint = 0;
};
SegmentSettings SettingsOf(IDirectMusicSegment* segment);

} // namespace platform
