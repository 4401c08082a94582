// The step's bookkeeping: the field limits, removals and the steered index,
// values that are not numbers, the sun steered off the field. The pulls themselves are held
// against the reference step in gravity_agreement_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/gravity.h"
#include "support/planet_scenes.h"

namespace {

class GravityStep : public ::testing::Test {
protected:
    void SetUp() override { CreatePlanetTable(); }
    void TearDown() override { DestroyPlanetTable(); }

    Planet& table() { return PlanetTable[0]; }

    // Appends a live planet and returns its index.
    std::uint32_t Add(float x, float y, float mass = 1.0f, Vec2 velocity = Vec2(0.0f, 0.0f)) {
        return AddPlanet(PlanetTable, Vec2(x, y), mass, velocity);
    }

    // A weightless sun, so that a planet's motion is exactly its own velocity.
    void SilenceSun() { table().mass = 0.0f; }
};

TEST_F(GravityStep, FieldLimitsAreInclusive) {
    SilenceSun();
    // Each planet lands exactly on a limit, or a quarter pixel beyond it.
    Add(739.0f, 0.0f, 0.0f, Vec2(4.0f, 0.0f));   // x 740: stays
    Add(-149.0f, 0.0f, 0.0f, Vec2(-4.0f, 0.0f)); // x -150: stays
    Add(0.0f, -149.0f, 0.0f, Vec2(0.0f, -4.0f)); // y -150: stays
    Add(0.0f, 579.0f, 0.0f, Vec2(0.0f, 4.0f));   // y 580: stays
    StepPlanets();
    EXPECT_EQ(table().count, 5u);
    EXPECT_EQ(PlanetTable[1].position.x, 740.0f);
    EXPECT_EQ(PlanetTable[4].position.y, 580.0f);

    for (std::uint32_t i = 1; i < 5; ++i) {
        PlanetTable[i].velocity = PlanetTable[i].velocity * 0.25f; // a quarter pixel beyond
    }
    for (const std::uint32_t left : {3u, 2u, 1u}) {
        StepPlanets(); // a record moved into a freed slot is tested in the next step
        EXPECT_EQ(table().count, left);
    }
}

TEST_F(GravityStep, RemovalsHandTheSteeredIndexOnAndMoveTheLastRecordIn) {
    // Every planet moves by a quarter pixel along both axes; one of them
    // starts outside the field and is removed in the step.
    struct Case {
        std::vector<Vec2> planets;
        std::uint32_t steered, steeredAfter;
        std::uint32_t index; // a record whose x is then `x`
        float x;
        float hudY; // the last record the step wrote
    };
    const Case cases[] = {
        // the steered last record moves into the freed slot
        {{{10, 10}, {900, 10}, {30, 30}}, 3, 2, 2, 30.0f, 30.0f},
        // a steered record removed in the middle passes its index on
        {{{-500, 10}, {20, 20}, {30, 30}}, 1, 1, 1, 30.0f, 20.25f},
        // a steered last record removed leaves the index on a free slot; the
        // HUD gets the removed record, unadvanced
        {{{20, 20}, {30, 1000}}, 2, 2, 1, 20.25f, 1000.0f},
        // removing the last record changes no other record
        {{{20, 20}, {30, 1000}}, 0, 0, 1, 20.25f, 1000.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        DestroyPlanetTable();
        CreatePlanetTable();
        SilenceSun();
        for (const Vec2& at : c.planets) {
            Add(at.x, at.y, 0.0f, Vec2(1.0f, 1.0f));
        }
        table().steeredIndex = c.steered;
        const Planet hud = StepPlanets();
        EXPECT_EQ(table().count, c.planets.size());
        EXPECT_EQ(table().steeredIndex, c.steeredAfter);
        EXPECT_EQ(PlanetTable[c.index].position.x, c.x);
        EXPECT_EQ(hud.position.y, c.hudY);
    }
}

TEST_F(GravityStep, NotANumberIsNeverRemoved) {
    SilenceSun();
    const std::uint32_t lost = Add(std::nanf(""), 10.0f);
    StepPlanets();
    StepPlanets();
    EXPECT_EQ(table().count, 2u);
    EXPECT_TRUE(std::isnan(PlanetTable[lost].position.x));
    EXPECT_TRUE(std::isnan(PlanetTable[lost].acceleration.x));
}

TEST_F(GravityStep, SunSteeredOffTheFieldStopsAtItsLastPlaceInside) {
    table().position = Vec2(739.5f, 240.0f);
    table().velocity = Vec2(4.0f, 0.0f);
    StepPlanets(); // lands on 740.5: stays at 739.5
    EXPECT_EQ(table().position.x, 739.5f);
    EXPECT_EQ(table().count, 1u);
    EXPECT_EQ(table().kind, SUN_KIND);

    Add(100.0f, 100.0f);
    table().steeredIndex = 1;
    StepPlanets();
    EXPECT_EQ(table().count, 2u);
    EXPECT_EQ(table().steeredIndex, 1u);
    EXPECT_EQ(table().mass, 250.0f);
}

} // namespace
