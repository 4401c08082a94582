// DirectSound through a pull backend: the device opens the output at the
// primary buffer's format, and secondary buffers of every PCM format the WAV
// reader can hand over are heard at their pitch and length, looping without
// a gap, stopping where they are.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/faults.h"
#include "pull_backend.h"
#include "winapi.h"

namespace {

HWND FakeWindow() {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
}

struct Device {
    IDirectSound* sound = nullptr;
    IDirectSoundBuffer* primary = nullptr;

    ~Device() {
        if (sound) {
            sound->Release(); // releases the buffers too
        }
    }
};

void OpenDevice(Device& device, DWORD rate = 44100, WORD channels = 2) {
    ASSERT_EQ(DirectSoundCreate(nullptr, &device.sound, nullptr), DS_OK);
    ASSERT_EQ(device.sound->SetCooperativeLevel(FakeWindow(), DSSCL_PRIORITY), DS_OK);
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE_WIN32;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    ASSERT_EQ(device.sound->CreateSoundBuffer(&desc, &device.primary, nullptr), DS_OK);
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(channels * 2);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    ASSERT_EQ(device.primary->SetFormat(&format), DS_OK);
}

struct ToneShape {
    DWORD rate;
    WORD channels;
    WORD bits;
};

// A secondary buffer filled, through Lock and Unlock, with a sine tone of
// `hz` at half scale on every channel.
IDirectSoundBuffer* MakeTone(IDirectSound* sound, ToneShape shape, double hz, DWORD frames,
                             DWORD flags = 0xE0) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = shape.channels;
    format.nSamplesPerSec = shape.rate;
    format.wBitsPerSample = shape.bits;
    format.nBlockAlign = static_cast<WORD>(shape.channels * shape.bits / 8);
    format.nAvgBytesPerSec = shape.rate * format.nBlockAlign;
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(DSBUFFERDESC);
    desc.dwFlags = flags;
    desc.dwBufferBytes = frames * format.nBlockAlign;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    if (sound->CreateSoundBuffer(&desc, &buffer, nullptr) != DS_OK) {
        return nullptr;
    }
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER) !=
        DS_OK) {
        return nullptr;
    }
    auto* bytes = static_cast<std::uint8_t*>(p1);
    for (DWORD f = 0; f < frames; ++f) {
        const double v = 0.5 * std::sin(2.0 * M_PI * hz * f / shape.rate);
        for (WORD c = 0; c < shape.channels; ++c) {
            if (shape.bits == 8) {
                *bytes++ = static_cast<std::uint8_t>(std::lround(128.0 + v * 127.0));
            } else {
                const auto s = static_cast<std::int16_t>(std::lround(v * 32767.0));
                std::memcpy(bytes, &s, 2);
                bytes += 2;
            }
        }
    }
    buffer->Unlock(p1, n1, p2, n2);
    return buffer;
}

TEST(DirectSoundDevice, PrimaryFormatSetsTheOutputAndMissingAudioFailsCreation) {
    PullBackend backend;
    {
        Device device;
        OpenDevice(device, 22050, 1);
        EXPECT_EQ(backend.rate, 22050u);
        EXPECT_EQ(backend.channels, 1u);
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = 44100;
        format.wBitsPerSample = 16;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = 176400;
        ASSERT_EQ(device.primary->SetFormat(&format), DS_OK);
        EXPECT_EQ(backend.rate, 44100u);
        EXPECT_EQ(backend.channels, 2u);
        WAVEFORMATEX back{};
        DWORD written = 0;
        ASSERT_EQ(device.primary->GetFormat(&back, sizeof back, &written), DS_OK);
        EXPECT_EQ(back.nSamplesPerSec, 44100u);
        EXPECT_EQ(back.nBlockAlign, 4);
        format.wFormatTag = 3; // floating point is not a primary format here
        EXPECT_EQ(device.primary->SetFormat(&format), DSERR_BADFORMAT);
    }
    EXPECT_EQ(backend.source, nullptr) << "releasing the device closes the output";

    IDirectSound* first = nullptr;
    IDirectSound* second = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &first, nullptr), DS_OK);
    EXPECT_EQ(DirectSoundCreate(nullptr, &second, nullptr), DSERR_ALLOCATED)
        << "the output has one owner";
    first->Release();
    ASSERT_EQ(DirectSoundCreate(nullptr, &second, nullptr), DS_OK) << "free again";
    second->Release();

    backend.refuseAudio = true;
    IDirectSound* sound = reinterpret_cast<IDirectSound*>(1);
    EXPECT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(sound, nullptr);
}

