// The Standard MIDI File reader: timing in music time, running status, tempo
// maps, track merging, and a clear refusal of every kind of broken file.
#include <gtest/gtest.h>

#include "audio/midi_file.h"
#include "audio_kit.h"

using platform::audio::MidiSong;

namespace {

bool Parse(const Bytes& bytes, MidiSong& song, std::string& error) {
    return platform::audio::ParseMidiFile(bytes.data(), bytes.size(), song, error);
}
// A track of these bytes as they stand, with no end-of-track event.
MidiTrack Raw(std::initializer_list<std::uint8_t> bytes) {
    MidiTrack track;
    track.bytes = bytes;
    return track;
}

TEST(MidiFileReader, TracksMergeInMusicTimeWithRunningStatusTempoChangesAndSystemExclusive) {
    MidiTrack conductor;
    conductor.Tempo(0, 500000).Tempo(480, 250000).End(480);
    MidiTrack notes; // at 480 ticks a beat, as music time's 768
    notes.Event(0, {0x91, 60, 90}).Event(240, {62, 90}).Event(240, {0x81, 60, 0});
    notes.Event(0, {0x91, 64, 90}).Event(480, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}).End();
    MidiSong song;
    std::string error;
    ASSERT_TRUE(Parse(MidiFile(1, 480, {conductor, notes}), song, error)) << error;
    ASSERT_EQ(song.tempos.size(), 2u);
    EXPECT_DOUBLE_EQ(song.tempos[0].beatsPerMinute, 120.0);
    EXPECT_EQ(song.tempos[1].time, 768);
    EXPECT_DOUBLE_EQ(song.tempos[1].beatsPerMinute, 240.0);
    ASSERT_EQ(song.events.size(), 5u);
    EXPECT_EQ(song.events[1].time, 384);
    EXPECT_EQ(song.events[1].status, 0x91) << "running status";
    EXPECT_EQ(song.events[1].data1, 62);
    EXPECT_EQ(song.events[2].status, 0x81) << "the note-off before the next note-on";
    EXPECT_EQ(song.events[3].status, 0x91);
    const auto& sysex = song.events[4];
    EXPECT_EQ(sysex.time, 1536);
    ASSERT_EQ(sysex.sysexLength, 6u);
    EXPECT_EQ(song.sysex[sysex.sysexOffset], 0xF0);
    EXPECT_EQ(song.sysex[sysex.sysexOffset + 5], 0xF7);
    EXPECT_EQ(song.length, 1536) << "the song ends where its last track ends";
}

TEST(MidiFileReader, BrokenFilesAreRefusedWithAReason) {
    const Bytes good = OneNoteSong(480);
    auto patched = [&](std::size_t at, std::uint8_t value) {
        Bytes bytes = good;
        bytes[at] = value;
        return bytes;
    };
    auto oneTrack = [](std::initializer_list<std::uint8_t> bytes) {
        return MidiFile(0, 96, {Raw(bytes).End()});
    };
    Bytes missingTrack = oneTrack({0x00, 0x90, 60, 100});
    missingTrack[9] = 1;
    missingTrack[11] = 3; // three tracks announced, one present
    MidiTrack years;
    for (int i = 0; i < 400; ++i) {
        years.Event(0x0FFFFFFF, {0x90, 60, 1});
    }
    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"not a MIDI file", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'}},
        {"header cut short", Bytes(good.begin(), good.begin() + 10)},
        {"track cut short", Bytes(good.begin(), good.end() - 5)},
        {"chunk size past the end", patched(21, 0x7F)},
        {"format 2", patched(9, 2)},
        {"zero division", MidiFile(0, 0, {MidiTrack().End()})},
        {"data byte without status", oneTrack({0x00, 60, 100})},
        {"five-byte delta", oneTrack({0x80, 0x80, 0x80, 0x80, 0x01, 0x90, 60, 100})},
        {"meta longer than its track", MidiFile(0, 96, {Raw({0, 0xFF, 1, 0x7F, 'a'})})},
        {"missing tracks", missingTrack},
        {"zero tempo", oneTrack({0x00, 0xFF, 0x51, 0x03, 0, 0, 0})},
        {"song of years", MidiFile(0, 1, {years})},
    };
    for (const auto& [what, bytes] : cases) {
        MidiSong song;
        std::string error;
        EXPECT_FALSE(Parse(bytes, song, error)) << what;
        EXPECT_FALSE(error.empty()) << what;
        EXPECT_TRUE(song.events.empty()) << what;
    }
}

} // namespace
