// Builds Standard MIDI Files byte by byte for the tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class MidiTrack {
public:
    MidiTrack& Delta(std::uint32_t ticks) {
        std::uint8_t groups[5];
        int n = 0;
        do {
            groups[n++] = static_cast<std::uint8_t>(ticks & 0x7F);
            ticks >>= 7;
        } while (ticks);
        while (n > 0) {
            --n;
            bytes.push_back(static_cast<std::uint8_t>(groups[n] | (n ? 0x80 : 0)));
        }
        return *this;
    }
    MidiTrack& Raw(std::initializer_list<std::uint8_t> data) {
        bytes.insert(bytes.end(), data);
        return *this;
    }
    MidiTrack& Event(std::uint32_t delta, std::initializer_list<std::uint8_t> data) {
        return Delta(delta).Raw(data);
    }
    MidiTrack& Tempo(std::uint32_t delta, std::uint32_t microsecondsPerBeat) {
        return Delta(delta).Raw({0xFF, 0x51, 0x03,
                                 static_cast<std::uint8_t>(microsecondsPerBeat >> 16),
                                 static_cast<std::uint8_t>(microsecondsPerBeat >> 8),
                                 static_cast<std::uint8_t>(microsecondsPerBeat)});
    }
    MidiTrack& End(std::uint32_t delta = 0) { return Delta(delta).Raw({0xFF, 0x2F, 0x00}); }

    std::vector<std::uint8_t> bytes;
};

inline void PutBig(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

inline std::vector<std::uint8_t> MidiFile(int format, std::uint16_t division,
                                          const std::vector<MidiTrack>& tracks) {
    std::vector<std::uint8_t> out = {'M', 'T', 'h', 'd'};
    PutBig(out, 6, 4);
    PutBig(out, static_cast<std::uint32_t>(format), 2);
    PutBig(out, static_cast<std::uint32_t>(tracks.size()), 2);
    PutBig(out, division, 2);
    for (const MidiTrack& track : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        PutBig(out, static_cast<std::uint32_t>(track.bytes.size()), 4);
        out.insert(out.end(), track.bytes.begin(), track.bytes.end());
    }
    return out;
}

// One held note: program `program` on channel 0, note 69 (A4) at full
// velocity from tick 0 for `ticks` ticks, at 480 ticks a beat (120 bpm).
inline std::vector<std::uint8_t> OneNoteSong(std::uint32_t ticks, std::uint8_t program = 0) {
    MidiTrack track;
    track.Event(0, {0xC0, program}).Event(0, {0x90, 69, 127}).Event(ticks, {0x80, 69, 0}).End();
    return MidiFile(0, 480, {track});
}
