#include "audio/midi_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace platform::audio {
namespace {

// Songs longer than this (about 23 hours at 120 beats a minute) are refused,
// so that music time, which is 32-bit, cannot overflow while one repeats.
constexpr std::int64_t kMaxMusicTime = std::numeric_limits<std::int32_t>::max() / 4;

class Reader {
public:
    Reader(const std::uint8_t* begin, std::size_t size) : at(begin), end(begin + size) {}

    std::size_t Left() const { return static_cast<std::size_t>(end - at); }
    bool Byte(std::uint8_t& out) {
        if (at == end) {
            return false;
        }
        out = *at++;
        return true;
    }
    bool Peek(std::uint8_t& out) const {
        if (at == end) {
            return false;
        }
        out = *at;
        return true;
    }
    bool BigEndian(std::uint32_t& out, int bytes) {
        if (Left() < static_cast<std::size_t>(bytes)) {
            return false;
        }
        out = 0;
        for (int i = 0; i < bytes; ++i) {
            out = (out << 8) | *at++;
        }
        return true;
    }
    // A variable-length quantity: at most four bytes, seven bits each.
    bool Variable(std::uint32_t& out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b = 0;
            if (!Byte(b)) {
                return false;
            }
            out = (out << 7) | (b & 0x7Fu);
            if (!(b & 0x80u)) {
                return true;
            }
        }
        return false;
    }
    bool Take(std::size_t n, const std::uint8_t*& out) {
        if (Left() < n) {
            return false;
        }
        out = at;
        at += n;
        return true;
    }
    bool Tag(char (&tag)[5]) {
        const std::uint8_t* bytes = nullptr;
        if (!Take(4, bytes)) {
            return false;
        }
        std::memcpy(tag, bytes, 4);
        tag[4] = '\0';
        return true;
    }

private:
    const std::uint8_t* at;
    const std::uint8_t* end;
};

struct Timing {
    bool smpte = false;
    std::int64_t ticksPerQuarter = 0; // metrical time
    std::int64_t ticksPerSecond = 0;  // SMPTE time

    std::int64_t ToMusicTime(std::int64_t ticks) const {
        if (smpte) {
            // Absolute time, laid out at the default tempo of two beats a second.
            return ticks * kTicksPerQuarter * 2 / ticksPerSecond;
        }
        return ticks * kTicksPerQuarter / ticksPerQuarter;
    }
};

struct PendingEvent {
    MidiEvent event;
    std::uint32_t track;
    std::uint32_t order;
};

bool Fail(std::string& error, const char* why) {
    error = why;
    return false;
}

bool ReadTrack(Reader track, std::uint32_t trackIndex, const Timing& timing, MidiSong& song,
               std::vector<PendingEvent>& pending, std::int64_t& trackEnd, std::string& error) {
    std::int64_t ticks = 0;
    std::uint8_t running = 0;
    std::uint32_t order = 0;
    while (track.Left() > 0) {
        std::uint32_t delta = 0;
        if (!track.Variable(delta)) {
            return Fail(error, "MIDI track: bad or truncated delta time");
        }
        ticks += delta;
        const std::int64_t time = timing.ToMusicTime(ticks);
        if (time > kMaxMusicTime) {
            return Fail(error, "MIDI track: song too long");
        }
        trackEnd = std::max(trackEnd, time);
        std::uint8_t status = 0;
        if (!track.Peek(status)) {
            return Fail(error, "MIDI track: event missing after its delta time");
        }
        if (status & 0x80u) {
            track.Byte(status);
        } else if (running) {
            status = running;
        } else {
            return Fail(error, "MIDI track: data byte without a status (no running status)");
        }

        if (status == 0xFF) {
            running = 0;
            std::uint8_t type = 0;
            std::uint32_t length = 0;
            const std::uint8_t* body = nullptr;
            if (!track.Byte(type) || !track.Variable(length) || !track.Take(length, body)) {
                return Fail(error, "MIDI track: truncated meta event");
            }
            if (type == 0x2F) {
                return true; // end of track; anything after it is ignored
            }
            if (type == 0x51 && length == 3 && !timing.smpte) {
                const std::uint32_t microseconds = (static_cast<std::uint32_t>(body[0]) << 16) |
                                                   (static_cast<std::uint32_t>(body[1]) << 8) |
                                                   body[2];
                if (microseconds == 0) {
                    return Fail(error, "MIDI track: tempo of zero microseconds a beat");
                }
                song.tempos.push_back(
                    {static_cast<std::int32_t>(time), 60'000'000.0 / microseconds});
            }
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            running = 0;
            std::uint32_t length = 0;
            const std::uint8_t* body = nullptr;
            if (!track.Variable(length) || !track.Take(length, body)) {
                return Fail(error, "MIDI track: truncated system exclusive event");
            }
            MidiEvent event;
            event.time = static_cast<std::int32_t>(time);
            event.status = 0xF0;
            event.sysexOffset = static_cast<std::uint32_t>(song.sysex.size());
            if (status == 0xF0) {
                song.sysex.push_back(0xF0); // F7 "escapes" carry their bytes as they are
            }
            song.sysex.insert(song.sysex.end(), body, body + length);
            event.sysexLength = static_cast<std::uint32_t>(song.sysex.size()) - event.sysexOffset;
            if (event.sysexLength > 0) {
                pending.push_back({event, trackIndex, order++});
            }
            continue;
        }
        if (status >= 0xF1) {
            return Fail(error, "MIDI track: system message that a file cannot hold");
        }
        running = status;
        const bool oneDataByte = (status & 0xF0u) == 0xC0u || (status & 0xF0u) == 0xD0u;
        MidiEvent event;
        event.time = static_cast<std::int32_t>(time);
        event.status = status;
        if (!track.Byte(event.data1) || (!oneDataByte && !track.Byte(event.data2))) {
            return Fail(error, "MIDI track: truncated channel message");
        }
        if ((event.data1 | event.data2) & 0x80u) {
            return Fail(error, "MIDI track: status byte where a data byte belongs");
        }
        pending.push_back({event, trackIndex, order++});
    }
    return true; // a track without its end-of-track event ends with its chunk
}

