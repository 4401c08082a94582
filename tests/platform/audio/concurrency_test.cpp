// The audio thread and the game thread together: a backend that pulls from a
// thread of its own, as a real audio device does, while the game thread plays,
// stops, rewrites and releases buffers and plays, stops and unloads music.
// Run under ThreadSanitizer this shows the locking is sound; in every build
// it shows nothing deadlocks and the pulls go on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "midi_builder.h"
#include "platform/backend.h"
#include "winapi.h"

namespace {

class ThreadedBackend final : public platform::Backend {
public:
    ThreadedBackend() { platform::InstallBackend(this); }
    ~ThreadedBackend() override {
        CloseAudio();
        platform::InstallBackend(nullptr);
    }

    std::uint32_t NowMilliseconds() override {
        using namespace std::chrono;
        return static_cast<std::uint32_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }

    bool OpenAudio(std::uint32_t rate, std::uint32_t channels,
                   platform::AudioSource* source) override {
        CloseAudio();
        running = true;
        puller = std::thread([this, channels, source] {
            std::vector<std::int16_t> block(512 * channels);
            while (running) {
                source->Mix(block.data(), 512);
                for (std::int16_t s : block) {
                    if (s != 0) {
                        ++nonSilentSamples;
                    }
                }
                ++pulls;
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        });
        (void)rate;
        return true;
    }

    void CloseAudio() override {
        running = false;
        if (puller.joinable()) {
            puller.join();
        }
    }

    std::atomic<bool> running{false};
    std::atomic<int> pulls{0};
    std::atomic<long> nonSilentSamples{0};
    std::thread puller;
};

HWND FakeWindow() {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
}

TEST(AudioThreads, GameThreadCallsWhileTheAudioThreadPulls) {
    ThreadedBackend backend;
    IDirectSound* sound = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
    ASSERT_EQ(sound->SetCooperativeLevel(FakeWindow(), DSSCL_PRIORITY), DS_OK);
    DSBUFFERDESC primaryDesc{};
    primaryDesc.dwSize = DSBUFFERDESC_SIZE_WIN32;
    primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(sound->CreateSoundBuffer(&primaryDesc, &primary, nullptr), DS_OK);
    WAVEFORMATEX output{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    ASSERT_EQ(primary->SetFormat(&output), DS_OK);

    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    IDirectMusicPerformance* performance = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC,
                               IID_IDirectMusicPerformance, reinterpret_cast<void**>(&performance)),
              S_OK);
    IDirectMusic* music = nullptr;
    ASSERT_EQ(performance->Init(&music, sound, FakeWindow()), S_OK);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    performance->SetNotificationHandle(event, 0);
    performance->AddNotificationType(GUID_NOTIFICATION_SEGMENT);
    ASSERT_EQ(performance->AddPort(nullptr), S_OK) << "the default port, on block 0";

    IDirectMusicLoader* loader = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC,
                               IID_IDirectMusicLoader, reinterpret_cast<void**>(&loader)),
              S_OK);
    auto song = OneNoteSong(60);
    DMUS_OBJECTDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_MEMORY;
    desc.guidClass = CLSID_DirectMusicSegment;
    desc.pbMemData = song.data();
    desc.llMemLength = static_cast<LONGLONG>(song.size());

    WAVEFORMATEX mono{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
    DSBUFFERDESC desc2{};
    desc2.dwSize = sizeof desc2;
    desc2.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;
    desc2.dwBufferBytes = 4410;
    desc2.lpwfxFormat = &mono;

    for (int round = 0; round < 40; ++round) {
        IDirectSoundBuffer* buffer = nullptr;
        ASSERT_EQ(sound->CreateSoundBuffer(&desc2, &buffer, nullptr), DS_OK);
        void* p1 = nullptr;
        void* p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        ASSERT_EQ(
            buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER),
            DS_OK);
        for (DWORD i = 0; i + 1 < n1; i += 2) {
            const auto s = static_cast<std::int16_t>((i % 100) * 300 - 15000);
            std::memcpy(static_cast<char*>(p1) + i, &s, 2);
        }
        buffer->Unlock(p1, n1, p2, n2);
        buffer->Play(0, 0, round % 2 ? DSBPLAY_LOOPING : 0);
        buffer->SetVolume(-100 * (round % 10));
        buffer->SetFrequency(11025 + 1000 * static_cast<DWORD>(round));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        DWORD position = 0;
        buffer->GetCurrentPosition(&position, nullptr);
        buffer->Stop();
        buffer->SetCurrentPosition(0);
        buffer->Play(0, 0, DSBPLAY_LOOPING);

        IDirectMusicSegment* segment = nullptr;
        ASSERT_EQ(
            loader->GetObject(&desc, IID_IDirectMusicSegment, reinterpret_cast<void**>(&segment)),
            S_OK);
        segment->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, nullptr);
        segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, performance);
        segment->SetRepeats(3);
        IDirectMusicSegmentState* state = nullptr;
        ASSERT_EQ(performance->PlaySegment(segment, 0, 0, &state), S_OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        DMUS_NOTIFICATION_PMSG* note = nullptr;
        while (performance->GetNotificationPMsg(&note) == S_OK) {
            performance->FreePMsg(reinterpret_cast<DMUS_PMSG*>(note));
        }
        if (round % 3 == 0) {
            performance->Stop(nullptr, nullptr, 0, 0);
        }
        segment->SetParam(GUID_Unload, 0xFFFFFFFF, 0, 0, performance);
        state->Release();
        segment->Release();
        if (round % 4 == 0) {
            buffer->Release(); // others go with the device
        }
    }
    const int pullsBefore = backend.pulls;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GT(backend.pulls, pullsBefore) << "the audio thread still runs";
    EXPECT_GT(backend.nonSilentSamples, 0);

    performance->CloseDown();
    performance->Release();
    music->Release();
    loader->Release();
    CoUninitialize();
    sound->Release();
    EXPECT_FALSE(backend.running) << "releasing the device closed the output";
}

} // namespace
