// The two generated sounds: plain 16-bit PCM that the game's chunk walk
// finds, loud without clipping, and seamless where the game loops them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "tests/assets/asset_files.h"

namespace {

struct Wave {
    int rate = 0;
    std::vector<std::vector<int>> channels;
    double Seconds() const { return double(channels.at(0).size()) / rate; }
};

// Walks the chunks as the game does (from offset 12, by their declared
// sizes) and reads each channel of what must be plain 16-bit PCM.
Wave Load(const std::string& path) {
    const auto file = ReadBytes(path);
    std::size_t format = 0, data = 0, size = 0;
    for (std::size_t at = 12; at + 8 <= file.size(); at += 8 + Read32(file, at + 4)) {
        if (std::memcmp(&file[at], "fmt ", 4) == 0) {
            format = at + 8;
        } else if (std::memcmp(&file[at], "data", 4) == 0) {
            data = at + 8;
            size = Read32(file, at + 4);
        }
    }
    Wave wave;
    const int channels = format != 0 ? Read16(file, format + 2) : 0;
    wave.rate = format != 0 ? int(Read32(file, format + 4)) : 0;
    const bool plain = file.size() >= 44 && std::memcmp(&file[0], "RIFF", 4) == 0 &&
                       std::memcmp(&file[8], "WAVE", 4) == 0 &&
                       Read32(file, 4) == file.size() - 8 && data != 0 &&
                       data + size == file.size() && Read16(file, format) == 1 &&
                       Read16(file, format + 14) == 16 && (channels == 1 || channels == 2) &&
                       Read16(file, format + 12) == 2 * channels &&
                       Read32(file, format + 8) == std::uint32_t(wave.rate * 2 * channels) &&
                       (wave.rate == 44100 || wave.rate == 22050);
    if (!plain) {
        ADD_FAILURE() << path << " is no plain 16-bit PCM RIFF WAVE file of its own size";
        return wave;
    }
    wave.channels.assign(std::size_t(channels), {});
    for (std::size_t at = data; at + 2 <= data + size; at += 2) {
        wave.channels[(at - data) / 2 % channels].push_back(std::int16_t(Read16(file, at)));
    }
    return wave;
}

int Peak(std::vector<int>::const_iterator from, std::vector<int>::const_iterator to) {
    return std::abs(*std::max_element(from, to, [](int a, int b) { return abs(a) < abs(b); }));
}

double Rms(const std::vector<int>& x, std::size_t from, std::size_t to) {
    const auto begin = x.begin() + long(from), end = x.begin() + long(to);
    return std::sqrt(std::inner_product(begin, end, begin, 0.0) / double(to - from));
}

// The tune loops from its first frame: music all the way through, and its
// end runs on into its start without a click or a jump in level.
TEST(BackgroundTune, IsALongLoudSeamlessLoop) {
    const Wave wave = Load(BGM_WAV_PATH);
    ASSERT_FALSE(wave.channels.empty());
    EXPECT_GE(wave.Seconds(), 30.0);
    const std::size_t second = std::size_t(wave.rate), tenth = second / 10;
    for (const auto& x : wave.channels) {
        EXPECT_LT(Peak(x.begin(), x.end()), 32767) << "clipped";
        EXPECT_GT(Peak(x.begin(), x.end()), 16384) << "too quiet";
        for (std::size_t at = 0; at + second <= x.size(); at += second) {
            EXPECT_GT(Rms(x, at, at + second), 300) << "quiet at " << at / second << " s";
        }
        std::vector<int> jumps;
        for (std::size_t i = 1; i < x.size(); ++i) {
            jumps.push_back(std::abs(x[i] - x[i - 1]));
        }
        std::nth_element(jumps.begin(), jumps.begin() + long(jumps.size() * 99 / 100), jumps.end());
        EXPECT_LE(std::abs(x.front() - x.back()), jumps[jumps.size() * 99 / 100]);
        const double before = Rms(x, x.size() - tenth, x.size()), after = Rms(x, 0, tenth);
        EXPECT_LT(std::max(before, after) / std::min(before, after), 3.0);
    }
}

// Looped back to back when switched on at the title: crisp at its start and
// silent at both ends, so that the repeats meet at silence.
TEST(ShotSound, IsShortCrispAndSilentAtBothEnds) {
    const Wave wave = Load(SHOT_WAV_PATH);
    ASSERT_FALSE(wave.channels.empty());
    EXPECT_GT(wave.Seconds(), 0.05);
    EXPECT_LT(wave.Seconds(), 1.0);
    for (const auto& x : wave.channels) {
        const int peak = Peak(x.begin(), x.end());
        EXPECT_LT(peak, 32767);
        EXPECT_GT(peak, 16384);
        EXPECT_GT(Peak(x.begin(), x.begin() + wave.rate / 50), peak / 2) << "first 20 ms";
        EXPECT_LE(std::abs(x.front()), 64);
        EXPECT_LE(Peak(x.end() - wave.rate / 100, x.end()), 64) << "last 10 ms";
    }
}

} // namespace
