// DirectMusic as the game drives it: COM, the performance on the game's
// DirectSound device, the synthesizer port, a MIDI file made here loaded
// through the loader and played as a segment, heard in the pulled output at
// its time, with its start and end notifications arriving through the
// registered event.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "audio/music_port.h"
#include "audio_kit.h"
#include "fake_sequencer.h"
#include "midi_builder.h"
#include "platform/faults.h"

namespace {

namespace fs = std::filesystem;

// The event the performance signals: a real auto-reset kernel event.
HANDLE NotificationEvent() {
    static HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return event;
}

// Whether the event was set since the last look (looking resets it).
bool EventWasSet() {
    return WaitForSingleObject(NotificationEvent(), 0) == WAIT_OBJECT_0;
}

std::u16string Wide(const std::string& text) {
    return {text.begin(), text.end()};
}

class DirectMusicTest : public ::testing::Test {
protected:
    void SetUp() override { OpenDevice(sound, primary); }

    void TearDown() override {
        Drop(segmentState);
        Drop(segment);
        if (performance) {
            performance->CloseDown();
        }
        Drop(performance);
        Drop(port);
        Drop(loader);
        Drop(music);
        CoUninitialize();
        sound->Release();
        platform::ClearFaults();
    }

    // What the game's music start-up does, step by step.
    void StartMusic() {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        performance = Make<IDirectMusicPerformance>(CLSID_DirectMusicPerformance,
                                                    IID_IDirectMusicPerformance);
        ASSERT_EQ(performance->Init(&music, sound, FakeWindow()), S_OK);
        ASSERT_NE(music, nullptr);
        ASSERT_EQ(performance->SetNotificationHandle(NotificationEvent(), 0), S_OK);
        ASSERT_EQ(performance->AddNotificationType(GUID_NOTIFICATION_SEGMENT), S_OK);
        loader = Make<IDirectMusicLoader>(CLSID_DirectMusicLoader, IID_IDirectMusicLoader);
        auto dir = Wide(folder.path.string());
        ASSERT_EQ(loader->SetSearchDirectory(GUID_DirectMusicAllTypes, dir.data(), FALSE), S_OK);
    }

    void OpenDefaultPort() {
        GUID defaultPort{};
        ASSERT_EQ(music->GetDefaultPort(&defaultPort), S_OK);
        DMUS_PORTCAPS caps{};
        caps.dwSize = sizeof caps;
        bool found = false;
        for (DWORD i = 0; music->EnumPort(i, &caps) == S_OK; ++i) {
            if (caps.guidPort == defaultPort) {
                found = true;
                portCaps = caps;
            }
            caps = DMUS_PORTCAPS{};
            caps.dwSize = sizeof caps;
        }
        ASSERT_TRUE(found);
        DMUS_PORTPARAMS8 params{};
        params.dwSize = 36;
        params.dwValidParams = DMUS_PORTPARAMS_CHANNELGROUPS | DMUS_PORTPARAMS_EFFECTS;
        params.dwChannelGroups = 1;
        params.dwEffectFlags = DMUS_EFFECT_REVERB;
        ASSERT_EQ(music->CreatePort(portCaps.guidPort, &params, &port, nullptr), S_OK);
        ASSERT_EQ(port->Activate(TRUE), S_OK);
        ASSERT_EQ(performance->AddPort(port), S_OK);
        ASSERT_EQ(performance->AssignPChannelBlock(0, port, 1), S_OK);
    }

    HRESULT Load(const std::string& name) {
        DMUS_OBJECTDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
        desc.guidClass = CLSID_DirectMusicSegment;
        const auto wide = Wide(name);
        std::copy(wide.begin(), wide.end(), desc.wszFileName);
        return loader->GetObject(&desc, IID_IDirectMusicSegment,
                                 reinterpret_cast<void**>(&segment));
    }
    HRESULT LoadSong(const Bytes& song) {
        folder.Write("tune.mid", song);
        return Load("tune.mid");
    }

