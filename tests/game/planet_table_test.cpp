#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "game/planet.h"
#include "game/vector_math.h"

namespace {

TEST(PlanetTable, NewTableHoldsTheSunAloneAndFreshRecords) {
    CreatePlanetTable();
    const Planet& sun = PlanetTable[0];
    EXPECT_EQ(sun.count, 1u);
    EXPECT_EQ(sun.steeredIndex, 0u);
    EXPECT_EQ(sun.kind, SUN_KIND);
    EXPECT_EQ(sun.inUse, 1);
    EXPECT_EQ(sun.mass, 250.0f);
    EXPECT_EQ(sun.position.x, 320.0f);
    EXPECT_EQ(sun.position.y, 240.0f);
    for (std::uint32_t i = 1; i < PLANET_CAPACITY; ++i) {
        const Planet& p = PlanetTable[i];
        ASSERT_EQ(p.count + p.steeredIndex + p.inUse + p.kind + p.animPhase, 0u) << i;
        ASSERT_EQ(p.mass + p.speed + p.position.x + p.position.y + p.velocity.x, 0.0f) << i;
    }
    DestroyPlanetTable();
    EXPECT_EQ(PlanetTable, nullptr);
    DestroyPlanetTable(); // a second release, like one with no table, does nothing
    EXPECT_EQ(PlanetTable, nullptr);
}

// lo + ((v - lo) mod n) with a non-negative modulo, computed independently
// with wide integers.
long long ExpectedWrap(long long v, long long lo, long long hi) {
    if (hi < lo) {
        std::swap(hi, lo);
    }
    const long long n = hi - lo + 1;
    return lo + (((v - lo) % n) + n) % n;
}

TEST(VectorMath, WrapToRangeHoldsForEveryPairOfThirtyTwoBitBounds) {
    const std::int32_t samples[] = {INT_MIN, INT_MIN + 1, -1000000007, -65536, -40,
                                    -1,      0,           1,           39,     40,
                                    65535,   999999,      INT_MAX - 1, INT_MAX};
    for (std::int32_t lo : samples) {
        for (std::int32_t hi : samples) {
            for (std::int32_t v : samples) {
                ASSERT_EQ(WrapToRange(v, lo, hi), ExpectedWrap(v, lo, hi))
                    << v << " in " << lo << ".." << hi;
            }
        }
    }
}

TEST(VectorMath, AngleFromTangentWalksTheTable) {
    EXPECT_EQ(TANGENT_TABLE[0], -618987100438217.9);
    EXPECT_EQ(TANGENT_TABLE[180], 618987100438217.9);
    for (int i = 1; i < TANGENT_TABLE_SIZE - 1; ++i) {
        const double exact = std::tan((i - 90) * 3.14159265358979323846 / 180.0);
        ASSERT_NEAR(TANGENT_TABLE[i], exact, 0.5e-6 + 1e-12) << i;
    }
    const std::pair<double, int> angles[] = {{1.0, 45},    {0.0, 0},          {-1.0, -45},
                                             {0.5, 27},    {2.0, 63},         {1e20, 90},
                                             {-1e20, -90}, {std::nan(""), 90}};
    for (const auto& [tangent, degrees] : angles) {
        EXPECT_EQ(AngleFromTangent(tangent), degrees) << tangent;
    }
}

} // namespace
