// What a synthesizer port keeps of its instruments: the bank and program each
// channel has chosen, and the instruments downloaded to it, counted, so that
// each unload takes back one download. Both synthesizer ports (FluidSynth
// here, js-synthesizer in a browser) play a note only when the instrument
// its channel has chosen was downloaded. Not locked: the port holds its own
// lock around it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "audio/music_port.h"

namespace platform::audio {

// The General MIDI "system on" message, which sends every channel back to
// the first program of the first bank.
inline bool IsGmSystemOn(const std::uint8_t* data, std::size_t length) {
    static constexpr std::uint8_t kGmSystemOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    return length == sizeof kGmSystemOn && std::equal(data, data + length, kGmSystemOn);
}

class PortInstruments {
public:
    void Download(const std::vector<InstrumentKey>& keys) {
        for (const InstrumentKey& key : keys) {
            ++downloads[key];
        }
    }
    void Unload(const std::vector<InstrumentKey>& keys) {
        for (const InstrumentKey& key : keys) {
            auto it = downloads.find(key);
            if (it != downloads.end() && --it->second == 0) {
                downloads.erase(it);
            }
        }
    }

    // Follows bank select (controller 0) and program change on `channel`
    // (0 to 255: channel group and channel).
    void Follow(int channel, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
        const auto index = static_cast<std::size_t>(channel);
        if ((status & 0xF0u) == 0xB0 && data1 == 0) {
            banks[index] = data2;
        } else if ((status & 0xF0u) == 0xC0) {
            programs[index] = data1;
        }
    }
    // Every channel back to bank 0, program 0.
    void ResetChoices() {
        programs.fill(0);
        banks.fill(0);
    }

    // Whether the instrument `channel` has chosen was downloaded; on the
    // drum channel of each group that is the drum kit of its program.
    bool Downloaded(int channel) const {
        const auto index = static_cast<std::size_t>(channel);
        const InstrumentKey key{(channel % 16) == kDrumChannel ? kDrumBank : banks[index],
                                programs[index]};
        return downloads.count(key) > 0;
    }

private:
    std::array<std::uint16_t, 16 * 16> banks{};
    std::array<std::uint8_t, 16 * 16> programs{};
    std::map<InstrumentKey, int> downloads;
};

} // namespace platform::audio
