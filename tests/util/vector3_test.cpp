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

} // namespace
