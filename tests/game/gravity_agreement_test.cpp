// The production step against the straightforward reference that calls
// atan2, cos and sin for every attraction.
//
// Bound: each attraction term differs between the two by at most about 8
// units of rounding u of its own size f = mass / r2 (the reference rounds
// atan2's angle, up to 4u for angles near pi, then cos or sin, f and their
// product; the production step rounds sqrt, a product, a quotient and the
// final product), 12u with margin; and both sum the terms in the same
// order, so each sum's rounding error stays below (n - 1) u sum(f) by the
// standard bound for recursive summation (u = 2^-24). The two accelerations
// therefore agree to within (2 (n - 1) + 12) u sum(f) per component, which is
// sound for any scene yet far tighter than any real fault (a wrong floor,
// a wrong sign, a term skipped or counted twice changes a term by far more).
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>
#include <vector>

#include "game/gravity.h"
#include "support/gravity_reference.h"
#include "support/planet_scenes.h"

namespace {

std::vector<Planet> RandomScene(std::uint32_t count, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> x(-100.0f, 720.0f);
    std::uniform_real_distribution<float> y(-100.0f, 560.0f);
    std::uniform_real_distribution<float> v(-2.0f, 2.0f);
    std::uniform_real_distribution<float> mass(1.0f, 5.0f);
    std::vector<Planet> table = SunAlone();
    while (table[0].count < count) {
        AddPlanet(table.data(), Vec2(x(rng), y(rng)), mass(rng), Vec2(v(rng), v(rng)));
    }
    // Close encounters and coincident bodies, inside both floors (a body on
    // another, or on the sun, is pulled along +x); once among the first
    // records and once among the last, which the step may handle apart from
    // the others (a table's records are taken four at a time where it can).
    for (const std::uint32_t k : {1u, count - 5}) {
        table[k + 1].position = table[k].position;
        table[k + 2].position = Vec2(table[k].position.x + 1.5f, table[k].position.y - 2.0f);
        table[k + 3].position = Vec2(320.0f, 240.0f);
        table[k + 4].position = Vec2(330.0f, 245.0f);
    }
    return table;
}

// Sum over the attractors of body i of mass / floored r2, as the step sees it.
double PullSum(const std::vector<Planet>& table, std::uint32_t i) {
    double sum = 0.0;
    for (std::uint32_t j = 0; j < table[0].count; ++j) {
        if (j == i) {
            continue;
        }
        const Vec2 d = table[j].position - table[i].position;
        const float floor = j == 0 ? 250.0f : 25.0f;
        sum += table[j].mass / std::max(d.x * d.x + d.y * d.y, floor);
    }
    return sum;
}

// Steps `start` with both implementations and checks every live record.
void ExpectStepsAgree(const std::vector<Planet>& start) {
    std::vector<Planet> expected = start;
    std::vector<Planet> actual = start;
    const Planet expectedHud = ReferenceStepPlanets(expected.data());
    PlanetTable = actual.data();
    const Planet actualHud = StepPlanets();
    PlanetTable = nullptr;

    ASSERT_EQ(actual[0].count, expected[0].count);
    ASSERT_EQ(actual[0].steeredIndex, expected[0].steeredIndex);
    const std::uint32_t n = start[0].count;
    for (std::uint32_t i = 0; i < actual[0].count; ++i) {
        // A record that left the field gave its slot to the last one, which
        // keeps its position and velocity until the next step: the pulls in
        // that slot are those on the body that moved in.
        std::uint32_t body = i;
        for (std::uint32_t j = i + 1; j < n && body == i; ++j) {
            const Planet& was = start[j];
            if (expected[i].position.x == was.position.x &&
                expected[i].position.y == was.position.y &&
                expected[i].velocity.x == was.velocity.x) {
                body = j;
            }
        }
        const double u = FLT_EPSILON / 2;
        const double bound = (2.0 * (n - 1) + 12.0) * u * PullSum(start, body) + 1e-30;
        ASSERT_NEAR(actual[i].acceleration.x, expected[i].acceleration.x, bound) << i;
        ASSERT_NEAR(actual[i].acceleration.y, expected[i].acceleration.y, bound) << i;
        // Integration is the same arithmetic on both sides: positions differ
        // only by what the acceleration did, plus a rounding.
        ASSERT_NEAR(actual[i].position.x, expected[i].position.x,
                    bound + 2.0 * u * (std::fabs(expected[i].position.x) + 1.0))
            << i;
    }
    ASSERT_NEAR(actualHud.speed, expectedHud.speed, 1e-3f);
    ASSERT_EQ(actualHud.mass, expectedHud.mass);
}

TEST(GravityAgreement, FullTableAgreesWithTheReference) {
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
        SCOPED_TRACE(seed);
        ExpectStepsAgree(RandomScene(PLANET_CAPACITY, seed));
    }
}

TEST(GravityAgreement, SmallSceneAgreesStepByStepOverManySteps) {
    // Follows the reference's own trajectory and holds the production step
    // against it from each state, so chaos cannot amplify the differences;
    // bodies leave the field along the way, exercising removal too.
    std::vector<Planet> state = RandomScene(12, 99);
    state[0].steeredIndex = 11;
    for (int step = 0; step < 3000 && state[0].count > 1; ++step) {
        SCOPED_TRACE(step);
        ExpectStepsAgree(state);
        ReferenceStepPlanets(state.data());
    }
}

} // namespace
