// The game's music half on the real DirectMusic layer: start-up with its
// notification thread and what shutdown and a failed start let go, a MIDI
// file made here heard on the synthesizer, pausing and resuming at the place
// reached, one notification taken per message with the end of the segment
// starting it again, and every failure message in its order.
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "music_fixture.h"

namespace {

using namespace music_test;

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
