// DirectSound through a pull backend: the device opens the output at the
// primary buffer's format, and secondary buffers of every PCM format the WAV
// reader can hand over are heard at their pitch and length, looping without
// a gap, stopping where they are.
#include <gtest/gtest.h>

#include "audio_kit.h"
#include "platform/faults.h"
#include "platform/sound.h"

namespace {

class DirectSoundTest : public ::testing::Test {
protected:
    void SetUp() override { OpenDevice(sound, primary); }
    void TearDown() override {
        Drop(sound); // releases the buffers too
        platform::ClearFaults();
    }
    // A secondary buffer holding a half-scale sine of `hz` on every channel.
    IDirectSoundBuffer* Tone(DWORD rate, WORD channels, WORD bits, double hz, DWORD frames,
                             DWORD flags = 0xE0) {
        return FilledBuffer(sound, Pcm(rate, channels, bits),
                            ToneSamples(rate, channels, bits, hz, frames), flags);
    }

    PullBackend backend;
    IDirectSound* sound = nullptr;
    IDirectSoundBuffer* primary = nullptr;
};

DWORD PlayPosition(IDirectSoundBuffer* buffer) {
    return platform::StateOf(buffer).position;
}

TEST_F(DirectSoundTest, PrimaryFormatSetsTheOutputAndTheDeviceHasOneOwnerAtALevel) {
    EXPECT_EQ(backend.rate, 44100u);
    WAVEFORMATEX format = Pcm(22050, 1, 16);
    ASSERT_EQ(primary->SetFormat(&format), DS_OK);
    EXPECT_EQ(backend.rate, 22050u);
    EXPECT_EQ(backend.channels, 1u);
    format.wFormatTag = 3; // floating point is not a primary format here
    EXPECT_EQ(primary->SetFormat(&format), DSERR_BADFORMAT);
    format.wFormatTag = WAVE_FORMAT_PCM;

    IDirectSound* second = nullptr;
    EXPECT_EQ(DirectSoundCreate(nullptr, &second, nullptr), DSERR_ALLOCATED)
        << "the output has one owner";
    Drop(sound);
    EXPECT_EQ(backend.source, nullptr) << "releasing the device closes the output";

    // Free again. Buffers need a cooperative level, the format the priority one.
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE_WIN32;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    EXPECT_EQ(sound->CreateSoundBuffer(&desc, &primary, nullptr), DSERR_UNINITIALIZED);
    EXPECT_EQ(sound->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DSERR_INVALIDPARAM);
    ASSERT_EQ(sound->SetCooperativeLevel(FakeWindow(), DSSCL_NORMAL), DS_OK);
    ASSERT_EQ(sound->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    EXPECT_EQ(primary->SetFormat(&format), DSERR_PRIOLEVELNEEDED);

    Drop(sound);
    backend.refuseAudio = true;
    sound = reinterpret_cast<IDirectSound*>(1);
    EXPECT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(sound, nullptr);
}

struct ToneShape {
    DWORD rate;
    WORD channels;
    WORD bits;
};

class ToneFormats : public DirectSoundTest, public ::testing::WithParamInterface<ToneShape> {};

TEST_P(ToneFormats, OneShotIsHeardAtItsPitchForItsLengthThenStops) {
    const ToneShape s = GetParam();
    IDirectSoundBuffer* tone = Tone(s.rate, s.channels, s.bits, 440.0, s.rate / 2); // 0.5 s
    ASSERT_NE(tone, nullptr);
    ASSERT_EQ(tone->Play(0, 0, 0), DS_OK);
    const auto out = backend.Run(800);
    for (unsigned c = 0; c < 2; ++c) {
        const auto ch = Channel(out, 2, c);
        EXPECT_NEAR(Pitch(ch, 44100, 441, 44100 * 4 / 10), 440.0, 4.0) << "channel " << c;
        EXPECT_NEAR(Rms(ch, 441, 44100 * 47 / 100), 0.5 / std::sqrt(2.0), 0.03);
        EXPECT_LT(Rms(ch, 44100 * 53 / 100), 1e-3) << "nothing after the buffer's end";
    }
    EXPECT_FALSE(platform::StateOf(tone).playing) << "a one-shot stops at its end";
}

INSTANTIATE_TEST_SUITE_P(PcmFormats, ToneFormats,
                         ::testing::Values(ToneShape{11025, 1, 8}, ToneShape{22050, 1, 16},
                                           ToneShape{48000, 2, 16}, ToneShape{8000, 2, 8},
                                           ToneShape{44100, 2, 16}));

TEST_F(DirectSoundTest, LoopingHasNoGapOrClickAtTheSeam) {
    // 44 whole periods of 441 Hz at 22050 Hz: a seamless loop of 0.1 s.
    IDirectSoundBuffer* tone = Tone(22050, 1, 16, 441.0, 2200);
    ASSERT_NE(tone, nullptr);
    ASSERT_EQ(tone->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    const auto left = Channel(backend.Run(1000), 2, 0);
    double worstStep = 0.0;
    for (std::size_t i = 200; i < left.size(); ++i) {
        worstStep = std::max(worstStep, std::abs(left[i] - left[i - 1]));
    }
    // A 441 Hz sine at half scale moves at most 2 pi 441 / 44100 / 2 per sample.
    EXPECT_LT(worstStep, 0.04);
    for (std::size_t from = 441; from + 441 <= left.size(); from += 441) {
        EXPECT_NEAR(Rms(left, from, from + 441), 0.5 / std::sqrt(2.0), 0.02) << "at " << from;
    }
    EXPECT_TRUE(platform::StateOf(tone).looping);
}

TEST_F(DirectSoundTest, StopKeepsThePositionAndARewindPastTheEndIsRefused) {
    IDirectSoundBuffer* tone = Tone(22050, 1, 16, 300.0, 22050); // 1 s
    ASSERT_NE(tone, nullptr);
    tone->Play(0, 0, DSBPLAY_LOOPING);
    backend.Run(300);
    ASSERT_EQ(tone->Stop(), DS_OK);
    const DWORD play = PlayPosition(tone);
    EXPECT_NEAR(static_cast<double>(play), 0.3 * 22050 * 2, 0.02 * 22050 * 2);
    EXPECT_LT(Rms(Channel(backend.Run(200), 2, 0)), 1e-3) << "a stopped buffer is silent";
    EXPECT_EQ(PlayPosition(tone), play) << "time passing does not move a stopped buffer";
    // Playing on from there, and rewinding to restart, are heard in the WAV
    // reader's restart-and-loop test.
    EXPECT_EQ(tone->SetCurrentPosition(22050 * 2), DSERR_INVALIDPARAM) << "past the end";
}

TEST_F(DirectSoundTest, LockFromTheWriteCursorSplitsAtTheEndAndUnlockCommits) {
    IDirectSoundBuffer* tone = Tone(22050, 1, 16, 300.0, 22050);
    ASSERT_NE(tone, nullptr);
    tone->Play(0, 0, 0);
    backend.Run(250);
    tone->Stop();
    const DWORD play = PlayPosition(tone);
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(tone->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER),
              DS_OK);
    EXPECT_EQ(n1, 22050u * 2 - play);
    EXPECT_EQ(n2, play);
    EXPECT_NE(p2, nullptr);
    EXPECT_EQ(tone->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DSERR_INVALIDPARAM)
        << "one lock at a time";
    std::memset(p1, 0, n1);
    std::memset(p2, 0, n2);
    ASSERT_EQ(tone->Unlock(p1, n1, p2, n2), DS_OK);
    tone->SetCurrentPosition(0);
    tone->Play(0, 0, 0);
    EXPECT_LT(Rms(Channel(backend.Run(500), 2, 0)), 1e-3) << "the zeros were committed";
    EXPECT_EQ(tone->Unlock(p1, n1, p2, n2), DSERR_INVALIDCALL);
}

TEST_F(DirectSoundTest, BadDescriptionsAreRefused) {
    WAVEFORMATEX format = Pcm(22050, 1, 16);
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwBufferBytes = 4000;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    format.wFormatTag = 3;
    EXPECT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    format = Pcm(22050, 1, 24);
    EXPECT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    format = Pcm(22050, 0, 16);
    EXPECT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    format = Pcm(22050, 1, 16);
    desc.dwBufferBytes = 0;
    EXPECT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    desc.dwBufferBytes = 4000;
    desc.dwSize = 20;
    EXPECT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer, nullptr);
}

TEST_F(DirectSoundTest, EveryCheckedOperationFailsWithTheInjectedResult) {
    const WAVEFORMATEX format = Pcm(44100, 2, 16);
    platform::InjectFault("IDirectSoundBuffer::SetFormat", DSERR_BADFORMAT, 1);
    EXPECT_EQ(primary->SetFormat(&format), DSERR_BADFORMAT);
    platform::InjectFault("IDirectSound::SetCooperativeLevel", E_FAIL, 1);
    EXPECT_EQ(sound->SetCooperativeLevel(FakeWindow(), DSSCL_PRIORITY), E_FAIL);
    EXPECT_EQ(sound->SetCooperativeLevel(FakeWindow(), DSSCL_PRIORITY), DS_OK) << "spent";
    Drop(sound);
    const int opens = backend.opens;
    const auto injected = static_cast<HRESULT>(0x88780078);
    platform::InjectFault("DirectSoundCreate", injected, 1);
    EXPECT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), injected);
    EXPECT_EQ(backend.opens, opens) << "a failed create opens nothing";
    // CreateSoundBuffer and Lock are failed by the WAV reader's tests.
}

} // namespace