TEST(DirectSoundDevice, SetFormatNeedsThePriorityLevelAndBuffersNeedALevel) {
    PullBackend backend;
    IDirectSound* sound = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE_WIN32;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    EXPECT_EQ(sound->CreateSoundBuffer(&desc, &primary, nullptr), DSERR_UNINITIALIZED);
    EXPECT_EQ(sound->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DSERR_INVALIDPARAM);
    ASSERT_EQ(sound->SetCooperativeLevel(FakeWindow(), DSSCL_NORMAL), DS_OK);
    ASSERT_EQ(sound->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    EXPECT_EQ(primary->SetFormat(&format), DSERR_PRIOLEVELNEEDED);
    sound->Release();
}

class ToneFormats : public ::testing::TestWithParam<ToneShape> {};

TEST_P(ToneFormats, OneShotIsHeardAtItsPitchForItsLengthThenStops) {
    PullBackend backend;
    Device device;
    OpenDevice(device);
    const ToneShape shape = GetParam();
    IDirectSoundBuffer* tone = MakeTone(device.sound, shape, 440.0, shape.rate / 2); // 0.5 s
    ASSERT_NE(tone, nullptr);
    ASSERT_EQ(tone->Play(0, 0, 0), DS_OK);
    const auto out = backend.Run(800);
    for (unsigned c = 0; c < 2; ++c) {
        const auto ch = Channel(out, 2, c);
        EXPECT_NEAR(Frequency(ch, 44100, 441, 44100 * 4 / 10), 440.0, 4.0) << "channel " << c;
        EXPECT_NEAR(Rms(ch, 441, 44100 * 47 / 100), 0.5 / std::sqrt(2.0), 0.03);
        EXPECT_LT(Rms(ch, 44100 * 53 / 100), 1e-3) << "nothing after the buffer's end";
    }
    DWORD status = 99;
    ASSERT_EQ(tone->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
}

INSTANTIATE_TEST_SUITE_P(PcmFormats, ToneFormats,
                         ::testing::Values(ToneShape{11025, 1, 8}, ToneShape{22050, 1, 16},
                                           ToneShape{48000, 2, 16}, ToneShape{8000, 2, 8},
                                           ToneShape{44100, 2, 16}));

TEST(DirectSoundBuffer, LoopingHasNoGapOrClickAtTheSeam) {
    PullBackend backend;
    Device device;
    OpenDevice(device);
    // 44 whole periods of 441 Hz at 22050 Hz: a seamless loop of 0.1 s.
    IDirectSoundBuffer* tone = MakeTone(device.sound, {22050, 1, 16}, 441.0, 2200);
    ASSERT_NE(tone, nullptr);
    ASSERT_EQ(tone->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    const auto out = backend.Run(1000);
    const auto left = Channel(out, 2, 0);
    double worstStep = 0.0;
    for (std::size_t i = 200; i < left.size(); ++i) {
        worstStep = std::max(worstStep, std::abs(left[i] - left[i - 1]));
    }
    // A 441 Hz sine at half scale moves at most 2 pi 441 / 44100 / 2 per sample.
    EXPECT_LT(worstStep, 0.04);
    for (std::size_t from = 441; from + 441 <= left.size(); from += 441) {
        EXPECT_NEAR(Rms(left, from, from + 441), 0.5 / std::sqrt(2.0), 0.02) << "at " << from;
    }
    DWORD status = 0;
    tone->GetStatus(&status);
    EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
}

TEST(DirectSoundBuffer, StopKeepsThePositionAndRewindingRestarts) {
    PullBackend backend;
    Device device;
    OpenDevice(device);
    IDirectSoundBuffer* tone = MakeTone(device.sound, {22050, 1, 16}, 300.0, 22050); // 1 s
    ASSERT_NE(tone, nullptr);
    tone->Play(0, 0, DSBPLAY_LOOPING);
    backend.Run(300);
    ASSERT_EQ(tone->Stop(), DS_OK);
    DWORD play = 0;
    ASSERT_EQ(tone->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_NEAR(static_cast<double>(play), 0.3 * 22050 * 2, 0.02 * 22050 * 2);
    EXPECT_LT(Rms(Channel(backend.Run(200), 2, 0)), 1e-3) << "a stopped buffer is silent";
    DWORD still = 0;
    tone->GetCurrentPosition(&still, nullptr);
    EXPECT_EQ(still, play) << "time passing does not move a stopped buffer";

    tone->Play(0, 0, DSBPLAY_LOOPING);
    backend.Run(300);
    DWORD later = 0;
    tone->GetCurrentPosition(&later, nullptr);
    EXPECT_NEAR(static_cast<double>(later), 0.6 * 22050 * 2, 0.03 * 22050 * 2);

    // What the game does to restart a playing sound: rewind, then play again.
    ASSERT_EQ(tone->SetCurrentPosition(0), DS_OK);
    ASSERT_EQ(tone->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    backend.Run(100);
    DWORD restarted = 0;
    tone->GetCurrentPosition(&restarted, nullptr);
    EXPECT_NEAR(static_cast<double>(restarted), 0.1 * 22050 * 2, 0.03 * 22050 * 2);
    EXPECT_EQ(tone->SetCurrentPosition(22050 * 2), DSERR_INVALIDPARAM);
}

TEST(DirectSoundBuffer, LockFromTheWriteCursorSplitsAtTheEndAndUnlockCommits) {
    PullBackend backend;
    Device device;
    OpenDevice(device);
    IDirectSoundBuffer* tone = MakeTone(device.sound, {22050, 1, 16}, 300.0, 22050);
    ASSERT_NE(tone, nullptr);
    tone->Play(0, 0, 0);
    backend.Run(250);
    tone->Stop();
    DWORD play = 0;
    tone->GetCurrentPosition(&play, nullptr);
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

TEST(DirectSoundBuffer, VolumePanAndFrequencyNeedTheirControlFlags) {
    PullBackend backend;
    Device device;
    OpenDevice(device);
    IDirectSoundBuffer* bare = MakeTone(device.sound, {22050, 1, 16}, 441.0, 2200, 0);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->SetVolume(-600), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(bare->SetPan(0), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(bare->SetFrequency(11025), DSERR_CONTROLUNAVAIL);

    IDirectSoundBuffer* tone = MakeTone(device.sound, {22050, 1, 16}, 441.0, 2200);
    ASSERT_NE(tone, nullptr);
    ASSERT_EQ(tone->SetVolume(-600), DS_OK); // -6 dB: half the amplitude
    ASSERT_EQ(tone->SetPan(DSBPAN_RIGHT), DS_OK);
    ASSERT_EQ(tone->SetFrequency(44100), DS_OK); // twice the pitch
    EXPECT_EQ(tone->SetVolume(1), DSERR_INVALIDPARAM);
    tone->Play(0, 0, DSBPLAY_LOOPING);
    const auto out = backend.Run(500);
    const auto left = Channel(out, 2, 0);
    const auto right = Channel(out, 2, 1);
    EXPECT_LT(Rms(left, 4410), 1e-3);
    EXPECT_NEAR(Rms(right, 4410), 0.25 / std::sqrt(2.0), 0.02);
    EXPECT_NEAR(Frequency(right, 44100, 4410), 882.0, 8.0);
}

TEST(DirectSoundBuffer, BadDescriptionsAreRefused) {
    PullBackend backend;
    Device device;
    OpenDevice(device);
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwBufferBytes = 4000;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    format.wFormatTag = 3;
    EXPECT_EQ(device.sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.wBitsPerSample = 24;
    EXPECT_EQ(device.sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    format.wBitsPerSample = 16;
    format.nChannels = 0;
    EXPECT_EQ(device.sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    format.nChannels = 1;
    desc.dwBufferBytes = 0;
    EXPECT_EQ(device.sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    desc.dwBufferBytes = 4000;
    desc.dwSize = 20;
    EXPECT_EQ(device.sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer, nullptr);
}

TEST(DirectSoundFaults, EveryCheckedOperationFailsWithTheInjectedResult) {
    PullBackend backend;
    const HRESULT injected = static_cast<HRESULT>(0x88780078);
    platform::InjectFault("DirectSoundCreate", injected, 1);
    IDirectSound* sound = nullptr;
    EXPECT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), injected);
    EXPECT_EQ(backend.opens, 0) << "a failed create opens nothing";

    Device device;
    ASSERT_EQ(DirectSoundCreate(nullptr, &device.sound, nullptr), DS_OK);
    platform::InjectFault("SetCooperativeLevel", E_FAIL, 1);
    EXPECT_EQ(device.sound->SetCooperativeLevel(FakeWindow(), DSSCL_PRIORITY), E_FAIL);
    ASSERT_EQ(device.sound->SetCooperativeLevel(FakeWindow(), DSSCL_PRIORITY), DS_OK);
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE_WIN32;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    platform::InjectFault("CreateSoundBuffer", E_OUTOFMEMORY, 1);
    EXPECT_EQ(device.sound->CreateSoundBuffer(&desc, &device.primary, nullptr), E_OUTOFMEMORY);
    ASSERT_EQ(device.sound->CreateSoundBuffer(&desc, &device.primary, nullptr), DS_OK);
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    platform::InjectFault("SetFormat", DSERR_BADFORMAT, 1);
    EXPECT_EQ(device.primary->SetFormat(&format), DSERR_BADFORMAT);
    IDirectSoundBuffer* tone = MakeTone(device.sound, {22050, 1, 16}, 440.0, 100);
    ASSERT_NE(tone, nullptr);
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    platform::InjectFault("Lock", DSERR_BUFFERLOST, 1);
    EXPECT_EQ(tone->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER),
              DSERR_BUFFERLOST);
    platform::ClearFaults();
}

} // namespace
