#include <gtest/gtest.h>

#include <climits>

#include "game/random.h"
#include "support/test_backend.h"

namespace {

// The classic C library sequence from seed 1.
constexpr int CLASSIC[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};

// The generator as the game starts it, at state 1, without replay.
class Random : public ::testing::Test {
protected:
    void SetUp() override {
        randomState = 1;
        randomReplay = 0;
        replayIndex = 0;
    }
    TestBackend clock{0};
};

TEST_F(Random, GeneratorGivesTheClassicSequenceFromStateOne) {
    for (int expected : CLASSIC) {
        EXPECT_EQ(NextRandom(), expected);
    }
}

TEST_F(Random, RandomUnitSkipsTheClockModuloSixteen) {
    clock.now = 3; // skips 41, 18467, 6334
    EXPECT_FLOAT_EQ(RandomUnit(), 26500 / 32767.0f);
    clock.now = 16; // 16 mod 16: no skip
    EXPECT_FLOAT_EQ(RandomUnit(), 19169 / 32767.0f);
    clock.now = 0xFFFFFFFFu; // 15 skipped (values 6 to 20), the 21st returned
    EXPECT_FLOAT_EQ(RandomUnit(), 32391 / 32767.0f);
}

TEST_F(Random, RandomRangeSwapsItsBounds) {
    EXPECT_FLOAT_EQ(RandomRange(10.0f, 2.0f), 41 / 32767.0f * 8.0f + 2.0f);
    EXPECT_FLOAT_EQ(RandomRange(-3.0f, 5.0f), 18467 / 32767.0f * 8.0f - 3.0f);
    EXPECT_EQ(RandomRange(1.5f, 1.5f), 1.5f);
}

TEST_F(Random, RandomIntRangesAndReplay) {
    EXPECT_EQ(RandomInt(0, 9), 41 % 10);
    EXPECT_EQ(RandomInt(9, 0), 18467 % 10); // swapped bounds
    EXPECT_EQ(RandomInt(INT_MIN, INT_MAX), static_cast<std::int32_t>(6334LL + INT_MIN));
    EXPECT_EQ(RandomInt(-5, -5), -5);

    randomReplay = 1;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < REPLAY_COUNT; ++i) {
            ASSERT_EQ(RandomInt(100, 200), REPLAY_VALUES[i]);
        }
    }
    randomReplay = 0;
    EXPECT_EQ(NextRandom(), 19169); // replay drew nothing from the generator
}

} // namespace
