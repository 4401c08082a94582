// What stands behind a DirectMusic port: the built-in FluidSynth synthesizer,
// which renders into the mixer, or a port of the machine's ALSA sequencer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/mixer.h"
#include "winapi/dmusic.h"

namespace platform::audio {

// An instrument a port can be asked to hold: the General MIDI bank (128 for
// the drum kits) and program.
struct InstrumentKey {
    std::uint16_t bank = 0;
    std::uint8_t program = 0;
    bool operator==(const InstrumentKey&) const = default;
    bool operator<(const InstrumentKey& o) const {
        return bank != o.bank ? bank < o.bank : program < o.program;
    }
};

inline constexpr std::uint16_t kDrumBank = 128;
inline constexpr std::uint8_t kDrumChannel = 9;

class MusicPortDriver {
public:
    virtual ~MusicPortDriver() = default;
    // Starts or stops the port's output; false when it cannot.
    virtual bool Activate(bool active) = 0;
    // A channel message on channel group `group` (1-based).
    virtual void ShortMessage(std::uint32_t group, std::uint8_t status, std::uint8_t data1,
                              std::uint8_t data2) = 0;
    // A complete system-exclusive message, F0 ... F7.
    virtual void SystemExclusive(std::uint32_t group, const std::uint8_t* data,
                                 std::size_t length) = 0;
    // Silences every sounding note at once.
    virtual void AllNotesOff() = 0;
    virtual DWORD Effects() const { return DMUS_EFFECT_NONE; }
    virtual bool SetEffects(DWORD effects) { return effects == DMUS_EFFECT_NONE; }
    // Ports that take downloadable instruments play a note only with its
    // instrument downloaded. Download answers S_OK, or
    // DMUS_S_PARTIALDOWNLOAD when the SoundFont lacks some of them.
    virtual HRESULT Download(const std::vector<InstrumentKey>& keys) {
        return (void)keys, DMUS_E_TYPE_UNSUPPORTED;
    }
    virtual void Unload(const std::vector<InstrumentKey>& keys) { (void)keys; }
};

struct PortEntry {
    DMUS_PORTCAPS caps{};
    int sequencerClient = -1; // -1: the built-in synthesizer
    int sequencerPort = -1;
};

// The machine's MIDI sequencer, whose ports become the external DirectMusic
// ports: ALSA's, unless a test has put another in its place.
class Sequencer {
public:
    virtual ~Sequencer() = default;
    // Adds its output ports, then its input ports.
    virtual void AppendPorts(std::vector<PortEntry>& ports) = 0;
    // Opens one of its output ports; null when it cannot.
    virtual std::unique_ptr<MusicPortDriver> OpenPort(int client, int port) = 0;
};
Sequencer& CurrentSequencer();
// Puts `sequencer` in the place of ALSA's (null: ALSA's again).
void ReplaceSequencer(Sequencer* sequencer);

// The ports of this machine: the synthesizer first, then the sequencer's
// output ports, then its input ports.
std::vector<PortEntry> ListMusicPorts();
const GUID& SynthesizerPortGuid();

// Where the synthesizer looks for its General MIDI SoundFont, first found
// first used: Debian's standard places unless replaced (tests replace them to
// see a machine without one).
std::vector<std::string>& SoundFontPlaces();

// Opens the port; null when it cannot be opened.
std::unique_ptr<MusicPortDriver> OpenSynthesizerPort(std::shared_ptr<Mixer> mixer,
                                                     DWORD channelGroups, DWORD effects);

} // namespace platform::audio