    // Plays the loaded segment the way the game does, on the next beat; notes
    // when it starts, in music and reference time and in milliseconds from now.
    void Play(bool download = true) {
        EXPECT_EQ(segment->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, nullptr), S_OK);
        if (download) {
            EXPECT_GE(segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, performance), 0);
        }
        REFERENCE_TIME now = 0;
        EXPECT_EQ(performance->GetTime(&now, nullptr), S_OK);
        EXPECT_EQ(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, &segmentState), S_OK);
        EXPECT_EQ(segmentState->GetStartTime(&startMusic), S_OK);
        EXPECT_EQ(startMusic % DMUS_PPQ, 0) << "a beat-aligned start";
        EXPECT_EQ(performance->MusicToReferenceTime(startMusic, &start), S_OK);
        EXPECT_GE(start, now);
        EXPECT_LE(start - now, 5'000'000) << "within one beat at 120 bpm";
        msToStart = static_cast<std::uint32_t>((start - now) / 10'000);
    }

    // Sends a MIDI message on performance channel `pchannel` for reference
    // time `at`, or at once without one.
    void SendMidi(DWORD pchannel, BYTE status, BYTE data1, BYTE data2, REFERENCE_TIME at = 0) {
        DMUS_PMSG* raw = nullptr;
        ASSERT_EQ(performance->AllocPMsg(sizeof(DMUS_MIDI_PMSG), &raw), S_OK);
        auto* midi = reinterpret_cast<DMUS_MIDI_PMSG*>(raw);
        midi->dwType = DMUS_PMSGT_MIDI;
        midi->dwPChannel = pchannel;
        midi->bStatus = status;
        midi->bByte1 = data1;
        midi->bByte2 = data2;
        midi->rtTime = at;
        midi->dwFlags = DMUS_PMSGF_REFTIME | (at == 0 ? DMUS_PMSGF_TOOL_IMMEDIATE : 0);
        ASSERT_EQ(performance->SendPMsg(raw), S_OK);
    }

    // Takes every waiting notification as (option, music time).
    std::vector<std::pair<DWORD, MUSIC_TIME>> TakeNotifications() {
        std::vector<std::pair<DWORD, MUSIC_TIME>> taken;
        DMUS_NOTIFICATION_PMSG* message = nullptr;
        while (performance->GetNotificationPMsg(&message) == S_OK) {
            EXPECT_EQ(message->guidNotificationType, GUID_NOTIFICATION_SEGMENT);
            EXPECT_EQ(message->punkUser, segmentState);
            taken.emplace_back(message->dwNotificationOption, message->mtTime);
            EXPECT_EQ(performance->FreePMsg(reinterpret_cast<DMUS_PMSG*>(message)), S_OK);
        }
        EXPECT_EQ(message, nullptr);
        return taken;
    }

    PullBackend backend;
    WorkingFolder folder;
    IDirectSound* sound = nullptr;
    IDirectSoundBuffer* primary = nullptr;
    IDirectMusicPerformance* performance = nullptr;
    IDirectMusic* music = nullptr;
    IDirectMusicLoader* loader = nullptr;
    IDirectMusicPort* port = nullptr;
    IDirectMusicSegment* segment = nullptr;
    IDirectMusicSegmentState* segmentState = nullptr;
    DMUS_PORTCAPS portCaps{};
    MUSIC_TIME startMusic = -1;
    REFERENCE_TIME start = 0;
    std::uint32_t msToStart = 0;
};

