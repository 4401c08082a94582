// The Standard MIDI File reader behind the DirectMusic loader: a format 0 or
// format 1 file (bare, or wrapped in a RIFF "RMID" file) becomes a list of
// timed MIDI events in music time, with its tempo changes and its length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::audio {

// DirectMusic's music time: 768 ticks to a quarter note.
inline constexpr std::int32_t kTicksPerQuarter = 768;
inline constexpr double kDefaultBeatsPerMinute = 120.0;

struct MidiEvent {
    std::int32_t time = 0;   // music time from the start of the song
    std::uint8_t status = 0; // 0x80..0xEF, or 0xF0 for system exclusive
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    std::uint32_t sysexOffset = 0; // system exclusive bytes in MidiSong::sysex
    std::uint32_t sysexLength = 0;
};

struct TempoChange {
    std::int32_t time = 0;
    double beatsPerMinute = kDefaultBeatsPerMinute;
};

struct MidiSong {
    std::vector<MidiEvent> events;   // in time order; equal times keep file order
    std::vector<TempoChange> tempos; // in time order
    std::vector<std::uint8_t> sysex; // complete messages, F0 ... F7
    std::int32_t length = 0;         // music time of the last track end
};

// Reads `size` bytes of a MIDI file into `song`. On bad input returns false
// and says why in `error`; never reads outside the given bytes.
bool ParseMidiFile(const std::uint8_t* data, std::size_t size, MidiSong& song, std::string& error);

} // namespace platform::audio