bool UnwrapRmid(const std::uint8_t*& data, std::size_t& size, std::string& error) {
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "RMID", 4) != 0) {
        return true; // not wrapped
    }
    Reader riff(data + 12, size - 12);
    while (riff.Left() >= 8) {
        char tag[5];
        riff.Tag(tag);
        const std::uint8_t* sizeBytes = nullptr;
        riff.Take(4, sizeBytes);
        const std::uint32_t chunkSize = sizeBytes[0] | (sizeBytes[1] << 8) | (sizeBytes[2] << 16) |
                                        (static_cast<std::uint32_t>(sizeBytes[3]) << 24);
        const std::uint8_t* body = nullptr;
        if (!riff.Take(chunkSize, body)) {
            return Fail(error, "RMID file: chunk runs past the end of the file");
        }
        if (std::strcmp(tag, "data") == 0) {
            data = body;
            size = chunkSize;
            return true;
        }
        if ((chunkSize & 1u) && riff.Left() > 0) {
            const std::uint8_t* pad = nullptr;
            riff.Take(1, pad);
        }
    }
    return Fail(error, "RMID file: no data chunk");
}

} // namespace

bool ParseMidiFile(const std::uint8_t* data, std::size_t size, MidiSong& song, std::string& error) {
    song = MidiSong{};
    if (!data && size > 0) {
        return Fail(error, "no data");
    }
    if (!UnwrapRmid(data, size, error)) {
        return false;
    }
    Reader file(data, size);
    char tag[5];
    std::uint32_t headerLength = 0, format = 0, trackCount = 0, division = 0;
    if (!file.Tag(tag) || std::strcmp(tag, "MThd") != 0) {
        return Fail(error, "not a Standard MIDI File (no MThd header)");
    }
    if (!file.BigEndian(headerLength, 4) || headerLength < 6 || !file.BigEndian(format, 2) ||
        !file.BigEndian(trackCount, 2) || !file.BigEndian(division, 2)) {
        return Fail(error, "MIDI header truncated or too short");
    }
    const std::uint8_t* skipped = nullptr;
    if (!file.Take(headerLength - 6, skipped)) {
        return Fail(error, "MIDI header runs past the end of the file");
    }
    if (format > 1) {
        return Fail(error, "MIDI format 2 (independent sequences) is not supported");
    }
    if (trackCount == 0 || (format == 0 && trackCount != 1)) {
        return Fail(error, "MIDI header: bad track count");
    }
    Timing timing;
    if (division & 0x8000u) {
        const int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
        const int ticksPerFrame = static_cast<int>(division & 0xFFu);
        if ((framesPerSecond != 24 && framesPerSecond != 25 && framesPerSecond != 29 &&
             framesPerSecond != 30) ||
            ticksPerFrame == 0) {
            return Fail(error, "MIDI header: bad SMPTE division");
        }
        timing.smpte = true;
        timing.ticksPerSecond = static_cast<std::int64_t>(framesPerSecond) * ticksPerFrame;
    } else {
        if (division == 0) {
            return Fail(error, "MIDI header: zero ticks per quarter note");
        }
        timing.ticksPerQuarter = division;
    }

    std::vector<PendingEvent> pending;
    std::int64_t length = 0;
    std::uint32_t tracksRead = 0;
    while (tracksRead < trackCount) {
        std::uint32_t chunkLength = 0;
        const std::uint8_t* body = nullptr;
        if (!file.Tag(tag) || !file.BigEndian(chunkLength, 4)) {
            return Fail(error, "MIDI file ends before all its tracks");
        }
        if (!file.Take(chunkLength, body)) {
            return Fail(error, "MIDI chunk runs past the end of the file");
        }
        if (std::strcmp(tag, "MTrk") != 0) {
            continue; // chunks of other kinds are skipped
        }
        std::int64_t trackEnd = 0;
        if (!ReadTrack(Reader(body, chunkLength), tracksRead, timing, song, pending, trackEnd,
                       error)) {
            song = MidiSong{};
            return false;
        }
        length = std::max(length, trackEnd);
        ++tracksRead;
    }

    std::stable_sort(pending.begin(), pending.end(),
                     [](const PendingEvent& a, const PendingEvent& b) {
                         if (a.event.time != b.event.time) {
                             return a.event.time < b.event.time;
                         }
                         return a.track != b.track ? a.track < b.track : a.order < b.order;
                     });
    song.events.reserve(pending.size());
    for (const PendingEvent& p : pending) {
        song.events.push_back(p.event);
    }
    std::stable_sort(song.tempos.begin(), song.tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.time < b.time; });
    song.length = static_cast<std::int32_t>(length);
    return true;
}

} // namespace platform::audio