TEST_F(DirectMusicTest, ASegmentIsHeardOnTheSynthesizerAtItsTimeAndNotifiesStartAndEnd) {
    if (!HaveSoundFont()) {
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
    StartMusic();
    OpenDefaultPort();
    EXPECT_TRUE(portCaps.dwFlags & DMUS_PC_DLS);
    EXPECT_EQ(portCaps.dwClass, DMUS_PC_OUTPUTCLASS);
    ASSERT_EQ(LoadSong(OneNoteSong(480)), S_OK); // half a second at 120 bpm
    MUSIC_TIME length = 0;
    ASSERT_EQ(segment->GetLength(&length), S_OK);
    EXPECT_EQ(length, DMUS_PPQ);

    backend.Run(130); // somewhere inside a beat, so the start waits for the next one
    Play();
    EXPECT_GT(msToStart, 0u) << "the next beat";
    EventWasSet(); // forget any earlier signal
    const auto out = Channel(backend.Run(msToStart + 1500), 2, 0);
    const std::size_t startFrame = msToStart * 441 / 10;
    EXPECT_LT(Rms(out, 0, startFrame - 441), 1e-4) << "silent before the segment starts";
    EXPECT_GT(Rms(out, startFrame + 441, startFrame + 441 * 20), 0.01) << "the note sounds";
    EXPECT_NEAR(Pitch(out, 44100, startFrame + 441 * 5, startFrame + 441 * 40), 440.0, 10.0)
        << "A4 on the piano";
    EXPECT_LT(Rms(out, startFrame + 441 * 140),
              Rms(out, startFrame + 441, startFrame + 441 * 20) / 10)
        << "the note has ended and decayed a second after its release";

    EXPECT_TRUE(EventWasSet()) << "the start and the end set the event";
    const auto notes = TakeNotifications();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0], std::make_pair(DMUS_NOTIFICATION_SEGSTART, startMusic));
    EXPECT_EQ(notes[1], std::make_pair(DMUS_NOTIFICATION_SEGEND, startMusic + length));
}

TEST_F(DirectMusicTest, ANoteDueInsideAMixingChunkStartsAtItsFrame) {
    if (!HaveSoundFont()) {
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
    StartMusic();
    OpenDefaultPort();
    // A square lead sounds from the first frames of its note.
    ASSERT_EQ(LoadSong(OneNoteSong(480, 80)), S_OK);
    ASSERT_GE(segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, performance), 0);
    SendMidi(0, 0xC0, 80, 0);
    // Frames inside the 256-frame chunks of the 441-frame pulls.
    for (const std::uint32_t frame : {1000u, 1337u, 2993u}) {
        SCOPED_TRACE(frame);
        backend.Run(2000); // the last note has died away
        REFERENCE_TIME now = 0;
        ASSERT_EQ(performance->GetTime(&now, nullptr), S_OK);
        // Frame i of what is pulled next is heard (i + 1) / 44100 s from now.
        const REFERENCE_TIME at = now + ((frame + 1) * 10'000'000LL + 44099) / 44100;
        SendMidi(0, 0x90, 81, 127, at);
        SendMidi(0, 0x80, 81, 0, at + 500'000);
        const auto out = Channel(backend.Run(100), 2, 0);
        const auto onset = static_cast<std::uint32_t>(
            std::find_if(out.begin(), out.end(), [](double v) { return std::fabs(v) > 2e-4; }) -
            out.begin());
        EXPECT_GE(onset, frame);
        EXPECT_LE(onset, frame + 8) << "a handful of frames for the synthesizer's attack";
    }
}

TEST_F(DirectMusicTest, WithoutDownloadedInstrumentsTheSynthesizerStaysSilent) {
    StartMusic();
    OpenDefaultPort();
    ASSERT_EQ(LoadSong(OneNoteSong(480)), S_OK);
    Play(false);
    EXPECT_LT(Rms(Channel(backend.Run(1500), 2, 0)), 1e-4);
    // Downloaded and unloaded again: silent as well.
    ASSERT_EQ(performance->Stop(nullptr, nullptr, 0, 0), S_OK);
    ASSERT_GE(segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, performance), 0);
    ASSERT_EQ(segment->SetParam(GUID_Unload, 0xFFFFFFFF, 0, 0, performance), S_OK);
    segmentState->Release();
    segmentState = nullptr;
    ASSERT_EQ(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, &segmentState), S_OK);
    EXPECT_LT(Rms(Channel(backend.Run(1500), 2, 0)), 1e-4);
}

