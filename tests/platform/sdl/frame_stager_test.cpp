// The staged frame: converted rows always match the latest frame, and only
// rows that changed are handed on for uploading.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "backends/sdl/frame_stager.h"
#include "backends/sdl/sdl_mapping.h"

namespace {

using platform::PaletteColour;
using platform::sdl::FrameStager;

constexpr int kWidth = 40;
constexpr int kHeight = 30;
constexpr int kPitch = 48; // rows padded, as a locked surface's are

struct Frame {
    std::vector<std::uint8_t> indices = std::vector<std::uint8_t>(kPitch * kHeight);
    PaletteColour palette[256];

    Frame() {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kPitch; ++x) {
                // The padding holds bytes that are never part of the picture.
                indices[static_cast<std::size_t>(y * kPitch + x)] =
                    static_cast<std::uint8_t>(x < kWidth ? (x * 7 + y * 3) & 0xFF : 0xEE);
            }
        }
        for (int i = 0; i < 256; ++i) {
            palette[i] =
                PaletteColour{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 2),
                              static_cast<std::uint8_t>(255 - i)};
        }
    }
    void Set(int x, int y, std::uint8_t index) {
        indices[static_cast<std::size_t>(y * kPitch + x)] = index;
    }
    bool StageInto(FrameStager& stager) const {
        return stager.Stage(indices.data(), kWidth, kHeight, kPitch, palette);
    }
};

// The stager's pixels are exactly the whole frame converted afresh.
void ExpectConvertedWhole(const FrameStager& stager, const Frame& frame) {
    std::vector<std::uint8_t> expected(kWidth * kHeight * 4);
    platform::sdl::ConvertFrame(frame.indices.data(), kWidth, kHeight, kPitch, frame.palette,
                                expected.data(), kWidth * 4);
    ASSERT_EQ(stager.Pitch(), kWidth * 4);
    EXPECT_EQ(std::memcmp(stager.Pixels(), expected.data(), expected.size()), 0);
}

// The rows changed since last taken, as first row and count.
std::pair<int, int> Taken(FrameStager& stager) {
    const auto band = stager.TakeChangedRows();
    return {band.first, band.count};
}

TEST(FrameStager, OnlyRowsThatChangedSinceTheLastTakingAreHandedOn) {
    FrameStager stager;
    Frame frame;
    ASSERT_TRUE(frame.StageInto(stager));
    ExpectConvertedWhole(stager, frame);
    EXPECT_EQ(Taken(stager), std::pair(0, kHeight));
    EXPECT_EQ(Taken(stager), std::pair(0, 0));
    Frame padded = frame;
    padded.indices[kWidth] = 0x11; // padding only
    EXPECT_FALSE(padded.StageInto(stager));
    EXPECT_EQ(Taken(stager), std::pair(0, 0));

    frame.Set(0, 9, 1);
    frame.Set(kWidth - 1, 5, 2); // the last pixel of a row counts
    ASSERT_TRUE(frame.StageInto(stager));
    ExpectConvertedWhole(stager, frame);
    EXPECT_EQ(Taken(stager), std::pair(5, 5));
    // Two frames before the screen takes them: both bands, as one.
    frame.Set(3, 20, 3);
    frame.StageInto(stager);
    frame.Set(3, 2, 4);
    frame.StageInto(stager);
    ExpectConvertedWhole(stager, frame);
    EXPECT_EQ(Taken(stager), std::pair(2, 19));
    frame.Set(7, kHeight - 1, 5);
    frame.StageInto(stager);
    EXPECT_EQ(Taken(stager), std::pair(kHeight - 1, 1));
}

TEST(FrameStager, APaletteChangeOrANewSizeRedoesTheWholeFrame) {
    FrameStager stager;
    Frame frame;
    frame.StageInto(stager);
    stager.TakeChangedRows();
    frame.palette[200].green = 1; // one channel of one entry, as a fade step may do
    ASSERT_TRUE(frame.StageInto(stager));
    ExpectConvertedWhole(stager, frame);
    EXPECT_EQ(Taken(stager), std::pair(0, kHeight));
    ASSERT_TRUE(
        stager.Stage(frame.indices.data(), kWidth - 8, kHeight - 10, kPitch, frame.palette));
    EXPECT_EQ(Taken(stager), std::pair(0, kHeight - 10));
    stager.MarkAllChanged();
    EXPECT_EQ(Taken(stager), std::pair(0, kHeight - 10));
}

} // namespace
