// The game's WAV reader and sound slots on the real DirectSound layer: files
// of several layouts load with their samples unchanged, files SoX wrote are
// heard at their pitch and for their length; playing a playing slot restarts
// it, looping goes round and stopping keeps its place; every refusal shows its message, and broken
// files of every kind end in a message or a result, never a crash or a hang.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "audio/sound_engine.h"
#include "audio_test_support.h"
#include "platform/faults.h"

namespace {

constexpr double kHalfScaleRms = 0.5 / 1.4142135623730951;

std::string Caption(HWND window) {
    char text[32];
    std::snprintf(text, sizeof text, "%x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(window)));
    return text;
}

Bytes Resized(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.window = window.handle;
        ASSERT_EQ(engine.InitSound(), 1);
    }
    void TearDown() override {
        engine.ReleaseSound();
        platform::ClearFaults();
        FailReadsOfSize(0);
    }

    // Loads `bytes` as "Wave\name" into slot 0, the way the game names its files.
    int Load(const Bytes& bytes, const char* name = "test.wav") {
        std::filesystem::create_directories(folder.path / "Wave");
        folder.Write(std::string("Wave/") + name, bytes);
        return engine.LoadSlot(engine.slots[BGM_SLOT], (std::string("Wave\\") + name).c_str());
    }
    IDirectSoundBuffer* Slot() { return engine.slots[BGM_SLOT]; }
    DWORD BufferBytes() { return static_cast<DWORD>(BufferContents().size()); }
    std::vector<std::uint8_t> BufferContents() {
        void* p1 = nullptr;
        void* p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        EXPECT_EQ(Slot()->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
        std::vector<std::uint8_t> out(static_cast<std::uint8_t*>(p1),
                                      static_cast<std::uint8_t*>(p1) + n1);
        Slot()->Unlock(p1, 0, p2, 0);
        return out;
    }

    PullBackend backend;
    WorkingFolder folder;
    TestWindow window;
    SoundEngine engine;
};

TEST_F(SoundTest, StartingFixesTheOutputFormatAndTellsTheWindow) {
    EXPECT_EQ(backend.rate, 44100u);
    EXPECT_EQ(backend.channels, 2u);
    EXPECT_EQ(window.soundReady, 1);
    EXPECT_NE(engine.primary, nullptr);
    engine.ReleaseSound();
    EXPECT_EQ(engine.device, nullptr);
    EXPECT_EQ(backend.source, nullptr) << "releasing the device closes the output";
}

// ---------------------------------------------------------------- hearing

// One second at 44100 Hz: 440 Hz for the first half, 880 Hz for the second,
// so the pitch tells where in the sound the slot is.
Bytes TwoHalves() {
    return WaveFile(44100, 1, 16, ToneSamples(44100, 1, 16, 440.0, 44100, 0.5, 880.0, 22050));
}

// (How the mixer joins the end of a looping buffer to its start is the
// DirectSound tests' business; here it is only whether the slot loops.)
TEST_F(SoundTest, PlayingAPlayingSlotRestartsItLoopingGoesRoundAndStoppingKeepsThePlace) {
    ASSERT_EQ(Load(TwoHalves()), 1);
    engine.PlaySlot(engine.slots[BGM_SLOT], 1);
    auto left = Channel(backend.Run(700), 2, 0);
    ASSERT_NEAR(Pitch(left, 44100, 44100 * 55 / 100, 44100 * 69 / 100), 880.0, 10.0);
    engine.PlaySlot(engine.slots[BGM_SLOT], 1);
    left = Channel(backend.Run(1200), 2, 0);
    EXPECT_NEAR(Pitch(left, 44100, 441 * 2, 44100 * 45 / 100), 440.0, 5.0)
        << "back at the first half";
    EXPECT_NEAR(Pitch(left, 44100, 44100 * 55 / 100, 44100 * 95 / 100), 880.0, 10.0);
    EXPECT_NEAR(Pitch(left, 44100, 44100 * 105 / 100, 44100 * 119 / 100), 440.0, 5.0)
        << "and round again";
    EXPECT_NEAR(Rms(left, 441, 44100 * 119 / 100), kHalfScaleRms, 0.02) << "without a gap";

    // Stopped 0.2 s into the second pass and played again without the rewind
    // of PlaySlot, it goes on from there: the 880 Hz half comes 0.3 s later.
    engine.StopSlot(engine.slots[BGM_SLOT]);
    EXPECT_LT(Rms(Channel(backend.Run(200), 2, 0)), 1e-4) << "silent while stopped";
    ASSERT_EQ(Slot()->Play(0, 0, 0), DS_OK);
    left = Channel(backend.Run(500), 2, 0);
    EXPECT_NEAR(Pitch(left, 44100, 441, 44100 * 25 / 100), 440.0, 5.0);
    EXPECT_NEAR(Pitch(left, 44100, 44100 * 35 / 100, 44100 * 49 / 100), 880.0, 10.0);
}

TEST_F(SoundTest, EmptySlotsIgnorePlayAndStopAndAFailedReloadEmptiesTheSlot) {
    engine.PlaySlot(engine.slots[SHOT_SLOT], 1);
    engine.StopSlot(engine.slots[SHOT_SLOT]);
    ASSERT_EQ(Load(TwoHalves()), 1);
    engine.PlaySlot(engine.slots[BGM_SLOT], 1);
    EXPECT_EQ(engine.LoadSlot(engine.slots[BGM_SLOT], "Wave\\missing.wav"), 0);
    EXPECT_EQ(Slot(), nullptr) << "the old sound was released before the load";
    EXPECT_LT(Rms(Channel(backend.Run(200), 2, 0)), 1e-4) << "and is no longer heard";
    engine.PlaySlot(engine.slots[BGM_SLOT], 1);
    EXPECT_TRUE(backend.Boxes().empty()) << "a missing file says nothing";
}

// ---------------------------------------------------------------- layouts that load

TEST_F(SoundTest, ChunksAreFoundInAnyOrderAndUnknownOrEmptyOnesAreSkipped) {
    const Bytes samples = ToneSamples(22050, 1, 16, 440.0, 1000);
    const Bytes fmt = Chunk("fmt ", FormatData(1, 1, 22050, 16));
    const Bytes data = Chunk("data", samples);
    const std::vector<std::vector<Bytes>> layouts = {
        {fmt, data},
        {data, fmt},                                                   // data first
        {Chunk("LIST", Bytes(26, 'x')), fmt, Chunk("fact", {}), data}, // others between
        // A longer fmt chunk: only its first 18 bytes count.
        {Chunk("JUNK", {}), Chunk("fmt ", Resized(FormatData(1, 1, 22050, 16), 40)), data},
    };
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(Load(Riff(layouts[i])), 1);
        EXPECT_EQ(BufferContents(), samples) << "the samples are copied unchanged";
    }
    EXPECT_TRUE(backend.Boxes().empty());
}

// A "data" chunk may declare more than the file holds (a file cut short):
// the buffer takes the declared size, so the samples that are there play,
// then silence (for 8-bit samples too, whose silence is mid-scale), and a
// loop comes round only after the declared length.
TEST_F(SoundTest, ADataChunkDeclaringMoreThanTheFileHoldsPlaysItsSamplesThenSilence) {
    for (const std::uint16_t bits : {16, 8}) {
        SCOPED_TRACE(bits);
        const Bytes samples = ToneSamples(22050, 1, bits, 440.0, 4410); // 0.2 s
        const DWORD halfSecond = 22050u * bits / 8 / 2;
        ASSERT_EQ(Load(Riff({Chunk("fmt ", FormatData(1, 1, 22050, bits)),
                             Chunk("data", samples, false, halfSecond)})),
                  1);
        engine.PlaySlot(engine.slots[BGM_SLOT], 1);
        const auto left = Channel(backend.Run(1000), 2, 0);
        for (const std::size_t start : {0, 22050}) { // each pass round the loop
            EXPECT_NEAR(Pitch(left, 44100, start + 441, start + 44100 * 19 / 100), 440.0, 5.0);
            EXPECT_LT(Rms(left, start + 44100 * 21 / 100, start + 44100 * 49 / 100), 1e-4)
                << "at " << start;
        }
    }

    // A header with nothing after it is a silent buffer of its declared size;
    // so is the largest buffer DirectSound makes (256 MiB less a byte).
    const Bytes fmt = Chunk("fmt ", FormatData(1, 1, 22050, 16));
    for (const DWORD declared : {DWORD{2000}, DSBSIZE_MAX}) {
        ASSERT_EQ(Load(Riff({fmt, Chunk("data", {}, false, declared)})), 1);
        EXPECT_EQ(BufferBytes(), declared);
        engine.PlaySlot(engine.slots[BGM_SLOT], 0);
        EXPECT_LT(Rms(Channel(backend.Run(100), 2, 0)), 1e-4);
    }
    EXPECT_TRUE(backend.Boxes().empty());
}

// ---------------------------------------------------------------- refusals

struct Refusal {
    const char* name;
    std::optional<Bytes> file; // none: there is no such file
    const char* message;       // UTF-8; null: no message box
    std::function<void()> arm = [] {};
    bool bufferStays = false; // failures after the buffer was made leave it in the slot
};

void PrintTo(const Refusal& r, std::ostream* out) {
    *out << r.name;
}

Bytes Patched(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
}

const Bytes kGood = WaveFile(22050, 1, 16, ToneSamples(22050, 1, 16, 440.0, 1000)); // 2000 bytes
const Bytes kFmt = Chunk("fmt ", FormatData(1, 1, 22050, 16));
const Bytes kData = Chunk("data", ToneSamples(22050, 1, 16, 440.0, 100));
const Bytes kList = Chunk("LIST", Bytes(4, 0));

Bytes WithFmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    return Riff({Chunk("fmt ", FormatData(tag, channels, rate, bits)), kData});
}
Bytes ListBeforeFmt(std::int64_t declared, bool pad = false, std::size_t bytes = 4) {
    return Riff({Chunk("LIST", Bytes(bytes, 'x'), pad, declared), kFmt, kData});
}

