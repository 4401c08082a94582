// What the game's threads hand the page without waiting for it: sound in
// the ring the AudioWorklet plays from, frames in the slots the canvas is
// drawn from.
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "backends/web/frame_slots.h"
#include "backends/web/sample_ring.h"

using platform::web::FrameSlots;
using platform::web::SampleRing;

namespace {

// Stereo frames whose samples count up from `first`.
std::vector<std::int16_t> Counting(std::uint32_t frames, int first) {
    std::vector<std::int16_t> samples(frames * 2u);
    std::iota(samples.begin(), samples.end(), static_cast<std::int16_t>(first));
    return samples;
}

} // namespace

TEST(WebSampleRing, SoundComesOutAsItWentInAcrossTheWrap) {
    SampleRing ring(1000, 2);
    std::vector<std::int16_t> out(1400 * 2);
    for (int round = 0; round < 3; ++round) { // 700 frames a round: the third wraps
        const auto in = Counting(700, round * 2000);
        ASSERT_EQ(ring.Write(in.data(), 700), 700u);
        ring.Read(out.data(), 700);
        EXPECT_EQ(std::vector<std::int16_t>(out.begin(), out.begin() + 1400), in) << round;
    }
    EXPECT_EQ(ring.Underruns(), 0u);
}

TEST(WebSampleRing, AFullRingTakesOnlyWhatFitsAndOverwritesNothing) {
    SampleRing ring(1000, 2);
    const auto first = Counting(800, 0);
    EXPECT_EQ(ring.Write(first.data(), 800), 800u);
    EXPECT_EQ(ring.FreeFrames(), 200u);
    const auto more = Counting(500, 5000);
    EXPECT_EQ(ring.Write(more.data(), 500), 200u);
    EXPECT_EQ(ring.FreeFrames(), 0u);
    std::vector<std::int16_t> out(1000 * 2);
    ring.Read(out.data(), 1000);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), out.begin()));
    EXPECT_TRUE(std::equal(more.begin(), more.begin() + 400, out.begin() + 1600));
    EXPECT_EQ(ring.Underruns(), 0u);
}

TEST(WebSampleRing, AShortRingPlaysWhatItHasThenSilenceAndCountsTheUnderrun) {
    SampleRing ring(1000, 2);
    const auto in = Counting(100, 1);
    ring.Write(in.data(), 100);
    std::vector<std::int16_t> out(128 * 2, 77);
    ring.Read(out.data(), 128);
    EXPECT_TRUE(std::equal(in.begin(), in.end(), out.begin()));
    EXPECT_EQ(std::count(out.begin() + 200, out.end(), 0), 56);
    EXPECT_EQ(ring.Underruns(), 1u);
    // What comes after the underrun plays next, not later.
    const auto next = Counting(128, 900);
    ring.Write(next.data(), 128);
    ring.Read(out.data(), 128);
    EXPECT_EQ(out, next);
    EXPECT_EQ(ring.Underruns(), 1u);
    EXPECT_EQ(ring.FreeFrames(), 1000u);
}

TEST(WebFrameSlots, ThePageDrawsTheNewestFrameOnceAndNeverOneBeingFilled) {
    FrameSlots slots(4);
    EXPECT_EQ(slots.TakeNewest(), nullptr) << "nothing presented yet";
    auto present = [&](std::uint8_t value) {
        std::fill(slots.Back(), slots.Back() + 4, value);
        slots.Publish();
    };
    present(1);
    present(2); // before the page looked: 1 is never drawn
    const std::uint8_t* drawn = slots.TakeNewest();
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn[0], 2);
    EXPECT_EQ(slots.TakeNewest(), nullptr) << "drawn already";
    // While the page copies frame 2, the game goes on presenting.
    for (std::uint8_t value = 3; value < 10; ++value) {
        EXPECT_NE(slots.Back(), drawn);
        present(value);
        EXPECT_EQ(drawn[3], 2);
    }
    const std::uint8_t* newest = slots.TakeNewest();
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest[0], 9);
}
