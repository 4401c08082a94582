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
    EXPECT_EQ(sun.acceleration.x, 0.0f);
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

TEST(PlanetRecord, CopyMovesCountButNeverTheSteeredIndex) {
    Planet target;
    target.count = 7;
    target.steeredIndex = 5;
    Planet source;
    source.count = 3;
    source.steeredIndex = 9;
    source.mass = 4.5f;
    source.kind = 2;
    source.position = Vec2(1.0f, 2.0f);
    target = source;
    EXPECT_EQ(target.count, 3u);
    EXPECT_EQ(target.steeredIndex, 5u);
    EXPECT_EQ(target.mass, 4.5f);
    EXPECT_EQ(target.kind, 2);
    EXPECT_EQ(target.position.y, 2.0f);

    const Planet copy(source); // a fresh record takes the copy: steered index 0
    EXPECT_EQ(copy.steeredIndex, 0u);
    EXPECT_EQ(copy.count, 3u);
}

TEST(VectorMath, Vec2ArithmeticAndLength) {
    Vec2 a(3.0f, 4.0f);
    EXPECT_EQ(Length(a), 5.0f);
    const Vec2 zero = a - a;
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    const Vec2 scaled = a * 0.25f;
    EXPECT_EQ(scaled.x, 0.75f);
    EXPECT_EQ(scaled.y, 1.0f);
    a += Vec2(1.0f, -1.0f);
    EXPECT_EQ(a.x, 4.0f);
    EXPECT_EQ(a.y, 3.0f);
    EXPECT_FLOAT_EQ(Atan2(1.0f, 0.0f), 1.5707964f);
    EXPECT_EQ(Atan2(0.0f, 0.0f), 0.0f);
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
                const std::int32_t got = WrapToRange(v, lo, hi);
                ASSERT_EQ(got, ExpectedWrap(v, lo, hi)) << v << " in " << lo << ".." << hi;
                ASSERT_GE(got, std::min(lo, hi));
                ASSERT_LE(got, std::max(lo, hi));
            }
        }
    }
    EXPECT_EQ(WrapToRange(INT_MAX, INT_MIN, INT_MAX), INT_MAX);
    EXPECT_EQ(WrapToRange(INT_MIN, INT_MIN, INT_MAX), INT_MIN);
    EXPECT_EQ(WrapToRange(INT_MIN, 0, INT_MAX), 0); // -2^31 = -1 * (2^31) + 0
}

TEST(VectorMath, AngleFromTangentWalksTheTable) {
    EXPECT_EQ(TANGENT_TABLE[0], -618987100438217.9);
    EXPECT_EQ(TANGENT_TABLE[180], 618987100438217.9);
    for (int i = 1; i < TANGENT_TABLE_SIZE - 1; ++i) {
        const double exact = std::tan((i - 90) * 3.14159265358979323846 / 180.0);
        ASSERT_NEAR(TANGENT_TABLE[i], exact, 0.5e-6 + 1e-12) << i;
    }
    EXPECT_EQ(AngleFromTangent(1.0), 45);
    EXPECT_EQ(AngleFromTangent(0.0), 0);
    EXPECT_EQ(AngleFromTangent(-1.0), -45);
    EXPECT_EQ(AngleFromTangent(0.5), 27);
    EXPECT_EQ(AngleFromTangent(2.0), 63);
    EXPECT_EQ(AngleFromTangent(1e20), 90);
    EXPECT_EQ(AngleFromTangent(-1e20), -90);
    EXPECT_EQ(AngleFromTangent(std::nan("")), 90);
}

} // namespace