const Refusal kRefusals[] = {
    {"EmptyFile", Bytes{}, "RIFF照合失敗"},
    {"ThreeBytes", Bytes{'R', 'I', 'F'}, "RIFF照合失敗"},
    {"BigEndianRiff", Patched(kGood, 3, 'X'), "RIFF照合失敗"},
    {"EightBytes", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0}, "RIFF形式照合失敗"},
    {"NotWave", Riff({kFmt}, -1, "AVI "), "RIFF形式照合失敗"},
    {"HeaderReadFails", kGood, "RIFFヘッダ読み込み失敗",
     [] { platform::InjectFault("ReadFile", 30, 1); }},
    {"NoFmtChunk", Riff({kData}), "fmtチャンク呼び出し失敗"},
    {"OnlyTheHeader", Riff({}), "fmtチャンク呼び出し失敗"},
    {"EndsInsideAChunkHeader", Resized(Riff({kList, kFmt}), 12 + 12 + 5),
     "fmtチャンク呼び出し失敗"},
    {"FmtBeyondTheRiffSize", Riff({kList, kFmt}, 4 + 12), "fmtチャンク呼び出し失敗"},
    {"RiffSizeThatWraps", Riff({kFmt, kData}, 0xFFFFFFFF), "fmtチャンク呼び出し失敗"},
    {"PadByteAfterAnOddChunk", ListBeforeFmt(-1, true, 3), "fmtチャンク呼び出し失敗"},
    {"ChunkSizePointingFarPastTheEnd", ListBeforeFmt(0xFFFFFF00), "fmtチャンク呼び出し失敗"},
    {"ChunkSizePointingPastFourGiB", ListBeforeFmt(0xFFFFFFFF), "fmtチャンク呼び出し失敗"},
    {"FormatRecordReadFails", kGood, "fmtチャンクデータ部分読み込み失敗",
     [] { FailReadsOfSize(18); }},
    {"FloatingPoint", WithFmt(3, 1, 22050, 32), "形式タグ照合失敗"},
    {"Extensible", WithFmt(0xFFFE, 1, 22050, 16), "形式タグ照合失敗"},
    {"ZeroFormatTag", Riff({Chunk("fmt ", Bytes(2, 0)), kData}), "形式タグ照合失敗"},
    {"NoDataChunk", Riff({kFmt}), "dataチャンク呼び出し失敗"},
    {"DataBeyondTheRiffSize", Riff({kFmt, kData}, 4 + 24), "dataチャンク呼び出し失敗"},
    {"PadByteBeforeData", Riff({kFmt, Chunk("LIST", Bytes(5, 'x'), true), kData}),
     "dataチャンク呼び出し失敗"},
    {"EmptyDataChunk", Riff({kFmt, Chunk("data", {})}), "CreateSoundBuffer 失敗"},
    {"DataDeclaredBeyondTheLargestBuffer", Riff({kFmt, Chunk("data", {}, false, DSBSIZE_MAX + 1)}),
     "CreateSoundBuffer 失敗"},
    {"NoChannels", WithFmt(1, 0, 22050, 16), "CreateSoundBuffer 失敗"},
    {"TwelveBitSamples", WithFmt(1, 1, 22050, 12), "CreateSoundBuffer 失敗"},
    {"RateZero", WithFmt(1, 1, 0, 16), "CreateSoundBuffer 失敗"},
    {"DeviceRefusesTheBuffer", kGood, "CreateSoundBuffer 失敗",
     [] {
         platform::InjectFault("IDirectSound::CreateSoundBuffer",
                               static_cast<std::int32_t>(0x8007000E), 1);
     }},
    {"LockFails", kGood, "バックサウンドバッファのロック失敗",
     [] {
         platform::InjectFault("IDirectSoundBuffer::Lock", static_cast<std::int32_t>(0x88780096),
                               1);
     },
     true},
    {"SampleReadFails", kGood, "data1読み込み失敗", [] { FailReadsOfSize(2000); }, true},
    {"MissingFile", std::nullopt, nullptr},
};

