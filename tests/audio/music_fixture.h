// What the music tests share: a MIDI file of four notes, a scripted list of
// ports in front of the real DirectMusic object, a fake MIDI sequencer with
// one ALSA-like output, and the fixture that starts the game's sound and
// music half on the real DirectMusic layer.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audio/audio_system.h"
#include "audio/music_port.h"
#include "audio_test_support.h"
#include "platform/faults.h"
#include "platform/lifetimes.h"
#include "platform/sound.h"

namespace music_test {

constexpr std::int32_t FAIL = static_cast<std::int32_t>(0x80004005);
constexpr MUSIC_TIME kBeat = DMUS_PPQ; // 500 ms at the default 120 bpm

// Four beats of piano at 120 bpm, one note a beat: A3, E4, A4, E5.
inline Bytes FourNotes() {
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

inline GUID PortGuid(std::uint32_t n) {
    return GUID{0x51A70000u + n, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
}

constexpr DWORD IN = DMUS_PC_INPUTCLASS;
constexpr DWORD OUT = DMUS_PC_OUTPUTCLASS;

// Port records of the given classes, taking instruments.
inline std::vector<DMUS_PORTCAPS> Ports(const std::vector<DWORD>& classes) {
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
        EXPECT_EQ(platform::LiveObjects(), 0) << "whatever the test did, shutdown let it all go";
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

} // namespace music_test
