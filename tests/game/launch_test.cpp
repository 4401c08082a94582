#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "game/launch.h"
#include "game/planet.h"
#include "game/random.h"
#include "support/test_backend.h"

namespace {

class Launching : public ::testing::Test {
protected:
    void SetUp() override {
        CreatePlanetTable();
        launchLatch = 0;
    }
    void TearDown() override { DestroyPlanetTable(); }
    Planet& table() { return PlanetTable[0]; }
    TestBackend clock{0}; // no values skipped: each draw takes the next value
};

// Each launch draws four numbers: x0, a speed draw that is thrown away, the
// heading's place in its band and the mass. Over a full table the launches
// cover the screen's width, right up to its right edge, where the band from
// 85 x0 / 640 to 88.8 x0 / 640 degrees is widest.
TEST_F(Launching, EachLaunchTakesPlaceSpeedHeadingAndMassFromItsDraws) {
    double rightmost = 0.0;
    for (std::uint32_t n = 2; n <= PLANET_CAPACITY; ++n) {
        const std::uint32_t state = randomState;
        double draw[4];
        for (double& d : draw) {
            d = NextRandom() / 32767.0;
        }
        randomState = state;
        LaunchPlanet();
        ASSERT_EQ(table().count, n);
        ASSERT_EQ(table().steeredIndex, n - 1);
        const Planet& p = PlanetTable[n - 1];
        const double x0 = p.position.x;
        ASSERT_NEAR(x0, 0.002 + draw[0] * 639.998, 1e-4);
        ASSERT_EQ(p.position.y, 500.0f);
        ASSERT_NEAR(std::hypot(p.velocity.x, p.velocity.y), 2.0 - x0 / 640.0, 1e-5);
        const double heading = std::atan2(-p.velocity.y, p.velocity.x) * 180.0 / std::numbers::pi;
        ASSERT_NEAR(heading, x0 / 640.0 * (85.0 + 3.8 * draw[2]), 1e-3) << x0;
        ASSERT_NEAR(p.mass, 1.0 + 4.0 * draw[3], 1e-5);
        rightmost = std::max(rightmost, x0);
    }
    EXPECT_GT(rightmost, 630.0);
    // Full: a press launches nothing and still latches.
    HandleLaunchInput(INPUT_Z);
    EXPECT_EQ(launchLatch, 1);
    EXPECT_EQ(table().count, PLANET_CAPACITY);
}

TEST(MassClass, KindsBreakAtSevenThirdsElevenThirdsAndFive) {
    const std::pair<float, int> kinds[] = {{1.0f, 0},  {2.33f, 0},   {2.34f, 1}, {3.66f, 1},
                                           {3.67f, 2}, {4.9999f, 2}, {5.0f, 3}};
    for (const auto& [mass, kind] : kinds) {
        EXPECT_EQ(KindForMass(mass), kind) << mass;
    }
}

TEST_F(Launching, EachPressLaunchesOnceHoweverLongItIsHeld) {
    HandleLaunchInput(INPUT_Z);
    HandleLaunchInput(INPUT_Z);
    HandleLaunchInput(INPUT_Z | INPUT_LBUTTON | INPUT_UP);
    EXPECT_EQ(table().count, 2u);
    HandleLaunchInput(INPUT_LEFT); // released (steering keys do not count)
    HandleLaunchInput(INPUT_LBUTTON);
    EXPECT_EQ(table().count, 3u);
    HandleLaunchInput(INPUT_Z); // switching buttons without a release is one press
    EXPECT_EQ(table().count, 3u);
}

TEST_F(Launching, ArrowsTurnOrSpeedTheSteeredRecordAndTheLastHeldOneDecides) {
    const float k2 = 0.01f / 7.5f;
    struct Case {
        Vec2 from;
        InputBits keys;
        Vec2 to;
    };
    const Case cases[] = {
        {{0, 0}, INPUT_UP, {k2, 0}}, // at rest the heading is +x
        {{0, 0}, INPUT_DOWN, {-k2, 0}},
        {{0, 0}, INPUT_LEFT, {0, 0.01f}}, // a fixed push down the screen, whatever the heading
        {{3, 4}, INPUT_RIGHT, {3, 3.99f}},
        {{0, -1}, INPUT_LEFT | INPUT_UP, {0, -1 - k2}},
        {{0, -1}, INPUT_LEFT | INPUT_RIGHT, {0, -1.01f}},
        {{3, 4}, INPUT_UP | INPUT_DOWN, {3 - 0.6f * k2, 4 - 0.8f * k2}},
        {{0.0005f, 0}, INPUT_DOWN, {0.0005f - k2, 0}}, // slower than the step: reversed
    };
    for (const Case& c : cases) {
        table().velocity = c.from;
        SteerPlanet(c.keys);
        EXPECT_NEAR(table().velocity.x, c.to.x, 1e-6f) << c.keys;
        EXPECT_NEAR(table().velocity.y, c.to.y, 1e-6f) << c.keys;
    }
}

// Steering reads the steered index afresh: in the frame of a launch it acts
// on the new planet, and after that planet has left the field as the last
// record, on its free record.
TEST_F(Launching, SteersTheRecordTheSteeredIndexNamesNow) {
    HandleLaunchInput(INPUT_Z);
    const Vec2 launched = PlanetTable[1].velocity;
    SteerPlanet(INPUT_LEFT);
    EXPECT_FLOAT_EQ(PlanetTable[1].velocity.y, launched.y + 0.01f);
    table().count = 1;
    SteerPlanet(INPUT_RIGHT);
    EXPECT_FLOAT_EQ(PlanetTable[1].velocity.y, launched.y);
    EXPECT_EQ(table().velocity.y, 0.0f) << "the sun";
}

} // namespace