class WaveRefusals : public SoundTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(WaveRefusals, ShowTheirMessageAndReturnZero) {
    const Refusal& r = GetParam();
    std::filesystem::create_directories(folder.path / "Wave");
    if (r.file) {
        folder.Write("Wave/bad.wav", *r.file);
    }
    r.arm();
    EXPECT_EQ(engine.LoadWave(engine.slots[BGM_SLOT], "Wave\\bad.wav"), 0);
    if (r.message == nullptr) {
        EXPECT_TRUE(backend.Boxes().empty());
    } else {
        EXPECT_EQ(backend.Boxes(), std::vector<std::string>{r.message});
        EXPECT_EQ(backend.Captions(), std::vector<std::string>{Caption(window.handle)});
    }
    EXPECT_EQ(Slot() != nullptr, r.bufferStays);
    // The reader let go of the file and works again at once.
    platform::ClearFaults();
    FailReadsOfSize(0);
    folder.Write("Wave/good.wav", kGood);
    EXPECT_EQ(engine.LoadSlot(engine.slots[SHOT_SLOT], "Wave\\good.wav"), 1);
}

INSTANTIATE_TEST_SUITE_P(Bad, WaveRefusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- two locked regions

// A device whose buffers hand out the whole buffer as two regions when
// locked, as DirectSound does when the write cursor is not at the start: the
// reader fills the first region and then the second from the file.
// The two regions of one Unlock.
using Region = std::tuple<LPVOID, DWORD, LPVOID, DWORD>;

class SplitLockBuffer final : public IDirectSoundBuffer {
public:
    explicit SplitLockBuffer(DWORD bytes, DWORD split) : data(bytes, 0xEE), split(split) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE Lock(DWORD, DWORD, LPVOID* p1, LPDWORD n1, LPVOID* p2, LPDWORD n2,
                                   DWORD flags) override {
        lockFlags = flags;
        *p1 = data.data() + split; // from the write cursor to the end ...
        *n1 = static_cast<DWORD>(data.size()) - split;
        *p2 = data.data(); // ... then from the start up to the cursor
        *n2 = split;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE Play(DWORD, DWORD, DWORD) override { return DS_OK; }
    HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD) override { return DS_OK; }
    HRESULT STDMETHODCALLTYPE SetFormat(LPCWAVEFORMATEX) override { return DSERR_GENERIC; }
    HRESULT STDMETHODCALLTYPE Stop() override { return DS_OK; }
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID p1, DWORD n1, LPVOID p2, DWORD n2) override {
        unlocks.push_back({p1, n1, p2, n2});
        return DS_OK;
    }

    std::vector<std::uint8_t> data;
    DWORD split;
    DWORD lockFlags = 0;
    std::vector<Region> unlocks;
    ULONG refs = 1;
};

