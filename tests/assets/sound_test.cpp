// The two generated sounds: they pass every check of the game's WAV reader,
// and they loop the way the game plays them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "tests/assets/asset_files.h"

namespace {

struct Chunk {
    std::size_t data; // offset of the chunk's first data byte
    std::uint32_t size;
};

// The game's chunk walk: from offset 12, by declared sizes with no padding,
// until RIFF size + 8 or the end of the file.
std::optional<Chunk> FindChunk(const std::vector<std::uint8_t>& file, const char* id) {
    const std::uint64_t end = std::uint64_t(Read32(file, 4)) + 8;
    std::uint64_t at = 12;
    while (at < end && at + 8 <= file.size()) {
        std::uint32_t size = Read32(file, at + 4);
        if (std::memcmp(&file[at], id, 4) == 0)
            return Chunk{std::size_t(at + 8), size};
        at += 8 + std::uint64_t(size);
    }
    return std::nullopt;
}

struct Wave {
    int channels = 0;
    int rate = 0;
    std::vector<std::vector<int>> channel; // samples per channel
    double Seconds() const { return channel.empty() ? 0 : double(channel[0].size()) / rate; }
};

// Reads a file as the game does and checks, besides, that its header is the
// plain 16-bit PCM one the generators promise.
Wave LoadChecked(const std::string& path) {
    Wave wave;
    auto file = ReadBytes(path);
    EXPECT_GE(file.size(), 44u) << path;
    if (file.size() < 44)
        return wave;
    EXPECT_EQ(std::memcmp(&file[0], "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(&file[8], "WAVE", 4), 0);
    EXPECT_EQ(Read32(file, 4), file.size() - 8);

    auto fmt = FindChunk(file, "fmt ");
    auto data = FindChunk(file, "data");
    EXPECT_TRUE(fmt.has_value());
    EXPECT_TRUE(data.has_value());
    if (!fmt || !data)
        return wave;
    EXPECT_EQ(fmt->size, 16u);
    EXPECT_EQ(Read16(file, fmt->data), 1u) << "format tag: PCM";
    wave.channels = Read16(file, fmt->data + 2);
    wave.rate = int(Read32(file, fmt->data + 4));
    const int blockAlign = Read16(file, fmt->data + 12);
    EXPECT_TRUE(wave.channels == 1 || wave.channels == 2);
    EXPECT_TRUE(wave.rate == 44100 || wave.rate == 22050);
    EXPECT_EQ(Read16(file, fmt->data + 14), 16u);
    EXPECT_EQ(blockAlign, wave.channels * 2);
    EXPECT_EQ(Read32(file, fmt->data + 8), std::uint32_t(wave.rate * blockAlign));
    EXPECT_EQ(data->data + data->size, file.size());
    EXPECT_EQ(data->size % blockAlign, 0u);
    if (wave.channels < 1 || wave.channels > 2 || data->data + data->size > file.size())
        return wave;

    const std::size_t frames = data->size / std::size_t(blockAlign);
    wave.channel.assign(wave.channels, std::vector<int>(frames));
    const std::uint8_t* bytes = file.data() + data->data;
    for (std::size_t f = 0; f < frames; ++f)
        for (int c = 0; c < wave.channels; ++c) {
            const std::uint8_t* q = bytes + (f * wave.channels + c) * 2;
            wave.channel[c][f] = std::int16_t(q[0] | q[1] << 8);
        }
    return wave;
}

int Peak(const std::vector<int>& x) {
    int peak = 0;
    for (int v : x)
        peak = std::max(peak, std::abs(v));
    return peak;
}

double Rms(const std::vector<int>& x, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(to - from));
}

// The jump between consecutive samples that `share` of all jumps stay under.
int DeltaPercentile(const std::vector<int>& x, double share) {
    std::vector<int> deltas;
    for (std::size_t i = 1; i < x.size(); ++i)
        deltas.push_back(std::abs(x[i] - x[i - 1]));
    std::size_t k = std::size_t(share * double(deltas.size() - 1));
    std::nth_element(deltas.begin(), deltas.begin() + std::ptrdiff_t(k), deltas.end());
    return deltas[k];
}

TEST(BackgroundTune, IsALongPcmLoopWithoutClipping) {
    Wave wave = LoadChecked(BGM_WAV_PATH);
    ASSERT_FALSE(wave.channel.empty());
    EXPECT_GE(wave.Seconds(), 30.0);
    for (const auto& x : wave.channel) {
        EXPECT_LT(Peak(x), 32767) << "clipped";
        EXPECT_GT(Peak(x), 16384) << "too quiet";
        // music all the way through: no silent stretch of a second
        for (std::size_t at = 0; at + wave.rate <= x.size(); at += wave.rate)
            EXPECT_GT(Rms(x, at, at + wave.rate), 300) << "quiet at " << at / wave.rate << " s";
    }
}

TEST(BackgroundTune, EndRunsOnIntoTheStartWithoutAClick) {
    Wave wave = LoadChecked(BGM_WAV_PATH);
    ASSERT_FALSE(wave.channel.empty());
    for (const auto& x : wave.channel) {
        int seam = std::abs(x.front() - x.back());
        EXPECT_LE(seam, DeltaPercentile(x, 0.99));
        // the level carries on across the seam rather than dipping or jumping
        const std::size_t tenth = std::size_t(wave.rate / 10);
        double before = Rms(x, x.size() - tenth, x.size());
        double after = Rms(x, 0, tenth);
        EXPECT_GT(before, 300);
        EXPECT_GT(after, 300);
        EXPECT_LT(std::max(before, after) / std::min(before, after), 3.0);
    }
}

TEST(ShotSound, IsShortCrispAndSilentAtBothEnds) {
    Wave wave = LoadChecked(SHOT_WAV_PATH);
    ASSERT_FALSE(wave.channel.empty());
    EXPECT_GT(wave.Seconds(), 0.05);
    EXPECT_LT(wave.Seconds(), 1.0);
    for (const auto& x : wave.channel) {
        EXPECT_LT(Peak(x), 32767);
        EXPECT_GT(Peak(x), 16384);
        // crisp: loud within its first 20 ms
        std::vector<int> attack(x.begin(), x.begin() + wave.rate / 50);
        EXPECT_GT(Peak(attack), Peak(x) / 2);
        // played back to back, the end meets the start at silence
        EXPECT_LE(std::abs(x.front()), 64);
        std::vector<int> tail(x.end() - wave.rate / 100, x.end());
        EXPECT_LE(Peak(tail), 64);
    }
}

} // namespace
