// The DirectMusic ports of this machine: the built-in synthesizer, then
// whatever MIDI ports the machine's sequencer has.
#include "audio/music_port.h"

namespace platform::audio {

const GUID& SynthesizerPortGuid() {
    static constexpr GUID guid = {
        0x51A7F1D0, 0x9C3E, 0x4B7A, {0x8E, 0x21, 0x46, 0x6C, 0x75, 0x69, 0x64, 0x53}};
    return guid;
}

std::vector<PortEntry> ListMusicPorts() {
    std::vector<PortEntry> ports;
    PortEntry synth;
    synth.caps.dwSize = sizeof(DMUS_PORTCAPS);
    synth.caps.dwFlags =
        DMUS_PC_DLS | DMUS_PC_SOFTWARESYNTH | DMUS_PC_DIRECTSOUND | DMUS_PC_GMINHARDWARE;
    synth.caps.guidPort = SynthesizerPortGuid();
    synth.caps.dwClass = DMUS_PC_OUTPUTCLASS;
    synth.caps.dwType = DMUS_PORT_USER_MODE_SYNTH;
    synth.caps.dwMemorySize = DMUS_PC_SYSTEMMEMORY;
    synth.caps.dwMaxChannelGroups = 16;
    synth.caps.dwMaxVoices = 256;
    synth.caps.dwMaxAudioChannels = 2;
    synth.caps.dwEffectFlags = DMUS_EFFECT_REVERB;
    const char* name = "FluidSynth Software Synthesizer";
    for (int i = 0; name[i] && i < DMUS_MAX_DESCRIPTION - 1; ++i) {
        synth.caps.wszDescription[i] = static_cast<WCHAR>(name[i]);
    }
    ports.push_back(synth);
    CurrentSequencer().AppendPorts(ports);
    return ports;
}

} // namespace platform::audio