class SplitLockDevice final : public IDirectSound {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* out,
                                                LPUNKNOWN) override {
        format = *desc->lpwfxFormat;
        flags = desc->dwFlags;
        buffer = std::make_unique<SplitLockBuffer>(desc->dwBufferBytes, desc->dwBufferBytes / 4);
        *out = buffer.get();
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD) override { return DS_OK; }

    std::unique_ptr<SplitLockBuffer> buffer;
    WAVEFORMATEX format{};
    DWORD flags = 0;
};

TEST_F(SoundTest, BothLockedRegionsAreFilledInFileOrderAndUnlockedTogether) {
    SplitLockDevice fake;
    IDirectSound* real = std::exchange(engine.device, &fake);
    const Bytes samples = ToneSamples(22050, 1, 16, 440.0, 1000); // 2000 bytes: 1500 + 500
    ASSERT_EQ(Load(WaveFile(22050, 1, 16, samples)), 1);
    SplitLockBuffer& buffer = *fake.buffer;
    EXPECT_EQ(buffer.lockFlags, DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER);
    EXPECT_EQ(fake.flags, DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME);
    EXPECT_EQ(fake.format.nSamplesPerSec, 22050u);
    EXPECT_EQ(fake.format.cbSize, 0x6164) << "the 18-byte record takes \"da\" of the data header";
    EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + 1500, buffer.data.begin() + 500));
    EXPECT_TRUE(std::equal(samples.begin() + 1500, samples.end(), buffer.data.begin()));
    EXPECT_EQ(buffer.unlocks,
              std::vector<Region>({{buffer.data.data() + 500, 1500, buffer.data.data(), 500}}));

    // A failed read of the second region is reported; the buffer stays.
    FailReadsOfSize(500);
    EXPECT_EQ(Load(kGood), 0);
    EXPECT_EQ(backend.Boxes(), std::vector<std::string>{"data2読み込み失敗"});
    EXPECT_NE(Slot(), nullptr);
    engine.device = real;
}