TEST_F(DirectMusicTest, TempoChangesRepeatsAndStopsShowInTimeAndNotifications) {
    StartMusic();
    OpenDefaultPort();
    // One beat at 120 bpm, then one at 60 bpm: 1.5 s a pass.
    MidiTrack track;
    track.Tempo(0, 500000).Event(0, {0x90, 60, 80}).Tempo(480, 1000000).Event(480, {0x80, 60, 0});
    track.End();
    ASSERT_EQ(LoadSong(MidiFile(0, 480, {track})), S_OK);
    ASSERT_EQ(segment->SetRepeats(1), S_OK);
    Play();
    backend.Run(msToStart + 1400);
    auto notes = TakeNotifications();
    ASSERT_EQ(notes.size(), 1u) << "only the start, 1.4 s into a 1.5 s pass";
    EXPECT_EQ(notes[0].first, DMUS_NOTIFICATION_SEGSTART);
    backend.Run(200);
    notes = TakeNotifications();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], std::make_pair(DMUS_NOTIFICATION_SEGLOOP, startMusic + 2 * DMUS_PPQ));
    REFERENCE_TIME loopAt = 0;
    performance->MusicToReferenceTime(startMusic + 2 * DMUS_PPQ, &loopAt);
    EXPECT_EQ(loopAt - start, 15'000'000) << "1.5 s: a beat at 120 and a beat at 60";

    backend.Run(500);
    ASSERT_EQ(performance->Stop(nullptr, nullptr, 0, 0), S_OK);
    notes = TakeNotifications();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].first, DMUS_NOTIFICATION_SEGABORT);
    backend.Run(3000);
    EXPECT_TRUE(TakeNotifications().empty()) << "a stopped segment says nothing more";
}

TEST_F(DirectMusicTest, PlayingFromAStartPointSkipsWhatCameBefore) {
    StartMusic();
    OpenDefaultPort();
    ASSERT_EQ(LoadSong(OneNoteSong(1920)), S_OK); // four beats
    ASSERT_EQ(segment->SetStartPoint(3 * DMUS_PPQ), S_OK);
    EXPECT_EQ(segment->SetStartPoint(5 * DMUS_PPQ), DMUS_E_OUT_OF_RANGE);
    Play();
    backend.Run(2000);
    const auto notes = TakeNotifications();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1], std::make_pair(DMUS_NOTIFICATION_SEGEND, startMusic + DMUS_PPQ));
}

TEST_F(DirectMusicTest, OnlySegmentNotificationsAreOfferedAndNoneWaitsBeforePlay) {
    StartMusic();
    OpenDefaultPort();
    EXPECT_EQ(performance->AddNotificationType(GUID_NOTIFICATION_SEGMENT), S_FALSE);
    EXPECT_EQ(performance->AddNotificationType(GUID_NOTIFICATION_PERFORMANCE),
              DMUS_E_TYPE_UNSUPPORTED);
    DMUS_NOTIFICATION_PMSG* message = reinterpret_cast<DMUS_NOTIFICATION_PMSG*>(1);
    EXPECT_EQ(performance->GetNotificationPMsg(&message), S_FALSE);
    EXPECT_EQ(message, nullptr);
    EXPECT_EQ(performance->FreePMsg(reinterpret_cast<DMUS_PMSG*>(&message)), DMUS_E_CANNOT_FREE);
}

