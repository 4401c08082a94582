// The game's WAV reader and sound slots on the real DirectSound layer: what
// the player hears from a slot (restarting, looping without a click, stopping
// in place), files of several layouts and from another program heard at
// their pitch and length, every refusal with its message, and the file let
// go on every path.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "audio/sound_engine.h"
#include "audio_test_support.h"
#include "platform/faults.h"
#include "platform/lifetimes.h"

namespace {

constexpr double kHalfScaleRms = 0.5 / 1.4142135623730951;

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.window = window.handle;
        ASSERT_EQ(engine.InitSound(), 1);
        handlesBefore = platform::OpenHandles();
    }
    void TearDown() override {
        engine.ReleaseSound();
        platform::ClearFaults();
        FailReadsOfSize(0);
    }

    // Loads `bytes` as "Wave\name" into `slot`, the way the game names its files.
    int Load(const Bytes& bytes, SoundSlot* slot = nullptr) {
        folder.Write("Wave/test.wav", bytes);
        return engine.LoadSlot(slot ? *slot : Bgm(), "Wave\\test.wav");
    }
    SoundSlot& Bgm() { return engine.slots[BGM_SLOT]; }
    Bytes BufferContents() {
        void* p1 = nullptr;
        void* p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        EXPECT_EQ(Bgm()->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
        Bytes out(static_cast<std::uint8_t*>(p1), static_cast<std::uint8_t*>(p1) + n1);
        Bgm()->Unlock(p1, 0, p2, 0);
        return out;
    }

    PullBackend backend;
    WorkingFolder folder;
    TestWindow window;
    SoundEngine engine;
    int handlesBefore = 0;
};

// One second at 44100 Hz: 440 Hz for the first half, 880 Hz for the second,
// so the pitch tells where in the sound the slot is. Both halves are whole
// periods, so the loop joins without a step.
Bytes TwoHalves() {
    return WaveFile(44100, 1, 16, ToneSamples(44100, 1, 16, 440.0, 44100, 0.5, 880.0, 22050));
}

double WorstStep(const std::vector<double>& v) {
    double worst = 0.0;
    for (std::size_t i = 1; i < v.size(); ++i) {
        worst = std::max(worst, std::abs(v[i] - v[i - 1]));
    }
    return worst;
}

TEST_F(SoundTest, StartingOpensTheGamesOutputAndReleasingTheDeviceLetsEverythingGo) {
    EXPECT_EQ(backend.rate, 44100u);
    EXPECT_EQ(backend.channels, 2u);
    EXPECT_EQ(window.soundReady, 1);
    ASSERT_EQ(Load(TwoHalves()), 1);
    engine.ReleaseSound();
    EXPECT_EQ(engine.device, nullptr);
    EXPECT_EQ(backend.audio, nullptr) << "the output is closed";
    EXPECT_EQ(platform::LiveObjects(), 0) << "the primary buffer and the slot went with it";
    backend.refuseAudio = true; // a machine without a sound device
    EXPECT_EQ(engine.InitSound(), 0);
}

TEST_F(SoundTest, PlayingAPlayingSlotRestartsItLoopingGoesRoundAndStoppingKeepsThePlace) {
    ASSERT_EQ(Load(TwoHalves()), 1);
    engine.PlaySlot(Bgm(), 1);
    auto left = backend.Run(700);
    ASSERT_NEAR(Pitch(left, FramesIn(550), FramesIn(690)), 880.0, 10.0);
    engine.PlaySlot(Bgm(), 1);
    left = backend.Run(1200);
    EXPECT_NEAR(Pitch(left, FramesIn(10), FramesIn(450)), 440.0, 5.0) << "back at the start";
    EXPECT_NEAR(Pitch(left, FramesIn(550), FramesIn(950)), 880.0, 10.0);
    EXPECT_NEAR(Pitch(left, FramesIn(1050), FramesIn(1190)), 440.0, 5.0) << "and round again";
    EXPECT_NEAR(Rms(left, FramesIn(10), FramesIn(1190)), kHalfScaleRms, 0.02) << "without a gap";
    EXPECT_LT(WorstStep(left), 0.07) << "or a click where the loop joins";

    // Stopped 0.2 s into the second pass and played on without the rewind of
    // PlaySlot, it goes on from there: the 880 Hz half comes 0.3 s later.
    engine.StopSlot(Bgm());
    EXPECT_LT(Rms(backend.Run(200)), 1e-4) << "silent while stopped";
    ASSERT_EQ(Bgm()->Play(0, 0, 0), DS_OK);
    left = backend.Run(500);
    EXPECT_NEAR(Pitch(left, FramesIn(10), FramesIn(250)), 440.0, 5.0);
    EXPECT_NEAR(Pitch(left, FramesIn(350), FramesIn(490)), 880.0, 10.0);
}

