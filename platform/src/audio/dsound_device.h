// Internal view of a DirectSound device, for DirectMusic: the mixer its
// synthesizers render into.
#pragma once

#include <memory>

#include "audio/mixer.h"
#include "winapi/dsound.h"

namespace platform::audio {

// The mixer of a device made by DirectSoundCreate; null for anything else.
std::shared_ptr<Mixer> MixerOfDevice(IDirectSound* device);

} // namespace platform::audio
