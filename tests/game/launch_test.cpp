#include <gtest/gtest.h>

#include <cmath>

#include "game/launch.h"
#include "game/planet.h"
#include "support/test_backend.h"

namespace {

constexpr float DEGREES = 180.0f / 3.1415927f;

class Launching : public ::testing::Test {
protected:
    void SetUp() override { CreatePlanetTable(); }
    void TearDown() override { DestroyPlanetTable(); }
    Planet& table() { return PlanetTable[0]; }
    TestBackend clock{0}; // no values skipped: each draw takes the next value
};

TEST_F(Launching, FirstLaunchDrawsPositionSpeedAngleAndMassInThatOrder) {
    LaunchPlanet();
    ASSERT_EQ(table().count, 2u);
    EXPECT_EQ(table().steeredIndex, 1u);
    const Planet& p = PlanetTable[1];
    EXPECT_EQ(p.inUse, 1);
    // draws: 41 -> x0, 18467 -> the speed draw (discarded), 6334 -> angle, 26500 -> mass
    const float x0 = 41 / 32767.0f * (640.0f - 0.002f) + 0.002f;
    EXPECT_FLOAT_EQ(p.position.x, x0);
    EXPECT_EQ(p.position.y, 500.0f);
    const float speed = std::hypot(p.velocity.x, p.velocity.y);
    EXPECT_NEAR(speed, 2.0f - x0 / 640.0f, 1e-5f);
    const float angle = std::atan2(-p.velocity.y, p.velocity.x) * DEGREES;
    const float lo = 85.0f * x0 / 640.0f;
    const float hi = 88.8f * x0 / 640.0f;
    EXPECT_NEAR(angle, lo + 6334 / 32767.0f * (hi - lo), 1e-4f);
    EXPECT_FLOAT_EQ(p.mass, 26500 / 32767.0f * 4.0f + 1.0f); // 4.235
    EXPECT_EQ(p.kind, 2);
}

TEST_F(Launching, SpeedAndHeadingFollowTheLaunchPosition) {
    for (std::uint32_t t = 0; t < 200; ++t) {
        clock.now = t * 5;
        LaunchPlanet();
        const Planet& p = PlanetTable[table().count - 1];
        const float x0 = p.position.x;
        ASSERT_GE(x0, 0.002f);
        ASSERT_LE(x0, 640.0f);
        const float speed = std::hypot(p.velocity.x, p.velocity.y);
        ASSERT_NEAR(speed, 2.0f - x0 / 640.0f, 1e-5f);
        const float angle = std::atan2(-p.velocity.y, p.velocity.x) * DEGREES;
        ASSERT_GE(angle, 85.0f * x0 / 640.0f - 1e-3f);
        ASSERT_LE(angle, 88.8f * x0 / 640.0f + 1e-3f);
        ASSERT_GE(p.mass, 1.0f);
        ASSERT_LE(p.mass, 5.0f);
        ASSERT_EQ(p.kind, static_cast<int>((p.mass - 1.0) * 3.0 / 4.0));
        ASSERT_EQ(table().steeredIndex, table().count - 1);
    }
}

TEST(MassClass, KindsBreakAtSevenThirdsElevenThirdsAndFive) {
    const std::pair<float, int> kinds[] = {{1.0f, 0},  {2.33f, 0},   {2.34f, 1}, {3.66f, 1},
                                           {3.67f, 2}, {4.9999f, 2}, {5.0f, 3}};
    for (const auto& [mass, kind] : kinds) {
        EXPECT_EQ(KindForMass(mass), kind) << mass;
    }
}

TEST_F(Launching, FullTableLaunchesNothingButStillLatches) {
    for (std::uint32_t i = 1; i < PLANET_CAPACITY; ++i) {
        LaunchPlanet();
    }
    ASSERT_EQ(table().count, PLANET_CAPACITY);
    const std::uint32_t steered = table().steeredIndex;
    HandleLaunchInput(INPUT_Z);
    EXPECT_EQ(launchLatch, 1);
    EXPECT_EQ(table().count, PLANET_CAPACITY);
    EXPECT_EQ(table().steeredIndex, steered);
}

TEST_F(Launching, EachPressLaunchesOnceHoweverLongItIsHeld) {
    HandleLaunchInput(INPUT_Z);
    HandleLaunchInput(INPUT_Z);
    HandleLaunchInput(INPUT_Z | INPUT_LBUTTON | INPUT_UP);
    EXPECT_EQ(table().count, 2u);
    HandleLaunchInput(INPUT_LEFT); // released (steering keys do not count)
    EXPECT_EQ(launchLatch, 0);
    HandleLaunchInput(INPUT_LBUTTON);
    EXPECT_EQ(table().count, 3u);
    HandleLaunchInput(INPUT_Z); // switching buttons without a release is one press
    EXPECT_EQ(table().count, 3u);
}

class Steering : public Launching {
protected:
    Vec2& velocity() { return PlanetTable[table().steeredIndex].velocity; }
};

TEST_F(Steering, ArrowsOnARecordAtRest) {
    SteerPlanet(INPUT_UP);
    EXPECT_FLOAT_EQ(velocity().x, 0.01f / 7.5f);
    EXPECT_EQ(velocity().y, 0.0f);

    velocity() = Vec2(0.0f, 0.0f);
    SteerPlanet(INPUT_DOWN);
    EXPECT_FLOAT_EQ(velocity().x, -0.01f / 7.5f);

    velocity() = Vec2(0.0f, 0.0f);
    SteerPlanet(INPUT_LEFT);
    EXPECT_NEAR(velocity().x, -4.37e-10f, 0.01e-10f);
    EXPECT_FLOAT_EQ(velocity().y, 0.01f);

    velocity() = Vec2(0.0f, 0.0f);
    SteerPlanet(INPUT_RIGHT);
    EXPECT_NEAR(velocity().x, 4.37e-10f, 0.01e-10f);
    EXPECT_FLOAT_EQ(velocity().y, -0.01f);
}

TEST_F(Steering, LastHeldArrowInLeftRightUpDownOrderDecides) {
    velocity() = Vec2(0.0f, -1.0f);
    SteerPlanet(INPUT_LEFT | INPUT_UP);
    EXPECT_NEAR(velocity().x, 0.0f, 1e-7f);
    EXPECT_FLOAT_EQ(velocity().y, -1.0f - 0.01f / 7.5f);

    velocity() = Vec2(0.0f, -1.0f);
    SteerPlanet(INPUT_LEFT | INPUT_RIGHT);
    EXPECT_FLOAT_EQ(velocity().y, -1.01f);

    velocity() = Vec2(3.0f, 4.0f);
    SteerPlanet(INPUT_UP | INPUT_DOWN);
    EXPECT_FLOAT_EQ(velocity().x, 3.0f * (5.0f - 0.01f / 7.5f) / 5.0f);
    EXPECT_FLOAT_EQ(velocity().y, 4.0f * (5.0f - 0.01f / 7.5f) / 5.0f);
}

TEST_F(Steering, DownBelowTheStepReversesTheHeading) {
    velocity() = Vec2(0.0005f, 0.0f);
    SteerPlanet(INPUT_DOWN);
    EXPECT_NEAR(velocity().x, 0.0005f - 0.01f / 7.5f, 1e-9f);
}

TEST_F(Steering, SteersTheSunUntilTheFirstLaunchThenTheNewPlanet) {
    SteerPlanet(INPUT_LEFT);
    EXPECT_FLOAT_EQ(PlanetTable[0].velocity.y, 0.01f);

    HandleLaunchInput(INPUT_Z);
    const Vec2 launched = PlanetTable[1].velocity;
    SteerPlanet(INPUT_LEFT); // the same frame's steering acts on the new planet
    EXPECT_FLOAT_EQ(PlanetTable[1].velocity.y, launched.y + 0.01f);
    EXPECT_FLOAT_EQ(PlanetTable[0].velocity.y, 0.01f);
}

TEST_F(Steering, AFreeSteeredRecordIsSteeredInvisibly) {
    table().steeredIndex = 1; // as after the steered last planet was removed
    SteerPlanet(INPUT_RIGHT);
    EXPECT_FLOAT_EQ(PlanetTable[1].velocity.y, -0.01f);
    EXPECT_EQ(table().count, 1u);
}

} // namespace