TEST_F(DirectMusicTest, LoaderFindsFilesCachesThemAndRefusesBadOnes) {
    StartMusic();
    fs::create_directory(folder.path / "Music");
    folder.Write("Music/song.mid", OneNoteSong(480));
    ASSERT_EQ(Load("Music\\song.mid"), S_OK) << "a Windows path in the search directory";
    IDirectMusicSegment* first = segment;
    segment = nullptr;
    ASSERT_EQ(Load("Music\\song.mid"), S_OK);
    EXPECT_EQ(segment, first) << "the loader's cache hands out the same segment";
    segment->Release();
    segment = nullptr;

    IDirectMusicObject* object = nullptr;
    ASSERT_EQ(first->QueryInterface(IID_IDirectMusicObject, reinterpret_cast<void**>(&object)),
              S_OK);
    EXPECT_EQ(loader->ReleaseObject(object), S_OK);
    EXPECT_EQ(loader->ReleaseObject(object), S_FALSE) << "no longer cached";
    object->Release();
    ASSERT_EQ(Load("Music\\song.mid"), S_OK);
    EXPECT_NE(segment, first) << "read afresh after ReleaseObject";
    first->Release();
    segment->Release();
    segment = nullptr;

    EXPECT_EQ(Load("missing.mid"), DMUS_E_LOADER_FAILEDOPEN);
    EXPECT_EQ(segment, nullptr);
    folder.Write("empty.mid", {});
    EXPECT_EQ(Load("empty.mid"), DMUS_E_UNSUPPORTED_STREAM);
    EXPECT_EQ(segment, nullptr);
    auto missing = Wide((folder.path / "nowhere").string());
    EXPECT_EQ(loader->SetSearchDirectory(GUID_DirectMusicAllTypes, missing.data(), FALSE),
              DMUS_E_LOADER_BADPATH);
}

