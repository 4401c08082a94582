// The game's sound and music with a backend that pulls from a thread of its
// own, as a real sound device does, on the real clock: the main thread
// loads, plays, stops and restarts sounds and plays, pauses and reloads music
// while the audio thread mixes and the notification thread posts messages
// for the segment's notifications. In every build the test checks that
// nothing deadlocks, the pulls go on hearing the sounds and the
// notifications arrive as messages; the ThreadSanitizer build runs the same
// test and fails it on any data race between the three threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "audio/audio_system.h"
#include "audio_test_support.h"

namespace {

using namespace std::chrono_literals;

class ThreadedBackend final : public TestBackend {
public:
    ~ThreadedBackend() override { CloseAudio(); }

    std::uint32_t NowMilliseconds() override {
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    }
    bool OpenAudio(std::uint32_t, std::uint32_t channels, platform::AudioSource* source) override {
        CloseAudio();
        running = true;
        puller = std::thread([this, channels, source] {
            std::vector<std::int16_t> block(512 * channels);
            while (running) {
                source->Mix(block.data(), 512);
                heard += std::count_if(block.begin(), block.end(), [](auto s) { return s != 0; });
                ++pulls;
                std::this_thread::sleep_for(500us);
            }
        });
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
    std::atomic<long> heard{0}; // samples that were not silence
    std::thread puller;
};

TEST(AudioThreads, TheMainThreadPlaysAndStopsWhileTheAudioAndNotificationThreadsRun) {
    ThreadedBackend backend;
    WorkingFolder folder;
    TestWindow window;
    AudioSystem audio;
    audio.window = window.handle;
    window.onMusicReady = [&] { audio.EnumerateMidiPorts(); };
    window.onMusicNotify = [&] { audio.OnMusicNotification(); };
    ASSERT_EQ(audio.InitSound(), 1);
    ASSERT_EQ(audio.InitMusic(), 1);
    folder.Write("Wave/tone.wav", WaveFile(22050, 1, 16, ToneSamples(22050, 1, 16, 440, 2205)));
    folder.Write("tune.mid", OneNoteSong(60));

    for (int round = 0; round < 30; ++round) {
        SoundSlot& slot = audio.slots[round % 2];
        ASSERT_EQ(audio.LoadSlot(slot, "Wave\\tone.wav"), 1);
        // Each call is followed by a pause in which the audio thread mixes,
        // so that its reads meet the main thread's writes before the main
        // thread's next call; that is where a missing lock shows.
        audio.PlaySlot(slot, round % 3);
        std::this_thread::sleep_for(2ms);
        audio.SetMusicFile("tune.mid");
        audio.RepeatMusic();
        std::this_thread::sleep_for(1ms);
        window.Pump();
        audio.StopSlot(slot);
        std::this_thread::sleep_for(1ms);
        audio.PlaySlot(slot, 1);
        std::this_thread::sleep_for(1ms);
        audio.ToggleMusicPause();
        audio.ToggleMusicPause();
        window.Pump();
    }
    const int pullsBefore = backend.pulls;
    for (int i = 0; i < 2000 && (window.musicNotifies == 0 || backend.pulls < pullsBefore + 10);
         ++i) {
        std::this_thread::sleep_for(1ms); // the segment starts on the next beat
        window.Pump();
    }
    EXPECT_GT(window.musicNotifies, 0) << "the segment's notifications came as messages";
    EXPECT_GE(backend.pulls, pullsBefore + 10) << "the audio thread still pulls";
    EXPECT_GT(backend.heard, 0) << "and heard the sounds";
    EXPECT_TRUE(backend.Boxes().empty());

    audio.ShutdownMusic();
    audio.ReleaseSound();
    audio.FreeMidiPortTable();
    EXPECT_FALSE(backend.running) << "releasing the device closed the output";
}

} // namespace