// ---------------------------------------------------------------- files from another program

std::string DataFile(const char* name) {
    return std::string(QV_AUDIO_TEST_DATA) + "/" + name;
}

TEST_F(SoundTest, WavFilesWrittenBySoxLoadAndPlay) {
    struct SoxFile {
        const char* name;
        double hz;
        double seconds;
        DWORD bytes;
    };
    const SoxFile files[] = {{"sox_8000_u8_mono.wav", 440.0, 0.25, 2000},
                             {"sox_22050_s16_mono.wav", 440.0, 0.25, 11024},
                             {"sox_44100_s16_stereo.wav", 660.0, 0.1, 17640}};
    for (const SoxFile& f : files) {
        SCOPED_TRACE(f.name);
        ASSERT_EQ(engine.LoadSlot(engine.slots[BGM_SLOT], DataFile(f.name).c_str()), 1);
        EXPECT_EQ(BufferBytes(), f.bytes);
        engine.PlaySlot(engine.slots[BGM_SLOT], 0);
        const auto left = Channel(backend.Run(500), 2, 0);
        const auto end = static_cast<std::size_t>(f.seconds * 44100);
        EXPECT_NEAR(Pitch(left, 44100, 441, end - 441), f.hz, f.hz * 0.01);
        // Resampling the 8 kHz file up to 44.1 kHz softens it a little.
        EXPECT_NEAR(Rms(left, 441, end - 441), kHalfScaleRms, 0.06);
        EXPECT_LT(Rms(left, end + 882), 1e-3);
    }
    EXPECT_TRUE(backend.Boxes().empty());
    // sox writes 24-bit samples as WAVE_FORMAT_EXTENSIBLE, which is not plain PCM.
    EXPECT_EQ(engine.LoadSlot(engine.slots[BGM_SLOT], DataFile("sox_8000_s24_mono.wav").c_str()),
              0);
    EXPECT_EQ(backend.Boxes(), std::vector<std::string>{"形式タグ照合失敗"});
}

} // namespace
