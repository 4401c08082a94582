// libFuzzer target for the Standard MIDI File reader: any bytes must give
// either a song whose events are in order and inside its length, or a
// refusal with a reason; never a crash, a hang or a read out of bounds.
#include <cstdint>
#include <cstdlib>

#include "audio/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::audio::MidiSong song;
    std::string error;
    if (!platform::audio::ParseMidiFile(data, size, song, error)) {
        if (error.empty()) {
            std::abort();
        }
        return 0;
    }
    std::int32_t last = 0;
    for (const auto& event : song.events) {
        if (event.time < last || event.time > song.length ||
            (event.status == 0xF0 &&
             std::uint64_t{event.sysexOffset} + event.sysexLength > song.sysex.size())) {
            std::abort();
        }
        last = event.time;
    }
    return 0;
}