TEST_F(DirectMusicTest, PortTableCreationAndChannelAssignmentFollowTheRules) {
    StartMusic();
    DMUS_PORTCAPS caps{};
    caps.dwSize = 100;
    EXPECT_EQ(music->EnumPort(0, &caps), E_INVALIDARG);
    caps.dwSize = sizeof caps;
    DWORD count = 0;
    while (music->EnumPort(count, &caps) == S_OK) {
        ++count;
        caps = DMUS_PORTCAPS{};
        caps.dwSize = sizeof caps;
    }
    EXPECT_GE(count, 1u) << "the synthesizer is always there";
    EXPECT_EQ(music->EnumPort(count, &caps), S_FALSE);
    EXPECT_EQ(caps.dwClass, 0u) << "past the last port the record is left alone";

    DMUS_PORTPARAMS8 params{};
    params.dwSize = 36;
    params.dwValidParams = DMUS_PORTPARAMS_CHANNELGROUPS;
    params.dwChannelGroups = 1;
    const GUID nowhere{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_LT(music->CreatePort(nowhere, &params, &port, nullptr), 0);
    EXPECT_EQ(port, nullptr);
    OpenDefaultPort();
    EXPECT_EQ(port->Activate(TRUE), S_FALSE) << "already active";

    // The reverb switch through IKsControl is the game's music tests' business.
    EXPECT_EQ(performance->AssignPChannelBlock(0, port, 2), E_INVALIDARG) << "one group only";
    EXPECT_EQ(performance->RemovePort(port), S_OK);
    EXPECT_EQ(performance->AssignPChannelBlock(0, port, 1), E_INVALIDARG) << "port was removed";
    EXPECT_EQ(performance->RemovePort(port), E_INVALIDARG);
}

TEST_F(DirectMusicTest, ASequencerPortLowersWhatItCannotGiveAndPlaysWhatIsSent) {
    FakeSequencer sequencer;
    StartMusic();
    constexpr DWORD kGroups = DMUS_PORTPARAMS_CHANNELGROUPS;
    constexpr DWORD kBoth = kGroups | DMUS_PORTPARAMS_EFFECTS;
    struct Ask {
        DWORD valid, groups, effects;
        HRESULT result;
        DWORD validBack, groupsBack;
    };
    const Ask asks[] = {
        {kBoth, 1, DMUS_EFFECT_REVERB, S_FALSE, kBoth,
         1},                                // the game's request: no reverb out there
        {kGroups, 4, 0, S_FALSE, kBoth, 1}, // one group of 16 channels
        // The voices and the rate are the instrument's own at the far end.
        {kGroups | DMUS_PORTPARAMS_VOICES | DMUS_PORTPARAMS_SAMPLERATE, 1, 0, S_FALSE, kBoth, 1},
        {kGroups, 1, 0, S_OK, kBoth, 1},
    };
    for (const Ask& ask : asks) {
        DMUS_PORTPARAMS8 params{36, ask.valid, 32, ask.groups, 2, 22050, ask.effects, FALSE, 0};
        EXPECT_EQ(music->CreatePort(FakeSequencer::kOutput, &params, &port, nullptr), ask.result);
        EXPECT_EQ(params.dwValidParams, ask.validBack);
        EXPECT_EQ(params.dwChannelGroups, ask.groupsBack);
        EXPECT_EQ(params.dwEffectFlags, DMUS_EFFECT_NONE);
        EXPECT_NE(port, nullptr);
        Drop(port);
    }
    DMUS_PORTPARAMS8 params{36, kGroups, 0, 1, 0, 0, 0, FALSE, 0};
    EXPECT_EQ(music->CreatePort(FakeSequencer::kInput, &params, &port, nullptr), E_INVALIDARG);

    // Set up as the game sets up its port, it plays what the performance sends.
    params = DMUS_PORTPARAMS8{36, kBoth, 0, 1, 0, 0, DMUS_EFFECT_REVERB, FALSE, 0};
    ASSERT_EQ(music->CreatePort(FakeSequencer::kOutput, &params, &port, nullptr), S_FALSE);
    ASSERT_EQ(port->Activate(TRUE), S_OK);
    EXPECT_TRUE(sequencer.Active());
    ASSERT_EQ(performance->AddPort(port), S_OK);
    ASSERT_EQ(performance->AssignPChannelBlock(0, port, 1), S_OK);
    SendMidi(3, 0x90, 60, 100);
    EXPECT_EQ(sequencer.Heard(), (std::vector<std::vector<std::uint8_t>>{{0x93, 60, 100}}));
}

TEST_F(DirectMusicTest, TheGeneralMidiResetIsSentAsTheGameBuildsIt) {
    StartMusic();
    OpenDefaultPort();
    DMUS_PMSG* raw = nullptr;
    // 70 bytes: the system-exclusive message of a 32-bit program with 6 data bytes.
    ASSERT_EQ(performance->AllocPMsg(70, &raw), S_OK);
    auto* sysex = reinterpret_cast<DMUS_SYSEX_PMSG*>(raw);
    sysex->dwSize = 64;
    sysex->dwType = DMUS_PMSGT_SYSEX;
    sysex->dwGroupID = 0xFFFFFFFF;
    sysex->dwLen = 6;
    const BYTE gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    std::copy(std::begin(gmOn), std::end(gmOn), sysex->abData);
    EXPECT_EQ(performance->SendPMsg(raw), E_INVALIDARG) << "no time set yet";
    ASSERT_EQ(performance->GetTime(nullptr, &sysex->mtTime), S_OK);
    sysex->dwFlags = DMUS_PMSGF_MUSICTIME | DMUS_PMSGF_TOOL_IMMEDIATE;
    EXPECT_EQ(performance->SendPMsg(raw), S_OK);
    EXPECT_EQ(performance->FreePMsg(raw), DMUS_E_CANNOT_FREE) << "sent messages belong to it";

    ASSERT_EQ(performance->AllocPMsg(70, &raw), S_OK);
    sysex = reinterpret_cast<DMUS_SYSEX_PMSG*>(raw);
    sysex->dwType = DMUS_PMSGT_SYSEX;
    sysex->dwLen = 4000; // far past the allocation
    sysex->dwFlags = DMUS_PMSGF_MUSICTIME;
    EXPECT_EQ(performance->SendPMsg(raw), E_INVALIDARG);
    EXPECT_EQ(performance->FreePMsg(raw), S_OK);
    EXPECT_EQ(performance->AllocPMsg(10, &raw), E_INVALIDARG);
}

TEST_F(DirectMusicTest, ComStartsPerThreadAndMakesOnlyItsClasses) {
    void* object = nullptr;
    auto create = [&](REFCLSID type, REFIID interface, IUnknown* outer = nullptr) {
        return CoCreateInstance(type, outer, CLSCTX_INPROC, interface, &object);
    };
    EXPECT_EQ(create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader), CO_E_NOTINITIALIZED);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    EXPECT_EQ(create(CLSID_DirectMusicSegmentState, IID_IUnknown), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(create(CLSID_DirectMusicLoader, IID_IDirectMusicPerformance), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(
        create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, reinterpret_cast<IUnknown*>(sound)),
        CLASS_E_NOAGGREGATION);
}

TEST_F(DirectMusicTest, EveryOperationTheGameChecksHonoursAnInjectedFault) {
    const HRESULT fault = static_cast<HRESULT>(0x88781234);
    platform::InjectFault("CoInitialize", fault, 1);
    EXPECT_EQ(CoInitialize(nullptr), fault);
    // CoCreateInstance, the port's set-up, SetParam, PlaySegment and
    // SetSearchDirectory are failed by the game's own tests, which see their
    // messages only if the fault is honoured.
    struct Step {
        const char* name;
        std::function<HRESULT()> call;
    };
    StartMusic();
    folder.Write("tune.mid", OneNoteSong(480));
    DMUS_PORTCAPS caps{};
    caps.dwSize = sizeof caps;
    std::vector<Step> steps = {
        {"IDirectMusic::EnumPort", [&] { return music->EnumPort(0, &caps); }},
        {"IDirectMusic::GetDefaultPort", [&] { return music->GetDefaultPort(&caps.guidPort); }},
        {"IDirectMusicLoader::GetObject", [&] { return Load("tune.mid"); }},
        {"IDirectMusicPerformance::GetTime",
         [&] { return performance->GetTime(nullptr, nullptr); }},
        {"IDirectMusicPerformance::AllocPMsg",
         [&] {
             DMUS_PMSG* message = nullptr;
             const HRESULT result = performance->AllocPMsg(70, &message);
             if (message) {
                 performance->FreePMsg(message);
             }
             return result;
         }},
        {"IDirectMusicPerformance::SetNotificationHandle",
         [&] { return performance->SetNotificationHandle(nullptr, 0); }},
        {"IDirectMusicPerformance::AddNotificationType",
         [&] { return performance->AddNotificationType(GUID_NOTIFICATION_SEGMENT); }},
        {"IDirectMusicPerformance::GetNotificationPMsg",
         [&] {
             DMUS_NOTIFICATION_PMSG* message = nullptr;
             const HRESULT result = performance->GetNotificationPMsg(&message);
             if (message) {
                 performance->FreePMsg(reinterpret_cast<DMUS_PMSG*>(message));
             }
             return result;
         }},
    };
    for (const Step& step : steps) {
        platform::InjectFault(step.name, fault, 1);
        EXPECT_EQ(step.call(), fault) << step.name;
        EXPECT_GE(step.call(), 0) << step.name << " works again once the fault is spent";
    }
    // Init last, on a performance of its own.
    auto* second =
        Make<IDirectMusicPerformance>(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance);
    platform::InjectFault("IDirectMusicPerformance::Init", fault, 1);
    IDirectMusic* unused = nullptr;
    EXPECT_EQ(second->Init(&unused, sound, FakeWindow()), fault);
    EXPECT_EQ(unused, nullptr);
    second->Release();
}

TEST_F(DirectMusicTest, MusicAndReferenceTimeFollowTheBackendClock) {
    StartMusic();
    REFERENCE_TIME reference0 = 0, reference1 = 0;
    MUSIC_TIME music0 = 0, music1 = 0;
    ASSERT_EQ(performance->GetTime(&reference0, &music0), S_OK);
    backend.now += 1000; // nothing pulls: the clock alone moves time
    ASSERT_EQ(performance->GetTime(&reference1, &music1), S_OK);
    EXPECT_EQ(reference1 - reference0, 10'000'000) << "100 ns units";
    EXPECT_EQ(music1 - music0, 2 * DMUS_PPQ) << "two beats a second at the default 120 bpm";
}

TEST_F(DirectMusicTest, WithoutASoundFontTheSynthesizerIsSilentButEverythingWorks) {
    platform::audio::SoundFontPlaces() = {(folder.path / "none.sf2").string()};
    StartMusic();
    testing::internal::CaptureStderr();
    OpenDefaultPort();
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_NE(warning.find("SoundFont"), std::string::npos) << warning;
    ASSERT_EQ(LoadSong(OneNoteSong(240)), S_OK);
    EXPECT_EQ(segment->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, nullptr), S_OK);
    EXPECT_EQ(segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, performance),
              DMUS_S_PARTIALDOWNLOAD)
        << "a success code: the game goes on";
    ASSERT_EQ(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, &segmentState), S_OK);
    EXPECT_LT(Rms(Channel(backend.Run(1500), 2, 0)), 1e-6);
    const auto notes = TakeNotifications();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1].first, DMUS_NOTIFICATION_SEGEND);
}

