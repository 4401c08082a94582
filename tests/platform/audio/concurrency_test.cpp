// The audio thread and the game thread together: a backend that pulls from a
// thread of its own, as a real audio device does, while the game thread plays,
// stops, rewrites and releases buffers and plays, stops and unloads music.
// Run under ThreadSanitizer this shows the locking is sound; in every build
// it shows nothing deadlocks and the pulls go on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "audio_kit.h"
#include "midi_builder.h"

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

TEST(AudioThreads, GameThreadCallsWhileTheAudioThreadPulls) {
    ThreadedBackend backend;
    IDirectSound* sound = nullptr;
    IDirectSoundBuffer* primary = nullptr;
    OpenDevice(sound, primary);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    auto* performance =
        Make<IDirectMusicPerformance>(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance);
    IDirectMusic* music = nullptr;
    ASSERT_EQ(performance->Init(&music, sound, FakeWindow()), S_OK);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    performance->SetNotificationHandle(event, 0);
    performance->AddNotificationType(GUID_NOTIFICATION_SEGMENT);
    ASSERT_EQ(performance->AddPort(nullptr), S_OK) << "the default port, on block 0";
    auto* loader = Make<IDirectMusicLoader>(CLSID_DirectMusicLoader, IID_IDirectMusicLoader);
    auto song = OneNoteSong(60);
    DMUS_OBJECTDESC desc = InMemory(song);
    const Bytes samples = ToneSamples(22050, 1, 16, 440.0, 2205);

    for (int round = 0; round < 40; ++round) {
        IDirectSoundBuffer* buffer = FilledBuffer(sound, Pcm(22050, 1, 16), samples);
        ASSERT_NE(buffer, nullptr);
        buffer->Play(0, 0, round % 2 ? DSBPLAY_LOOPING : 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
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
    // The audio thread still runs: it pulls again soon, however loaded the
    // machine is.
    const int pullsBefore = backend.pulls;
    for (int waited = 0; waited < 2000 && backend.pulls <= pullsBefore; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
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
