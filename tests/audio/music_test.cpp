// The game's music half on the real DirectMusic layer: start-up with its
// notification thread, the choice of MIDI port, a MIDI file made here set as
// the music and heard on the synthesizer, pausing and resuming at the place
// reached, the end of the segment starting it again with 1000000 repeats,
// and every failure message with the order of its boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "audio/audio_system.h"
#include "audio_test_support.h"
#include "platform/faults.h"
#include "platform/sound.h"
#include "tests/platform/audio/fake_sequencer.h"
#include "tests/platform/audio/midi_builder.h"

namespace {

constexpr std::int32_t FAIL = static_cast<std::int32_t>(0x80004005);
constexpr MUSIC_TIME kBeat = DMUS_PPQ; // 500 ms at the default 120 bpm

// Four beats of piano at 120 bpm, one note a beat: A3, E4, A4, E5. Two
// seconds, a length of four beats.
std::vector<std::uint8_t> FourNotes() {
    MidiTrack track;
    track.Event(0, {0xC0, 0});
    for (const std::uint8_t note : {57, 64, 69, 76}) {
        track.Event(0, {0x90, note, 110}).Event(480, {0x80, note, 0});
    }
    track.End();
    return MidiFile(0, 480, {track});
}
constexpr double kNoteHz[] = {220.0, 329.63, 440.0, 659.26};

// A fake list of ports in front of the real DirectMusic object: enumeration
// shows the scripted records, and every port is made as the real
// synthesizer, so the rest of the set-up runs for real.
class ScriptedDirectMusic final : public IDirectMusic {
public:
    ScriptedDirectMusic(IDirectMusic* real, std::vector<DMUS_PORTCAPS> ports, GUID defaultPort,
                        int failAt = -1)
        : real(real), ports(std::move(ports)), defaultPort(defaultPort), failAt(failAt) {
        real->GetDefaultPort(&synthesizer);
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs;
        if (left == 0) {
            real->Release();
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE EnumPort(DWORD index, LPDMUS_PORTCAPS caps) override {
        if (static_cast<int>(index) == failAt) {
            caps->dwClass = DMUS_PC_OUTPUTCLASS; // filled in part, then failed
            return FAIL;
        }
        if (index >= ports.size()) {
            return S_FALSE;
        }
        *caps = ports[index];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreatePort(REFCLSID port, LPDMUS_PORTPARAMS params,
                                         LPDIRECTMUSICPORT* out, LPUNKNOWN outer) override {
        created.push_back(port);
        return real->CreatePort(synthesizer, params, out, outer);
    }
    HRESULT STDMETHODCALLTYPE GetDefaultPort(LPGUID port) override {
        *port = defaultPort;
        return S_OK;
    }

    std::vector<GUID> created;

private:
    IDirectMusic* real;
    std::vector<DMUS_PORTCAPS> ports;
    GUID defaultPort;
    int failAt;
    GUID synthesizer{};
    ULONG refs = 1;
};

GUID PortGuid(std::uint32_t n) {
    return GUID{0x51A70000u + n, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
}

constexpr DWORD IN = DMUS_PC_INPUTCLASS;
constexpr DWORD OUT = DMUS_PC_OUTPUTCLASS;

// Port records "Port A", "Port B"... of the given classes, taking instruments.
std::vector<DMUS_PORTCAPS> Ports(const std::vector<DWORD>& classes) {
    std::vector<DMUS_PORTCAPS> ports(classes.size());
    for (std::uint32_t n = 0; n < ports.size(); ++n) {
        ports[n].dwSize = sizeof ports[n];
        ports[n].dwFlags = DMUS_PC_DLS;
        ports[n].guidPort = PortGuid(n);
        ports[n].dwClass = classes[n];
        const std::u16string name = u"Port " + std::u16string(1, static_cast<char16_t>(u'A' + n));
        std::copy(name.begin(), name.end(), ports[n].wszDescription);
    }
    return ports;
}

class MusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        audio.window = window.handle;
        window.onMusicReady = [this] {
            if (beforeEnumeration) {
                beforeEnumeration();
            }
            audio.EnumerateMidiPorts();
        };
        window.onMusicNotify = [this] { audio.OnMusicNotification(); };
        ASSERT_EQ(audio.InitSound(), 1);
    }
    void TearDown() override {
        audio.ShutdownMusic();
        audio.ReleaseSound();
        audio.FreeMidiPortTable();
        platform::ClearFaults();
    }

    void Start() { ASSERT_EQ(audio.InitMusic(), 1); }
    void SetMusic(const Bytes& song, const char* name = "song.mid") {
        folder.Write(name, song);
        audio.SetMusicFile(name);
    }

    // Puts the scripted port list in front of the real one for the
    // enumeration that start-up runs.
    void ScriptPorts(std::vector<DMUS_PORTCAPS> ports, GUID defaultPort, int failAt = -1) {
        beforeEnumeration = [=, this] {
            scripted = new ScriptedDirectMusic(audio.directMusic, ports, defaultPort, failAt);
            audio.directMusic = scripted;
        };
    }

    REFERENCE_TIME Now() {
        REFERENCE_TIME now = 0;
        EXPECT_EQ(audio.performance->GetTime(&now, nullptr), S_OK);
        return now;
    }
    // Milliseconds from now until reference time `at`.
    std::uint32_t MsUntil(REFERENCE_TIME at) {
        const REFERENCE_TIME now = Now();
        EXPECT_GE(at, now);
        return static_cast<std::uint32_t>((at - now) / 10'000);
    }
    MUSIC_TIME NowMusic() {
        MUSIC_TIME now = 0;
        audio.performance->GetTime(nullptr, &now);
        return now;
    }
    DWORD Repeats() { return platform::SettingsOf(audio.segment).repeats; }
    MUSIC_TIME StartPoint() { return platform::SettingsOf(audio.segment).startPoint; }

    PullBackend backend;
    WorkingFolder folder;
    TestWindow window;
    AudioSystem audio;
    std::function<void()> beforeEnumeration;
    ScriptedDirectMusic* scripted = nullptr;
};

// ---------------------------------------------------------------- start-up and ports

TEST_F(MusicTest, StartUpChoosesTheSynthesizerAndStandsReadyWithoutMusic) {
    Start();
    EXPECT_EQ(window.musicReady, 1);
    ASSERT_NE(audio.port, nullptr);
    ASSERT_NE(audio.currentPortCaps, nullptr);
    GUID synthesizer{};
    audio.directMusic->GetDefaultPort(&synthesizer);
    EXPECT_EQ(audio.currentPortCaps->guidPort, synthesizer);
    EXPECT_EQ(audio.musicState, MusicEmpty);
    EXPECT_TRUE(backend.Boxes().empty());
    EXPECT_EQ(window.closeRequests, 0);

    // Without a segment, notifications, activation changes and every music
    // command do nothing (and touch no segment).
    PostMessageA(window.handle, UM_MUSIC_NOTIFY, 0, 0);
    window.Pump();
    audio.ToggleMusicPause();
    audio.PlayMusic();
    audio.RepeatMusic();
    audio.StopMusic();
    audio.PauseMusic();
    EXPECT_EQ(audio.musicState, MusicEmpty);
    EXPECT_EQ(audio.segment, nullptr);
}

struct PortChoice {
    std::vector<DWORD> classes;
    std::uint32_t defaultPort;
    int lastPort;        // the table's last entry ...
    std::uint32_t first; // ... the port in its first entry
    std::uint32_t last;  // ... and in its last
    int selected;
};

class PortChoices : public MusicTest, public ::testing::WithParamInterface<PortChoice> {};

TEST_P(PortChoices, TheDefaultOutputIsChosenElseTheFirstAndInputsAndOverflowAreLeftOut) {
    const PortChoice& c = GetParam();
    ScriptPorts(Ports(c.classes), PortGuid(c.defaultPort));
    Start();
    EXPECT_EQ(audio.lastPort, c.lastPort);
    EXPECT_EQ(audio.portCaps[0]->guidPort, PortGuid(c.first));
    EXPECT_EQ(audio.portNames[0], std::string("Port ") + static_cast<char>('A' + c.first));
    EXPECT_EQ(audio.portCaps[c.lastPort]->guidPort, PortGuid(c.last));
    EXPECT_EQ(audio.selectedPort, c.selected);
    EXPECT_EQ(audio.currentPortCaps, audio.portCaps[c.selected]);
    EXPECT_EQ(scripted->created, std::vector<GUID>{audio.currentPortCaps->guidPort});
    EXPECT_TRUE(backend.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Tables, PortChoices,
    ::testing::Values(PortChoice{{IN, OUT, IN, OUT}, 3, 1, 1, 3, 1},
                      // The default is an input port.
                      PortChoice{{IN, OUT, OUT}, 0, 1, 1, 2, 0},
                      // The default is one of the outputs the table has no room for.
                      PortChoice{std::vector<DWORD>(25, OUT), 22, MIDI_PORT_CAPACITY - 1, 0,
                                 MIDI_PORT_CAPACITY - 1, 0}));

TEST_F(MusicTest, AnEnumerationFailingWithAFilledRecordShowsItsMessageAndClosesTheWindow) {
    ScriptPorts(Ports({OUT}), PortGuid(0), 1);
    EXPECT_EQ(audio.InitMusic(), 1) << "port failures do not fail the start";
    window.Pump();
    EXPECT_EQ(backend.Boxes(), std::vector<std::string>{"Port列挙に失敗しました"});
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_EQ(audio.port, nullptr);
    EXPECT_TRUE(scripted->created.empty());
}

TEST_F(MusicTest, WithNoOutputPortNoPortIsMadeAndTheWindowCloses) {
    ScriptPorts(Ports({IN, IN}), PortGuid(0));
    EXPECT_EQ(audio.InitMusic(), 1);
    window.Pump();
    EXPECT_EQ(backend.Boxes(),
              (std::vector<std::string>{"DirectMusic portが作れません", "CreateAndAddPortが失敗"}));
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_EQ(audio.port, nullptr);
    EXPECT_EQ(audio.portCaps[0], nullptr) << "input port records are freed, not kept";
}

TEST_F(MusicTest, SelectingAnotherPortStopsTheMusicAndEachFailingStepKeepsTheWindow) {
    ScriptPorts(Ports({OUT, OUT}), PortGuid(0));
    Start();
    SetMusic(FourNotes());
    audio.PlayMusic();
    ASSERT_EQ(audio.musicState, MusicPlaying);
    ASSERT_EQ(audio.instrumentsDownloaded, 1);

    audio.SelectMidiPort(0); // the entry in use: nothing happens
    audio.SelectMidiPort(2); // no such entry
    audio.SelectMidiPort(-1);
    EXPECT_EQ(audio.musicState, MusicPlaying);
    EXPECT_EQ(scripted->created.size(), 1u);

    audio.SelectMidiPort(1);
    EXPECT_EQ(audio.musicState, MusicStopped);
    EXPECT_EQ(audio.instrumentsDownloaded, 0) << "unloaded from the old port";
    EXPECT_EQ(audio.selectedPort, 1);
    EXPECT_EQ(audio.currentPortCaps, audio.portCaps[1]);
    ASSERT_EQ(scripted->created.size(), 2u);
    EXPECT_TRUE(backend.Boxes().empty());

    // Each step of setting up a selected port reports its own failure.
    struct Step {
        const char* operation;
        const char* message;
    };
    const Step steps[] = {
        {"IDirectMusicPort::Activate", "portがアクティブです"},
        {"IDirectMusicPerformance::AddPort", "performanceにportを追加できません"},
        {"IDirectMusicPerformance::AssignPChannelBlock",
         "performanceにDirectMusic portを追加できません"},
        {"IDirectMusic::CreatePort", "DirectMusic portが作れません"},
    };
    int target = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.operation);
        const std::size_t before = backend.Boxes().size();
        platform::InjectFault(step.operation, FAIL, 1);
        audio.SelectMidiPort(target);
        window.Pump();
        const std::vector<std::string> boxes = backend.Boxes();
        ASSERT_EQ(boxes.size(), before + 2);
        EXPECT_EQ(boxes[before], step.message);
        EXPECT_EQ(boxes[before + 1], "CreateAndAddPort失敗");
        EXPECT_EQ(audio.selectedPort, target);
        EXPECT_EQ(audio.currentPortCaps, audio.portCaps[1]) << "changes only on success";
        target = 1 - target;
    }
    EXPECT_EQ(window.closeRequests, 0) << "the window stays";
    EXPECT_EQ(audio.port, nullptr);
    audio.PlayMusic(); // without a port there is nothing to play on
    EXPECT_EQ(audio.musicState, MusicStopped);
    // A later selection sets up a working port again.
    audio.SelectMidiPort(target);
    EXPECT_NE(audio.port, nullptr);
    EXPECT_EQ(audio.currentPortCaps, audio.portCaps[target]);
    EXPECT_EQ(backend.Boxes().size(), 8u);
}

TEST_F(MusicTest, AnExternalMidiPortIsSetUpWithoutTheReverbItLacksAndPlays) {
    FakeSequencer sequencer;
    Start();
    ASSERT_EQ(audio.lastPort, 1) << "the synthesizer, then the sequencer's output";
    audio.SelectMidiPort(1);
    EXPECT_TRUE(backend.Boxes().empty());
    ASSERT_EQ(audio.currentPortCaps, audio.portCaps[1]);
    EXPECT_EQ(audio.currentPortCaps->guidPort, FakeSequencer::kOutput);
    EXPECT_TRUE(sequencer.Active());
    audio.SendGmReset();
    EXPECT_EQ(sequencer.Heard(),
              (std::vector<std::vector<std::uint8_t>>{{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}))
        << "the port is on the performance's channel group";
}

TEST_F(MusicTest, TogglingReverbTwiceLeavesItAsCreated) {
    Start();
    auto effects = [&] {
        IKsControl* control = nullptr;
        EXPECT_EQ(audio.port->QueryInterface(IID_IKsControl, reinterpret_cast<void**>(&control)),
                  S_OK);
        KSPROPERTY property{GUID_DMUS_PROP_Effects, 0, KSPROPERTY_TYPE_GET};
        DWORD value = 99;
        ULONG returned = 0;
        control->KsProperty(&property, sizeof property, &value, sizeof value, &returned);
        control->Release();
        return value;
    };
    EXPECT_EQ(effects(), DMUS_EFFECT_REVERB);
    audio.ToggleReverb();
    EXPECT_EQ(audio.reverbOn, 0);
    EXPECT_EQ(effects(), 0u);
    audio.ToggleReverb();
    EXPECT_EQ(audio.reverbOn, 1);
    EXPECT_EQ(effects(), DMUS_EFFECT_REVERB);
}

TEST_F(MusicTest, AFailedWaitEndsTheNotificationThreadWithItsMessage) {
    platform::InjectFault("WaitForSingleObject", 6, 1);
    Start();
    ASSERT_TRUE(backend.AwaitBoxes(1));
    EXPECT_EQ(backend.Boxes(), std::vector<std::string>{"WaitForSingleObjectに失敗しました"});
    // The thread is gone: a segment's notifications no longer reach the window.
    SetMusic(OneNoteSong(240));
    audio.PlayMusic();
    backend.Run(1500);
    window.Pump();
    EXPECT_EQ(window.musicNotifies, 0);
}

// ---------------------------------------------------------------- music

TEST_F(MusicTest, AMidiFileIsHeardAndPausingAndResumingGoOnFromThePlaceReached) {
    if (!HaveSoundFont()) {
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
    Start();
    SetMusic(FourNotes());
    ASSERT_EQ(audio.musicState, MusicStopped);
    EXPECT_EQ(audio.segmentLength, 4 * kBeat);
    EXPECT_STREQ(audio.musicFileName, "song.mid");
    audio.PlayMusic();
    ASSERT_EQ(audio.musicState, MusicPlaying);
    EXPECT_EQ(audio.standardMidiSet, 1);
    EXPECT_EQ(audio.instrumentsDownloaded, 1);
    EXPECT_EQ(audio.startMusicTime % kBeat, 0) << "it starts on a beat";
    const MUSIC_TIME firstStart = audio.startMusicTime;
    const std::uint32_t firstDelay = MsUntil(audio.startReferenceTime);
    // Up to a quarter into the third beat.
    const auto heard = Channel(backend.Run(firstDelay + 1250), 2, 0);
    const std::size_t firstFrame = firstDelay * 441 / 10;
    EXPECT_LT(Rms(heard, 0, firstFrame), 1e-4) << "silent before its start";
    for (int beat = 0; beat < 3; ++beat) {
        const std::size_t from = firstFrame + beat * 22050 + 2205;
        EXPECT_NEAR(Pitch(heard, 44100, from, from + 13230), kNoteHz[beat], kNoteHz[beat] * 0.03)
            << "beat " << beat;
    }

    // Deactivation pauses: the start point is where it stopped.
    audio.ToggleMusicPause();
    ASSERT_EQ(audio.musicState, MusicPaused);
    EXPECT_EQ(audio.playedMusicTime, 1250 * kBeat / 500);
    EXPECT_EQ(audio.playedReferenceTime, 1250 * 10'000);
    EXPECT_EQ(StartPoint(), audio.playedMusicTime);
    EXPECT_EQ(audio.segmentState, nullptr);
    const auto paused = Channel(backend.Run(1500), 2, 0);
    EXPECT_LT(Rms(paused, 44100), 1e-3) << "silent while paused";

    // Activation resumes from there: the fourth note (E5) comes 250 ms
    // after the new start, not the first one at once.
    audio.ToggleMusicPause();
    ASSERT_EQ(audio.musicState, MusicPlaying);
    EXPECT_GT(audio.startMusicTime, firstStart);
    const std::uint32_t delay = MsUntil(audio.startReferenceTime);
    const auto left = Channel(backend.Run(delay + 200), 2, 0);
    const std::size_t start = delay * 441 / 10;
    EXPECT_LT(Rms(left, start + 441, start + 441 * 20), 0.01) << "the first beat does not return";
    const auto after = Channel(backend.Run(400), 2, 0);
    EXPECT_NEAR(Pitch(after, 44100, 441 * 10, 441 * 40), kNoteHz[3], kNoteHz[3] * 0.03);

    // The second pause adds the second stretch (200 + 400 ms) to the first.
    audio.ToggleMusicPause();
    ASSERT_EQ(audio.musicState, MusicPaused);
    EXPECT_EQ(audio.playedMusicTime, (1250 + 600) * kBeat / 500);
    EXPECT_EQ(audio.playedReferenceTime, (1250 + 600) * 10'000);
    EXPECT_EQ(StartPoint(), audio.playedMusicTime);
    EXPECT_TRUE(backend.Boxes().empty());
}

// Paused after 1.5 lengths of a repeating song it starts again half-way; after
// exactly one length it keeps the length.
class PauseWhileRepeating : public MusicTest,
                            public ::testing::WithParamInterface<std::pair<int, MUSIC_TIME>> {};

TEST_P(PauseWhileRepeating, ThePlayedTimeIsTheOffsetIntoThePass) {
    const auto [ms, played] = GetParam();
    Start();
    SetMusic(FourNotes());
    audio.RepeatMusic(); // 1000000 repeats, then play
    ASSERT_EQ(audio.musicState, MusicPlaying);
    EXPECT_EQ(Repeats(), MUSIC_REPEATS);
    backend.Run(MsUntil(audio.startReferenceTime) + ms);
    EXPECT_EQ(NowMusic() - audio.startMusicTime, ms * kBeat / 500);
    audio.PauseMusic();
    EXPECT_EQ(audio.playedMusicTime, played);
    EXPECT_EQ(StartPoint(), played);
}

INSTANTIATE_TEST_SUITE_P(Lengths, PauseWhileRepeating,
                         ::testing::Values(std::pair{3000, 2 * kBeat}, std::pair{2000, 4 * kBeat}));

TEST_F(MusicTest, TheEndOfTheSegmentStartsItAgainWithAMillionRepeats) {
    if (!HaveSoundFont()) {
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
    Start();
    SetMusic(OneNoteSong(480)); // one beat of A4
    audio.PlayMusic();
    ASSERT_EQ(Repeats(), 0u) << "played once";
    const MUSIC_TIME firstStart = audio.startMusicTime;
    const std::uint32_t delay = MsUntil(audio.startReferenceTime);

    backend.Run(delay + 100);
    ASSERT_TRUE(window.PumpUntilNotified(1)); // the start: taken and let go
    EXPECT_EQ(audio.musicState, MusicPlaying);
    EXPECT_EQ(audio.startMusicTime, firstStart);

    backend.Run(500); // past the end of the beat
    ASSERT_TRUE(window.PumpUntilNotified(2)) << window.musicNotifies;
    EXPECT_EQ(audio.musicState, MusicPlaying);
    EXPECT_EQ(Repeats(), MUSIC_REPEATS);
    EXPECT_GE(audio.startMusicTime, firstStart + kBeat) << "a new play after the end";
    EXPECT_EQ(StartPoint(), 0) << "from the beginning";

    const std::uint32_t again = MsUntil(audio.startReferenceTime);
    const auto left = Channel(backend.Run(again + 400), 2, 0);
    const std::size_t from = again * 441 / 10 + 2205;
    EXPECT_NEAR(Pitch(left, 44100, from, from + 8820), 440.0, 10.0) << "heard again";
    EXPECT_TRUE(backend.Boxes().empty());
}

TEST_F(MusicTest, LoadingAnotherFileStopsTheFirstAndUnloadsItAndAMissingOneEmpties) {
    Start();
    folder.Write("one.mid", FourNotes());
    folder.Write("two.mid", OneNoteSong(960));
    audio.SetMusicFile("one.mid");
    audio.PlayMusic();
    backend.Run(MsUntil(audio.startReferenceTime) + 700);
    audio.PauseMusic();
    ASSERT_GT(audio.playedMusicTime, 0);
    audio.ToggleMusicPause();
    ASSERT_EQ(audio.musicState, MusicPlaying);

    audio.SetMusicFile("two.mid");
    EXPECT_EQ(audio.musicState, MusicStopped);
    EXPECT_EQ(audio.instrumentsDownloaded, 0);
    EXPECT_EQ(audio.segmentState, nullptr);
    EXPECT_EQ(audio.playedMusicTime, 0);
    EXPECT_EQ(audio.playedReferenceTime, 0);
    EXPECT_EQ(audio.segmentLength, 2 * kBeat);
    EXPECT_EQ(audio.standardMidiSet, 0);
    EXPECT_LT(Rms(Channel(backend.Run(1500), 2, 0), 44100 / 2), 1e-3) << "nothing plays";

    // A missing file, its long name cut to the buffer.
    const std::string name(400, 'n');
    audio.SetMusicFile(name.c_str());
    EXPECT_EQ(std::string(audio.musicFileName), name.substr(0, MUSIC_FILE_NAME_SIZE - 1));
    EXPECT_EQ(audio.musicState, MusicEmpty);
    EXPECT_EQ(audio.segment, nullptr);
    EXPECT_EQ(backend.Boxes(), std::vector<std::string>{"GetObjectに失敗しました"});
}

TEST_F(MusicTest, SegmentFailuresShowTheirMessagesAndLeaveTheStateAlone) {
    Start();
    SetMusic({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0xFF, 0xFF}, "garbage.mid");
    EXPECT_EQ(audio.musicState, MusicEmpty);

    SetMusic(FourNotes());
    ASSERT_EQ(audio.musicState, MusicStopped);
    // The standard-MIDI-file setting and then the download fail.
    platform::InjectFault("IDirectMusicSegment::SetParam", FAIL, 2);
    audio.PlayMusic();
    EXPECT_EQ(audio.musicState, MusicStopped);
    EXPECT_EQ(audio.instrumentsDownloaded, 0);
    EXPECT_EQ(audio.standardMidiSet, 0);
    EXPECT_EQ(audio.segmentState, nullptr);

    platform::InjectFault("IDirectMusicPerformance::PlaySegment", FAIL, 1);
    audio.PlayMusic();
    EXPECT_EQ(audio.musicState, MusicStopped);
    EXPECT_EQ(audio.segmentState, nullptr);

    // A resume that the performance refuses stays paused without a word.
    audio.PlayMusic();
    ASSERT_EQ(audio.musicState, MusicPlaying);
    backend.Run(MsUntil(audio.startReferenceTime) + 300);
    audio.ToggleMusicPause();
    ASSERT_EQ(audio.musicState, MusicPaused);
    platform::InjectFault("IDirectMusicPerformance::PlaySegment", FAIL, 1);
    audio.ToggleMusicPause();
    EXPECT_EQ(audio.musicState, MusicPaused);

    EXPECT_EQ(backend.Boxes(),
              (std::vector<std::string>{"GetObjectに失敗しました", "Downloadに失敗しました",
                                        "PlaySegmentが失敗しました"}));
}

TEST_F(MusicTest, OnAPortWithoutInstrumentsTheMidiSettingIsDroppedByLoadingAgain) {
    auto ports = Ports({OUT, OUT});
    ports[1].dwFlags = 0; // takes no downloadable instruments
    ScriptPorts(ports, PortGuid(0));
    Start();
    SetMusic(FourNotes());
    audio.PlayMusic();
    ASSERT_EQ(audio.standardMidiSet, 1);
    IDirectMusicSegment* first = audio.segment;
    audio.SelectMidiPort(1); // takes no downloadable instruments
    audio.PlayMusic();
    EXPECT_EQ(audio.musicState, MusicPlaying);
    EXPECT_EQ(audio.standardMidiSet, 0);
    EXPECT_EQ(audio.instrumentsDownloaded, 0);
    EXPECT_NE(audio.segment, first) << "a fresh segment from the file";
}

TEST_F(MusicTest, ShutdownAfterAFailedStartReleasesOnlyWhatWasMade) {
    platform::InjectFault("CoCreateInstance", FAIL, 1);
    EXPECT_EQ(audio.InitMusic(), 0);
    EXPECT_EQ(audio.performance, nullptr);
    EXPECT_EQ(backend.Boxes(), std::vector<std::string>{"performance objectが作れません"});
    audio.ShutdownMusic();
    EXPECT_EQ(audio.notificationEvent, nullptr);
    // Failing later, with the thread already running.
    platform::InjectFault("IDirectMusicLoader::SetSearchDirectory", FAIL, 1);
    EXPECT_EQ(audio.InitMusic(), 0);
    EXPECT_EQ(backend.Boxes().back(), "検索パスの設定失敗");
    audio.ShutdownMusic();
    EXPECT_EQ(audio.performance, nullptr);
    EXPECT_EQ(audio.loader, nullptr);
    EXPECT_EQ(audio.directMusic, nullptr);
    EXPECT_EQ(audio.notificationEvent, nullptr);
}

} // namespace