// Everything the audio layer makes in 1.5 s of virtual time: a looping
// DirectSound tone and a two-note segment on the synthesizer.
std::vector<std::int16_t> RecordScene() {
    PullBackend backend;
    IDirectSound* sound = nullptr;
    DirectSoundCreate(nullptr, &sound, nullptr);
    sound->SetCooperativeLevel(FakeWindow(), DSSCL_PRIORITY);
    Bytes pattern(1000);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        pattern[i] = static_cast<std::uint8_t>((i * 7) % 64 + 100);
    }
    FilledBuffer(sound, Pcm(11025, 1, 8), pattern)->Play(0, 0, DSBPLAY_LOOPING);

    CoInitialize(nullptr);
    auto* performance =
        Make<IDirectMusicPerformance>(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance);
    IDirectMusic* music = nullptr;
    performance->Init(&music, sound, FakeWindow());
    performance->AddPort(nullptr);
    auto* loader = Make<IDirectMusicLoader>(CLSID_DirectMusicLoader, IID_IDirectMusicLoader);
    MidiTrack track;
    track.Event(0, {0xC0, 40}).Event(0, {0x90, 64, 100}).Event(240, {0x90, 71, 90});
    track.Event(240, {0x80, 64, 0}).Event(0, {0x80, 71, 0}).End();
    auto song = MidiFile(0, 480, {track});
    DMUS_OBJECTDESC desc = InMemory(song);
    IDirectMusicSegment* segment = nullptr;
    loader->GetObject(&desc, IID_IDirectMusicSegment, reinterpret_cast<void**>(&segment));
    segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, performance);
    performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, nullptr);

    auto out = backend.Run(1500);
    segment->Release();
    performance->CloseDown();
    performance->Release();
    music->Release();
    loader->Release();
    CoUninitialize();
    sound->Release();
    return out;
}

TEST(AudioDeterminism, TheSameSceneOnTheVirtualClockSoundsTheSameToTheSample) {
    const auto first = RecordScene();
    const auto second = RecordScene();
    ASSERT_EQ(first.size(), second.size());
    EXPECT_GT(Rms(Channel(first, 2, 0)), 0.01);
    EXPECT_TRUE(first == second);
}

} // namespace