TEST_F(SoundTest, EmptySlotsIgnorePlayAndStopAndAFailedReloadEmptiesTheSlot) {
    engine.PlaySlot(engine.slots[SHOT_SLOT], 1);
    engine.StopSlot(engine.slots[SHOT_SLOT]);
    ASSERT_EQ(Load(TwoHalves()), 1);
    engine.PlaySlot(Bgm(), 1);
    EXPECT_EQ(engine.LoadSlot(Bgm(), "Wave\\missing.wav"), 0);
    EXPECT_EQ(Bgm(), nullptr) << "the old sound was released before the load";
    EXPECT_LT(Rms(backend.Run(200)), 1e-4) << "and is no longer heard";
    engine.PlaySlot(Bgm(), 1);
    EXPECT_TRUE(backend.Boxes().empty()) << "a missing file says nothing";
}

// ---------------------------------------------------------------- layouts that load

Bytes Resized(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

TEST_F(SoundTest, ChunksAreFoundInAnyOrderUnknownOnesAreSkippedAndTheFileIsClosed) {
    const Bytes samples = ToneSamples(22050, 1, 16, 440.0, 1000);
    const Bytes fmt = Chunk("fmt ", FormatData(1, 1, 22050, 16));
    const Bytes data = Chunk("data", samples);
    const std::vector<std::vector<Bytes>> layouts = {
        {fmt, data},
        {data, fmt},
        {Chunk("LIST", Bytes(26, 'x')), fmt, Chunk("fact", {}), data},
        // A longer fmt chunk: only its first 18 bytes count.
        {Chunk("JUNK", {}), Chunk("fmt ", Resized(FormatData(1, 1, 22050, 16), 40)), data},
    };
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(Load(Riff(layouts[i])), 1);
        EXPECT_EQ(BufferContents(), samples) << "the samples are copied unchanged";
        EXPECT_EQ(platform::OpenHandles(), handlesBefore) << "the file is closed";
    }
    EXPECT_TRUE(backend.Boxes().empty());
}

