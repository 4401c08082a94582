// The Standard MIDI File reader: timing in music time, running status, tempo
// maps, track merging, and a clear refusal of every kind of broken file.
#include <gtest/gtest.h>

#include "audio/midi_file.h"
#include "midi_builder.h"

using platform::audio::MidiSong;
using platform::audio::ParseMidiFile;

namespace {

bool Parse(const std::vector<std::uint8_t>& bytes, MidiSong& song, std::string& error) {
    return ParseMidiFile(bytes.data(), bytes.size(), song, error);
}
// A file that must be read.
MidiSong Read(const std::vector<std::uint8_t>& bytes) {
    MidiSong song;
    std::string error;
    EXPECT_TRUE(Parse(bytes, song, error)) << error;
    return song;
}

TEST(MidiFileReader, FormatZeroWithRunningStatusBecomesMusicTime) {
    MidiTrack track;
    // 96 ticks a beat; the second and third notes reuse the first status.
    track.Event(0, {0x91, 60, 100}).Event(48, {62, 100}).Event(48, {64, 0}).Event(96, {0xC1, 5});
    track.End(96);
    const MidiSong song = Read(MidiFile(0, 96, {track}));
    ASSERT_EQ(song.events.size(), 4u);
    EXPECT_EQ(song.events[1].time, 384); // half a beat of 768
    EXPECT_EQ(song.events[1].status, 0x91);
    EXPECT_EQ(song.events[1].data1, 62);
    EXPECT_EQ(song.events[2].time, 768);
    EXPECT_EQ(song.events[2].data2, 0);
    EXPECT_EQ(song.events[3].status, 0xC1);
    EXPECT_EQ(song.events[3].time, 1536);
    EXPECT_EQ(song.length, 2304) << "the song ends where its track ends";
}

TEST(MidiFileReader, FormatOneMergesTracksAndKeepsTheTempoMap) {
    MidiTrack conductor;
    conductor.Tempo(0, 500000).Tempo(480, 250000).End(480);
    MidiTrack notes;
    notes.Event(0, {0x90, 60, 90}).Event(480, {0x80, 60, 0}).Event(0, {0x90, 62, 90});
    notes.Event(480, {0x80, 62, 0}).Raw({0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}).End();
    const MidiSong song = Read(MidiFile(1, 480, {conductor, notes}));
    ASSERT_EQ(song.tempos.size(), 2u);
    EXPECT_DOUBLE_EQ(song.tempos[0].beatsPerMinute, 120.0);
    EXPECT_EQ(song.tempos[1].time, 768);
    EXPECT_DOUBLE_EQ(song.tempos[1].beatsPerMinute, 240.0);
    ASSERT_EQ(song.events.size(), 5u);
    EXPECT_EQ(song.events[1].status, 0x80) << "the note-off comes before the next note-on";
    EXPECT_EQ(song.events[2].status, 0x90);
    const auto& sysex = song.events[4];
    EXPECT_EQ(sysex.status, 0xF0);
    ASSERT_EQ(sysex.sysexLength, 6u);
    EXPECT_EQ(song.sysex[sysex.sysexOffset], 0xF0);
    EXPECT_EQ(song.sysex[sysex.sysexOffset + 5], 0xF7);
    EXPECT_EQ(song.length, 1536);
}

TEST(MidiFileReader, SmpteTimingAndRmidWrappingAreRead) {
    MidiTrack track;
    track.Event(0, {0x90, 60, 90}).Event(250, {0x80, 60, 0}).End();
    // 25 frames of 40 ticks: 1000 ticks a second, laid out at 120 bpm.
    auto smf = MidiFile(0, static_cast<std::uint16_t>((0xE7 << 8) | 40), {track});
    EXPECT_EQ(Read(smf).events.at(1).time, 384); // a quarter second is half a beat

    std::vector<std::uint8_t> rmid = {'R', 'I', 'F', 'F', 0,   0,   0,   0,
                                      'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    const auto n = static_cast<std::uint32_t>(smf.size());
    rmid.insert(rmid.end(),
                {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8), 0, 0});
    rmid.insert(rmid.end(), smf.begin(), smf.end());
    EXPECT_EQ(Read(rmid).events.size(), 2u);
}

TEST(MidiFileReader, BrokenFilesAreRefusedWithAReason) {
    auto good = OneNoteSong(480);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"garbage", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'}});
    cases.push_back({"header cut short", {good.begin(), good.begin() + 10}});
    cases.push_back({"track cut short", {good.begin(), good.end() - 5}});
    auto pastEnd = good;
    pastEnd[21] = 0x7F; // the track's size now points far past the end
    cases.push_back({"chunk size past the end", pastEnd});
    auto format2 = good;
    format2[9] = 2;
    cases.push_back({"format 2", format2});
    auto noTicks = good;
    noTicks[12] = 0;
    noTicks[13] = 0;
    cases.push_back({"zero division", noTicks});
    // A file of one track of these bytes.
    auto track = [](std::initializer_list<std::uint8_t> bytes) {
        return MidiFile(0, 96, {MidiTrack().Raw(bytes).End()});
    };
    cases.push_back({"data byte without status", track({0x00, 60, 100})});
    cases.push_back({"five-byte delta", track({0x80, 0x80, 0x80, 0x80, 0x01, 0x90, 60, 100})});
    cases.push_back({"meta longer than its track",
                     MidiFile(0, 96, {MidiTrack().Raw({0, 0xFF, 1, 0x7F, 'a'})})});
    auto missingTrack = track({0x00, 0x90, 60, 100});
    missingTrack[9] = 1;
    missingTrack[11] = 3; // three tracks announced, one present
    cases.push_back({"missing tracks", missingTrack});
    cases.push_back({"zero tempo", track({0x00, 0xFF, 0x51, 0x03, 0, 0, 0})});
    MidiTrack tooLong;
    for (int i = 0; i < 400; ++i) {
        tooLong.Event(0x0FFFFFFF, {0x90, 60, 1});
    }
    cases.push_back({"song of years", MidiFile(0, 1, {tooLong})});

    for (const Case& c : cases) {
        MidiSong song;
        std::string error;
        EXPECT_FALSE(Parse(c.bytes, song, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_TRUE(song.events.empty()) << c.what;
    }
}

TEST(MidiFileReader, LenientWhereFilesCommonlyDiffer) {
    // No end-of-track event, an unknown chunk before the track, extra header
    // bytes: all still read.
    std::vector<std::uint8_t> file = {'M', 'T',  'h',  'd', 0,   0,   0,   8, 0, 0,    0,  1,  0,
                                      96,  0xAA, 0xBB, 'X', 'Y', 'Z', 'W', 0, 0, 0,    2,  1,  2,
                                      'M', 'T',  'r',  'k', 0,   0,   0,   4, 0, 0x90, 60, 100};
    const MidiSong song = Read(file);
    EXPECT_EQ(song.events.size(), 1u);
}

} // namespace
