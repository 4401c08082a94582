#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "util/myutil.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(Vector3, Arithmetic) {
    const Vector3 v(1, -2, 4);
    EXPECT_EQ(v.Plus(1, 2, 3).Equals(2, 0, 7), 1);
    EXPECT_EQ(v.Minus(1, 2, 3).Equals(0, -4, 1), 1);
    EXPECT_EQ(v.Negated().Equals(-1, 2, -4), 1);
    EXPECT_EQ(v.Scaled(0.5).Equals(0.5, -1, 2), 1);
    EXPECT_EQ(v.Divided(2).Equals(0.5, -1, 2), 1);
    EXPECT_EQ(v.PlusScalar(1).Equals(2, -1, 5), 1);
    EXPECT_EQ(v.MinusScalar(1).Equals(0, -3, 3), 1);
    EXPECT_EQ(v.Equals(1, -2, 4), 1); // untouched by all of the above

    Vector3 w(v);
    w.AddInPlace(1, 1, 1);
    EXPECT_EQ(w.Equals(2, -1, 5), 1);
    w.SubtractInPlace(2, 4, 8);
    EXPECT_EQ(w.Equals(0, -5, -3), 1);

    const Vector3 q = Vector3(1, -1, 0).Divided(0);
    EXPECT_EQ(q.x, std::numeric_limits<double>::infinity());
    EXPECT_EQ(q.y, -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(q.z));
}

TEST(Vector3, ComparisonsAreInclusiveAndFailOnNaN) {
    const Vector3 v(1, 2, 3);
    EXPECT_EQ(v.AllLessOrEqual(1, 2, 3), 1);
    EXPECT_EQ(v.AllGreaterOrEqual(1, 2, 3), 1);
    EXPECT_EQ(v.AllLessOrEqual(1, 2, 2.5), 0);
    EXPECT_EQ(v.AllGreaterOrEqual(1, 2.5, 3), 0);
    EXPECT_EQ(v.Equals(1, 2, 3.0000001), 0);
    EXPECT_EQ(v.Equals(1, NaN, 3), 0);
    EXPECT_EQ(v.AllLessOrEqual(1, 2, NaN), 0);
    EXPECT_EQ(Vector3(NaN, 0, 0).AllGreaterOrEqual(0, 0, 0), 0);
}

} // namespace
