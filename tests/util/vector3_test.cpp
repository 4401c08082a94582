#include <limits>

#include <gtest/gtest.h>

#include "util/myutil.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Each comparison is decided by every component on its own: a vector equal
// to (1, 2, 3) but for one component, a little above or below it or NaN.
TEST(Vector3, ComparisonsLookAtEachComponent) {
    const Vector3 v(1, 2, 3);
    EXPECT_EQ(v.Equals(1, 2, 3), 1);
    EXPECT_EQ(v.AllLessOrEqual(1, 2, 3), 1);
    EXPECT_EQ(v.AllGreaterOrEqual(1, 2, 3), 1);
    for (int component = 0; component < 3; ++component) {
        for (double change : {-0.5, 0.5, NaN}) {
            double other[3] = {1, 2, 3};
            other[component] += change;
            const auto [x, y, z] = other;
            SCOPED_TRACE(testing::Message() << "(" << x << ", " << y << ", " << z << ")");
            EXPECT_EQ(v.Equals(x, y, z), 0);
            EXPECT_EQ(v.AllLessOrEqual(x, y, z), change > 0 ? 1 : 0);
            EXPECT_EQ(v.AllGreaterOrEqual(x, y, z), change < 0 ? 1 : 0);
            EXPECT_EQ(Vector3(x, y, z).Equals(1, 2, 3), 0) << "the NaN on this side";
        }
    }
}

// Each operation acts on each component with its own operand: the operands
// differ per component and from the vector, so a mixed-up component shows.
TEST(Vector3, ArithmeticActsComponentByComponent) {
    const Vector3 v(1, 2, 4);
    const struct {
        const char* name;
        Vector3 result;
        double x, y, z;
    } cases[] = {
        {"Plus", v.Plus(10, 20, 40), 11, 22, 44},
        {"Minus", v.Minus(10, 20, 40), -9, -18, -36},
        {"Negated", v.Negated(), -1, -2, -4},
        {"Scaled", v.Scaled(3), 3, 6, 12},
        {"Divided", v.Divided(8), 0.125, 0.25, 0.5},
        {"PlusScalar", v.PlusScalar(0.5), 1.5, 2.5, 4.5},
        {"MinusScalar", v.MinusScalar(0.5), 0.5, 1.5, 3.5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result.Equals(c.x, c.y, c.z), 1) << c.name;
    }
    Vector3 w = v;
    w.AddInPlace(10, 20, 40);
    EXPECT_EQ(w.Equals(11, 22, 44), 1);
    w.SubtractInPlace(1, 2, 4);
    EXPECT_EQ(w.Equals(10, 20, 40), 1);
    EXPECT_EQ(v.Equals(1, 2, 4), 1) << "the const operations leave the vector alone";
}

} // namespace
