// The game's music half on the real DirectMusic layer: start-up with its
// notification thread and what shutdown and a failed start let go, the
// choice and set-up of the MIDI port, a MIDI file made here heard on the
// synthesizer, pausing and resuming at the place reached, one notification
// taken per message with the end of the segment starting it again, and every
// failure message in its order.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "audio/audio_system.h"
#include "audio/music_port.h"
#include "audio_test_support.h"
#include "platform/faults.h"
#include "platform/lifetimes.h"
#include "platform/sound.h"

namespace {

constexpr std::int32_t FAIL = static_cast<std::int32_t>(0x80004005);
constexpr MUSIC_TIME kBeat = DMUS_PPQ; // 500 ms at the default 120 bpm

// Four beats of piano at 120 bpm, one note a beat: A3, E4, A4, E5.
Bytes FourNotes() {
    MidiTrack track;
    track.Event(0, {0xC0, 0});
    for (const std::uint8_t note : {57, 64, 69, 76}) {
        track.Event(0, {0x90, note, 110}).Event(480, {0x80, note, 0});
    }
    return MidiFile(0, 480, {track.End()});
}
constexpr double kNoteHz[] = {220.0, 329.63, 440.0, 659.26};

// A fake list of ports in front of the real DirectMusic object: enumeration
// shows the scripted records (failing at `failAt` with the record filled),
// and every port is made as the real synthesizer.
class ScriptedDirectMusic final : public IDirectMusic {
public:
    ScriptedDirectMusic(IDirectMusic* real, std::vector<DMUS_PORTCAPS> ports, GUID defaultPort,
                        int failAt)
        : real(real), ports(std::move(ports)), defaultPort(defaultPort), failAt(failAt) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override {
        real->Release();
        delete this;
        return 0;
    }
    HRESULT STDMETHODCALLTYPE EnumPort(DWORD index, LPDMUS_PORTCAPS caps) override {
        if (static_cast<int>(index) == failAt) {
            caps->dwClass = DMUS_PC_OUTPUTCLASS;
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
        return real->CreatePort(platform::audio::SynthesizerPortGuid(), params, out, outer);
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
};

GUID PortGuid(std::uint32_t n) {
    return GUID{0x51A70000u + n, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
}

constexpr DWORD IN = DMUS_PC_INPUTCLASS;
constexpr DWORD OUT = DMUS_PC_OUTPUTCLASS;

// Port records of the given classes, taking instruments.
std::vector<DMUS_PORTCAPS> Ports(const std::vector<DWORD>& classes) {
    std::vector<DMUS_PORTCAPS> ports(classes.size());
    for (std::uint32_t n = 0; n < ports.size(); ++n) {
        ports[n].dwSize = sizeof ports[n];
        ports[n].dwFlags = DMUS_PC_DLS;
        ports[n].guidPort = PortGuid(n);
        ports[n].dwClass = classes[n];
    }
    return ports;
}

// A MIDI sequencer in the place of the machine's ALSA one while it lives,
// with one output port described as ALSA's are (one channel group, no
// downloadable instruments, no effects) that keeps every message it is sent.
class FakeSequencer final : public platform::audio::Sequencer {
public:
    static constexpr GUID kOutput = {0x5E0C0001, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    struct Wire {
        std::vector<Bytes> heard;
    };

    FakeSequencer() { platform::audio::ReplaceSequencer(this); }
    ~FakeSequencer() override { platform::audio::ReplaceSequencer(nullptr); }

    void AppendPorts(std::vector<platform::audio::PortEntry>& ports) override {
        platform::audio::PortEntry entry;
        entry.caps.dwSize = sizeof entry.caps;
        entry.caps.dwFlags = DMUS_PC_EXTERNAL;
        entry.caps.guidPort = kOutput;
        entry.caps.dwClass = DMUS_PC_OUTPUTCLASS;
        entry.caps.dwMaxChannelGroups = 1;
        entry.sequencerClient = 20;
        entry.sequencerPort = 0;
        ports.push_back(entry);
    }
    std::unique_ptr<platform::audio::MusicPortDriver> OpenPort(int, int) override {
        return std::make_unique<Driver>(wire);
    }

    std::shared_ptr<Wire> wire = std::make_shared<Wire>();

private:
    class Driver final : public platform::audio::MusicPortDriver {
    public:
        explicit Driver(std::shared_ptr<Wire> wire) : wire(std::move(wire)) {}
        bool Activate(bool) override { return true; }
        void ShortMessage(std::uint32_t, std::uint8_t status, std::uint8_t data1,
                          std::uint8_t data2) override {
            wire->heard.push_back({status, data1, data2});
        }
        void SystemExclusive(std::uint32_t, const std::uint8_t* data, std::size_t length) override {
            wire->heard.emplace_back(data, data + length);
        }
        void AllNotesOff() override {}

    private:
        std::shared_ptr<Wire> wire;
    };
};

class MusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        audio.window = window.handle;
        window.onMusicReady = [this] {
            beforeEnumeration();
            audio.EnumerateMidiPorts();
        };
        window.onMusicNotify = [this] { audio.OnMusicNotification(); };
        ASSERT_EQ(audio.InitSound(), 1);
        handlesBefore = platform::OpenHandles();
    }
    void TearDown() override {
        audio.ShutdownMusic();
        audio.ReleaseSound();
        audio.FreeMidiPortTable();
        platform::ClearFaults();
        FailCreationOf(nullptr);
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

    // Milliseconds from now until reference time `at`.
    std::uint32_t MsUntil(REFERENCE_TIME at) {
        REFERENCE_TIME now = 0;
        EXPECT_EQ(audio.performance->GetTime(&now, nullptr), S_OK);
        EXPECT_GE(at, now);
        return at > now ? static_cast<std::uint32_t>((at - now) / 10'000) : 0;
    }
    DWORD Repeats() { return platform::SettingsOf(audio.segment).repeats; }
    MUSIC_TIME StartPoint() { return platform::SettingsOf(audio.segment).startPoint; }
    // Nothing of DirectMusic is alive and no handle of it is open.
    void ExpectMusicLetGo() {
        EXPECT_EQ(platform::LiveObjects(), platform::LiveObjects("IDirectSound") +
                                               platform::LiveObjects("IDirectSoundBuffer"));
        EXPECT_EQ(platform::OpenHandles(), handlesBefore) << "the event and the thread are closed";
        const std::vector<std::string> log = platform::ReleaseLog();
        EXPECT_TRUE(!log.empty() && log.back() == "CoUninitialize");
    }

    // Windows, queues and handles of earlier tests are forgotten first, so
    // that no message left over from them reaches this test's window.
    struct FreshProcess {
        FreshProcess() { platform::ResetProcessState(); }
    } fresh;
    PullBackend backend;
    WorkingFolder folder;
    TestWindow window;
    AudioSystem audio;
    std::function<void()> beforeEnumeration = [] {};
    ScriptedDirectMusic* scripted = nullptr;
    int handlesBefore = 0;
};

// ---------------------------------------------------------------- start-up and shutdown

TEST_F(MusicTest, StartUpStandsReadyWithoutMusicAndShutdownWhilePlayingLetsEverythingGo) {
    Start();
    EXPECT_EQ(window.musicReady, 1);
    ASSERT_NE(audio.port, nullptr);
    EXPECT_EQ(audio.currentPortCaps->guidPort, platform::audio::SynthesizerPortGuid());
    EXPECT_EQ(audio.musicState, MusicEmpty);
    // Without a segment no message and no music command does anything.
    PostMessageA(window.handle, UM_MUSIC_NOTIFY, 0, 0);
    window.Pump();
    audio.ToggleMusicPause();
    audio.PlayMusic();
    audio.RepeatMusic();
    audio.StopMusic();
    audio.PauseMusic();
    EXPECT_EQ(audio.musicState, MusicEmpty);

    SetMusic(OneNoteSong(480));
    audio.PlayMusic();
    ASSERT_EQ(audio.musicState, MusicPlaying);
    audio.ShutdownMusic();
    EXPECT_EQ(audio.segment, nullptr);
    ExpectMusicLetGo();
    EXPECT_TRUE(backend.Boxes().empty());
}

// The loader is the last object start-up makes, with the thread running.
TEST_F(MusicTest, WithoutALoaderTheStartFailsWithItsMessageAndShutdownLetsEverythingGo) {
    FailCreationOf(&CLSID_DirectMusicLoader);
    EXPECT_EQ(audio.InitMusic(), 0);
    EXPECT_EQ(backend.Boxes(), std::vector<std::string>{"loader objectを作れません"});
    const bool nulled = audio.loader == nullptr;
    audio.loader = nullptr; // never release what the failed creation left there
    EXPECT_TRUE(nulled) << "the loader is set to null";
    EXPECT_EQ(window.musicReady, 0) << "no port is set up";
    audio.ShutdownMusic();
    ExpectMusicLetGo();
}

TEST_F(MusicTest, AFailedWaitEndsTheNotificationThreadWithItsMessage) {
    platform::InjectFault("WaitForSingleObject", 6, 1);
    Start();
    for (int i = 0; i < 2000 && backend.Boxes().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1)); // shown by the thread
    }
    EXPECT_EQ(backend.Boxes(), std::vector<std::string>{"WaitForSingleObjectに失敗しました"});
    // The thread is gone: a segment's notifications no longer reach the window.
    SetMusic(OneNoteSong(240));
    audio.PlayMusic();
    backend.Run(1500);
    window.Pump();
    EXPECT_EQ(window.musicNotifies, 0);
}

// ---------------------------------------------------------------- ports

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

// ---------------------------------------------------------------- music

TEST_F(MusicTest, AMidiFileIsHeardPausesAndResumesInPlaceAndStopsForTheNextFile) {
    Start();
    SetMusic(FourNotes());
    ASSERT_EQ(audio.musicState, MusicStopped);
    EXPECT_EQ(audio.segmentLength, 4 * kBeat);
    backend.Run(130); // inside a beat: the music waits for the next one
    audio.PlayMusic();
    ASSERT_EQ(audio.musicState, MusicPlaying);
    EXPECT_EQ(audio.startMusicTime % kBeat, 0) << "it starts on a beat";
    const MUSIC_TIME firstStart = audio.startMusicTime;
    const std::uint32_t firstDelay = MsUntil(audio.startReferenceTime);
    // Up to a quarter into the third beat.
    const auto heard = backend.Run(firstDelay + 1250);
    const std::size_t firstFrame = FramesIn(firstDelay);
    const auto onset =
        std::find_if(heard.begin(), heard.end(), [](double v) { return std::abs(v) > 1e-5; }) -
        heard.begin();
    EXPECT_GE(onset, firstFrame) << "silent before its start";
    EXPECT_LE(onset, firstFrame + 64) << "and sounding after the piano's short attack";
    for (std::size_t beat = 0; beat < 3; ++beat) {
        const std::size_t from = firstFrame + FramesIn(500 * beat + 50);
        EXPECT_NEAR(Pitch(heard, from, from + FramesIn(300)), kNoteHz[beat], kNoteHz[beat] * 0.03)
            << "beat " << beat;
    }

    // Deactivation pauses: the start point is where it stopped.
    audio.ToggleMusicPause();
    ASSERT_EQ(audio.musicState, MusicPaused);
    EXPECT_EQ(audio.playedMusicTime, 1250 * kBeat / 500);
    EXPECT_EQ(audio.playedReferenceTime, 1250 * 10'000);
    EXPECT_EQ(StartPoint(), audio.playedMusicTime);
    EXPECT_EQ(audio.segmentState, nullptr);
    EXPECT_LT(Rms(backend.Run(1500), FramesIn(1000)), 1e-3) << "silent while paused";

    // Activation resumes from there: the fourth note (E5) comes 250 ms after
    // the new start, not the first one at once.
    audio.ToggleMusicPause();
    ASSERT_EQ(audio.musicState, MusicPlaying);
    EXPECT_GT(audio.startMusicTime, firstStart);
    const std::uint32_t delay = MsUntil(audio.startReferenceTime);
    const auto left = backend.Run(delay + 200);
    EXPECT_LT(Rms(left, FramesIn(delay + 10), FramesIn(delay + 200)), 0.01)
        << "the first beat does not return";
    const auto after = backend.Run(400);
    EXPECT_NEAR(Pitch(after, FramesIn(100), FramesIn(400)), kNoteHz[3], kNoteHz[3] * 0.03);

    // The second pause adds the second stretch (200 + 400 ms) to the first.
    audio.ToggleMusicPause();
    EXPECT_EQ(audio.playedMusicTime, (1250 + 600) * kBeat / 500);
    EXPECT_EQ(audio.playedReferenceTime, (1250 + 600) * 10'000);
    EXPECT_EQ(StartPoint(), audio.playedMusicTime);

    // Loading another file while the first plays stops and unloads it.
    audio.ToggleMusicPause();
    SetMusic(OneNoteSong(960), "two.mid");
    EXPECT_EQ(audio.musicState, MusicStopped);
    EXPECT_EQ(audio.instrumentsDownloaded, 0);
    EXPECT_EQ(audio.segmentState, nullptr);
    EXPECT_EQ(audio.playedMusicTime, 0);
    EXPECT_EQ(audio.playedReferenceTime, 0);
    EXPECT_EQ(audio.segmentLength, 2 * kBeat);
    EXPECT_EQ(audio.standardMidiSet, 0);
    EXPECT_LT(Rms(backend.Run(1500), FramesIn(500)), 1e-3) << "nothing plays";
    EXPECT_TRUE(backend.Boxes().empty());
}

// One beat at 120 bpm and one at 60: a pass of two beats lasting 1.5 s.
Bytes TempoSong() {
    MidiTrack track;
    track.Tempo(0, 500000).Event(0, {0x90, 60, 80}).Tempo(480, 1000000).Event(480, {0x80, 60, 0});
    return MidiFile(0, 480, {track.End()});
}

struct RepeatingPause {
    Bytes (*song)();
    std::uint32_t ms;      // paused this long after the start ...
    MUSIC_TIME startPoint; // ... it starts again here
};

class PauseWhileRepeating : public MusicTest,
                            public ::testing::WithParamInterface<RepeatingPause> {};

// Paused after 1.5 lengths of a repeating song it starts again half-way;
// after exactly one length it keeps the length; tempo changes count. Stopped,
// it starts again from the beginning.
TEST_P(PauseWhileRepeating, TheStartPointIsTheOffsetIntoThePassAndStoppingRewinds) {
    const RepeatingPause& p = GetParam();
    Start();
    SetMusic(p.song());
    audio.RepeatMusic();
    ASSERT_EQ(audio.musicState, MusicPlaying);
    EXPECT_EQ(Repeats(), MUSIC_REPEATS);
    backend.Run(MsUntil(audio.startReferenceTime) + p.ms);
    audio.PauseMusic();
    EXPECT_EQ(audio.playedReferenceTime, p.ms * 10'000);
    EXPECT_EQ(audio.playedMusicTime, p.startPoint);
    EXPECT_EQ(StartPoint(), p.startPoint);
    audio.StopMusic();
    EXPECT_EQ(StartPoint(), 0) << "stopping rewinds";
    EXPECT_EQ(audio.playedMusicTime, 0);
}

INSTANTIATE_TEST_SUITE_P(Songs, PauseWhileRepeating,
                         ::testing::Values(RepeatingPause{FourNotes, 3000, 2 * kBeat},
                                           RepeatingPause{FourNotes, 2000, 4 * kBeat},
                                           RepeatingPause{TempoSong, 2000, kBeat}));

// The event is auto-reset, so one message may stand for several
// notifications; each message takes one, and the rest wait for the next.
TEST_F(MusicTest, EachMessageTakesOneNotificationAndTheEndStartsTheSegmentAgain) {
    Start();
    SetMusic(OneNoteSong(480)); // one beat
    audio.PlayMusic();
    ASSERT_EQ(Repeats(), 0u) << "played once";
    const MUSIC_TIME firstStart = audio.startMusicTime;
    backend.Run(MsUntil(audio.startReferenceTime) + 600);
    audio.OnMusicNotification(); // the start: taken and let go
    EXPECT_EQ(audio.startMusicTime, firstStart);
    EXPECT_EQ(Repeats(), 0u) << "the end waits for the next message";
    audio.OnMusicNotification(); // the end
    EXPECT_EQ(audio.musicState, MusicPlaying);
    EXPECT_EQ(Repeats(), MUSIC_REPEATS);
    EXPECT_GE(audio.startMusicTime, firstStart + kBeat) << "a new play after the end";
    EXPECT_EQ(StartPoint(), 0) << "from the beginning";
    EXPECT_TRUE(backend.Boxes().empty());
}

// A segment of no length ends as it starts however many repeats it is
// given; the game starts it again on the next beat, in silence, and a pause
// part-way through nothing has nothing to wrap round.
TEST_F(MusicTest, AnEmptySegmentIsStartedAgainEachBeatInSilenceAndPausesWithoutHanging) {
    Start();
    SetMusic(MidiFile(0, 480, {MidiTrack().End()}));
    ASSERT_EQ(audio.musicState, MusicStopped);
    EXPECT_EQ(audio.segmentLength, 0);
    audio.RepeatMusic();
    for (int beat = 1; beat <= 3; ++beat) {
        SCOPED_TRACE(beat);
        ASSERT_EQ(audio.musicState, MusicPlaying);
        const MUSIC_TIME start = audio.startMusicTime;
        EXPECT_LT(Rms(backend.Run(MsUntil(audio.startReferenceTime) + 10)), 1e-4);
        audio.OnMusicNotification(); // its start
        audio.OnMusicNotification(); // its end
        EXPECT_EQ(audio.startMusicTime, start + kBeat);
        DMUS_NOTIFICATION_PMSG* more = nullptr;
        ASSERT_EQ(audio.performance->GetNotificationPMsg(&more), S_FALSE) << "nothing more waits";
    }
    backend.Run(MsUntil(audio.startReferenceTime) + 250);
    // A pause that went round a length of 0 for ever would never return.
    auto pause = std::async(std::launch::async, [this] { audio.ToggleMusicPause(); });
    if (pause.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        std::fputs("pausing an empty segment hangs\n", stderr);
        std::_Exit(1);
    }
    EXPECT_EQ(audio.musicState, MusicPaused);
    EXPECT_EQ(audio.playedMusicTime, kBeat / 2);
    audio.ToggleMusicPause();
    EXPECT_EQ(audio.musicState, MusicPlaying);
    EXPECT_TRUE(backend.Boxes().empty());
}

TEST_F(MusicTest, SegmentFailuresShowTheirMessagesAndLeaveTheStateAlone) {
    Start();
    const std::string missing(400, 'n'); // no such file; the name is cut to the buffer
    audio.SetMusicFile(missing.c_str());
    EXPECT_EQ(std::string(audio.musicFileName), missing.substr(0, MUSIC_FILE_NAME_SIZE - 1));
    EXPECT_EQ(audio.musicState, MusicEmpty);

    SetMusic(FourNotes());
    ASSERT_EQ(audio.musicState, MusicStopped);
    // The standard-MIDI-file setting and then the download fail.
    platform::InjectFault("IDirectMusicSegment::SetParam", FAIL, 2);
    audio.PlayMusic();
    EXPECT_EQ(audio.musicState, MusicStopped);
    EXPECT_EQ(audio.instrumentsDownloaded, 0);
    EXPECT_EQ(audio.standardMidiSet, 0);

    platform::InjectFault("IDirectMusicPerformance::PlaySegment", FAIL, 1);
    audio.PlayMusic();
    EXPECT_EQ(audio.musicState, MusicStopped);
    EXPECT_EQ(audio.segmentState, nullptr);

    // A resume that the performance refuses stays paused without a word.
    audio.PlayMusic();
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

} // namespace
