// Choosing the MIDI port and setting it up: the default output first, else
// the first output; failures close the window at start-up and keep it on a
// later selection; an external port plays a segment loaded afresh after the
// General MIDI reset.
#include "music_fixture.h"

namespace {

using namespace music_test;

struct PortChoice {
    std::vector<DWORD> classes;
    std::uint32_t defaultPort;
    int failAt;                     // enumeration fails here with a filled record
    std::vector<std::string> boxes; // shown, and then the window is closed
    int lastPort;                   // the table's last entry ...
    std::uint32_t first, last;      // ... the ports in its first and last
    int selected;
};

class PortChoices : public MusicTest, public ::testing::WithParamInterface<PortChoice> {};

TEST_P(PortChoices, TheDefaultOutputIsChosenElseTheFirstAndFailuresCloseTheWindow) {
    const PortChoice& c = GetParam();
    ScriptPorts(Ports(c.classes), PortGuid(c.defaultPort), c.failAt);
    EXPECT_EQ(audio.InitMusic(), 1) << "port failures do not fail the start";
    window.Pump();
    EXPECT_EQ(backend.Boxes(), c.boxes);
    EXPECT_EQ(window.closeRequests, c.boxes.empty() ? 0 : 1);
    if (!c.boxes.empty()) {
        EXPECT_TRUE(scripted->created.empty()) << "no port is made";
        return;
    }
    EXPECT_EQ(audio.lastPort, c.lastPort);
    EXPECT_EQ(audio.portCaps[0]->guidPort, PortGuid(c.first));
    EXPECT_EQ(audio.portCaps[c.lastPort]->guidPort, PortGuid(c.last));
    EXPECT_EQ(audio.selectedPort, c.selected);
    EXPECT_EQ(audio.currentPortCaps, audio.portCaps[c.selected]);
    EXPECT_EQ(scripted->created, std::vector<GUID>{audio.currentPortCaps->guidPort});
}

INSTANTIATE_TEST_SUITE_P(
    Tables, PortChoices,
    ::testing::Values(
        PortChoice{{IN, OUT, IN, OUT}, 3, -1, {}, 1, 1, 3, 1},
        PortChoice{{IN, OUT, OUT}, 0, -1, {}, 1, 1, 2, 0}, // the default is an input
        // The default is one of the outputs the table has no room for.
        PortChoice{std::vector<DWORD>(25, OUT), 22, -1, {}, MIDI_PORT_CAPACITY - 1, 0, 19, 0},
        PortChoice{{OUT}, 0, 1, {"Port列挙に失敗しました"}, 0, 0, 0, 0},
        PortChoice{{IN, IN},
                   0,
                   -1,
                   {"DirectMusic portが作れません", "CreateAndAddPortが失敗"},
                   1,
                   0,
                   0,
                   0}));

TEST_F(MusicTest, SelectingAnotherPortStopsTheMusicAndAFailureKeepsTheWindow) {
    ScriptPorts(Ports({OUT, OUT}), PortGuid(0));
    Start();
    SetMusic(FourNotes());
    audio.PlayMusic();
    ASSERT_EQ(audio.instrumentsDownloaded, 1);
    audio.SelectMidiPort(0); // the entry in use: nothing happens
    audio.SelectMidiPort(2); // no such entry
    audio.SelectMidiPort(-1);
    EXPECT_EQ(audio.musicState, MusicPlaying);
    EXPECT_EQ(scripted->created.size(), 1u);

    audio.SelectMidiPort(1);
    EXPECT_EQ(audio.musicState, MusicStopped);
    EXPECT_EQ(audio.instrumentsDownloaded, 0) << "unloaded from the old port";
    EXPECT_EQ(audio.currentPortCaps, audio.portCaps[1]);
    EXPECT_EQ(scripted->created.size(), 2u);

    // A selected port that cannot be set up is reported; the window stays.
    platform::InjectFault("IDirectMusic::CreatePort", FAIL, 1);
    audio.SelectMidiPort(0);
    window.Pump();
    EXPECT_EQ(backend.Boxes(),
              (std::vector<std::string>{"DirectMusic portが作れません", "CreateAndAddPort失敗"}));
    EXPECT_EQ(audio.currentPortCaps, audio.portCaps[1]) << "changes only on success";
    EXPECT_EQ(window.closeRequests, 0) << "the window stays";
    audio.PlayMusic(); // without a port there is nothing to play on
    EXPECT_EQ(audio.musicState, MusicStopped);
    audio.SelectMidiPort(1);
    EXPECT_NE(audio.port, nullptr) << "a later selection sets up a working port again";
    EXPECT_EQ(audio.currentPortCaps, audio.portCaps[1]);
}

// An external port takes no downloadable instruments: a segment that was told
// it is a standard MIDI file for the synthesizer is loaded afresh, which sends
// the General MIDI reset, and then plays its notes on the port.
TEST_F(MusicTest, OnAnExternalPortTheSegmentIsLoadedAfreshAfterTheGeneralMidiReset) {
    FakeSequencer sequencer;
    Start();
    ASSERT_EQ(audio.lastPort, 1) << "the synthesizer, then the sequencer's output";
    SetMusic(FourNotes());
    audio.PlayMusic();
    ASSERT_EQ(audio.standardMidiSet, 1);
    IDirectMusicSegment* first = audio.segment;
    audio.SelectMidiPort(1);
    EXPECT_TRUE(sequencer.wire->heard.empty());
    audio.PlayMusic();
    EXPECT_EQ(audio.musicState, MusicPlaying);
    EXPECT_NE(audio.segment, first) << "a fresh segment from the file";
    EXPECT_EQ(audio.standardMidiSet, 0);
    EXPECT_EQ(audio.instrumentsDownloaded, 0);
    const Bytes reset = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_EQ(sequencer.wire->heard, std::vector<Bytes>{reset}) << "the reset, at once";
    backend.Run(MsUntil(audio.startReferenceTime) + 100);
    EXPECT_EQ(sequencer.wire->heard, (std::vector<Bytes>{reset, {0xC0, 0, 0}, {0x90, 57, 110}}))
        << "then the first note, on the port's channel group";
    EXPECT_TRUE(backend.Boxes().empty());
}

} // namespace