// A "data" chunk may declare more than the file holds (a file cut short):
// the samples that are there play, then silence (for 8-bit samples too,
// whose silence is mid-scale), and a loop comes round after the declared length.
TEST_F(SoundTest, ADataChunkDeclaringMoreThanTheFileHoldsPlaysItsSamplesThenSilence) {
    for (const std::uint16_t bits : {16, 8}) {
        SCOPED_TRACE(bits);
        const Bytes samples = ToneSamples(22050, 1, bits, 440.0, 4410); // 0.2 s
        const DWORD halfSecond = 22050u * bits / 8 / 2;
        ASSERT_EQ(Load(Riff({Chunk("fmt ", FormatData(1, 1, 22050, bits)),
                             Chunk("data", samples, false, halfSecond)})),
                  1);
        engine.PlaySlot(Bgm(), 1);
        const auto left = backend.Run(1000);
        for (const std::uint32_t startMs : {0, 500}) { // each pass round the loop
            const std::size_t start = FramesIn(startMs);
            EXPECT_NEAR(Pitch(left, start + FramesIn(10), start + FramesIn(190)), 440.0, 5.0);
            EXPECT_LT(Rms(left, start + FramesIn(210), start + FramesIn(490)), 1e-4);
        }
    }
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
    {"BigEndianRifx", Bytes{'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, "RIFF照合失敗"},
    {"EightBytes", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0}, "RIFF形式照合失敗"},
    {"NotWave", Riff({kFmt}, -1, "AVI "), "RIFF形式照合失敗"},
    {"HeaderReadFails", kGood, "RIFFヘッダ読み込み失敗",
     [] { platform::InjectFault("ReadFile", 30, 1); }},
    {"NoFmtChunk", Riff({kData}), "fmtチャンク呼び出し失敗"},
    {"EndsInsideAChunkHeader", Resized(Riff({kList, kFmt}), 12 + 12 + 5),
     "fmtチャンク呼び出し失敗"},
    {"FmtBeyondTheRiffSize", Riff({kList, kFmt}, 4 + 12), "fmtチャンク呼び出し失敗"},
    {"RiffSizeThatWraps", Riff({kFmt, kData}, 0xFFFFFFFF), "fmtチャンク呼び出し失敗"},
    {"PadByteAfterAnOddChunk", ListBeforeFmt(-1, true, 3), "fmtチャンク呼び出し失敗"},
    {"ChunkSizePointingPastFourGiB", ListBeforeFmt(0xFFFFFFFF), "fmtチャンク呼び出し失敗"},
    {"FormatRecordReadFails", kGood, "fmtチャンクデータ部分読み込み失敗",
     [] { FailReadsOfSize(18); }},
    {"FloatingPoint", WithFmt(3, 1, 22050, 32), "形式タグ照合失敗"},
    {"ZeroFormatTag", Riff({Chunk("fmt ", Bytes(2, 0)), kData}), "形式タグ照合失敗"},
    {"NoDataChunk", Riff({kFmt}), "dataチャンク呼び出し失敗"},
    {"DataBeyondTheRiffSize", Riff({kFmt, kData}, 4 + 24), "dataチャンク呼び出し失敗"},
    {"EmptyDataChunk", Riff({kFmt, Chunk("data", {})}), "CreateSoundBuffer 失敗"},
    {"DataDeclaredBeyondTheLargestBuffer", Riff({kFmt, Chunk("data", {}, false, DSBSIZE_MAX + 1)}),
     "CreateSoundBuffer 失敗"},
    {"NoChannels", WithFmt(1, 0, 22050, 16), "CreateSoundBuffer 失敗"},
    {"TwelveBitSamples", WithFmt(1, 1, 22050, 12), "CreateSoundBuffer 失敗"},
    {"RateZero", WithFmt(1, 1, 0, 16), "CreateSoundBuffer 失敗"},
    {"LockFails", kGood, "バックサウンドバッファのロック失敗",
     [] { platform::InjectFault("IDirectSoundBuffer::Lock", DSERR_INVALIDPARAM, 1); }, true},
    {"SampleReadFails", kGood, "data1読み込み失敗", [] { FailReadsOfSize(2000); }, true},
    {"MissingFile", std::nullopt, nullptr},
};

class WaveRefusals : public SoundTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(WaveRefusals, ShowTheirMessageReturnZeroAndCloseTheFile) {
    const Refusal& r = GetParam();
    if (r.file) {
        folder.Write("Wave/bad.wav", *r.file);
    }
    r.arm();
    EXPECT_EQ(engine.LoadWave(Bgm(), "Wave\\bad.wav"), 0);
    EXPECT_EQ(backend.Boxes(),
              r.message ? std::vector<std::string>{r.message} : std::vector<std::string>{});
    EXPECT_EQ(Bgm() != nullptr, r.bufferStays);
    EXPECT_EQ(platform::OpenHandles(), handlesBefore);
}

INSTANTIATE_TEST_SUITE_P(Bad, WaveRefusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- files from another program

TEST_F(SoundTest, WavFilesWrittenBySoxAreHeardAtTheirPitchAndForTheirLength) {
    struct SoxFile {
        const char* name;
        double hz;
        std::uint32_t ms;
    };
    const SoxFile files[] = {{"sox_8000_u8_mono.wav", 440.0, 250},
                             {"sox_22050_s16_mono.wav", 440.0, 250},
                             {"sox_44100_s16_stereo.wav", 660.0, 100}};
    for (const SoxFile& f : files) {
        SCOPED_TRACE(f.name);
        const std::string path = std::string(QV_AUDIO_TEST_DATA) + "/" + f.name;
        ASSERT_EQ(engine.LoadSlot(Bgm(), path.c_str()), 1);
        engine.PlaySlot(Bgm(), 0);
        const auto left = backend.Run(500);
        EXPECT_NEAR(Pitch(left, FramesIn(10), FramesIn(f.ms - 10)), f.hz, f.hz * 0.01);
        // Resampling the 8 kHz file up to 44.1 kHz softens it a little.
        EXPECT_NEAR(Rms(left, FramesIn(10), FramesIn(f.ms - 10)), kHalfScaleRms, 0.06);
        EXPECT_LT(Rms(left, FramesIn(f.ms + 20)), 1e-3) << "a one-shot ends with its sound";
    }
    EXPECT_TRUE(backend.Boxes().empty());
    // sox writes 24-bit samples as WAVE_FORMAT_EXTENSIBLE, which is not plain PCM.
    const std::string extensible = std::string(QV_AUDIO_TEST_DATA) + "/sox_8000_s24_mono.wav";
    EXPECT_EQ(engine.LoadSlot(Bgm(), extensible.c_str()), 0);
    EXPECT_EQ(backend.Boxes(), std::vector<std::string>{"形式タグ照合失敗"});
}

} // namespace
