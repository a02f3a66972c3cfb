// The checkerboard environment that reflections and refractions look up.

#include <gtest/gtest.h>

#include "material_preview.h"

namespace {

double Grey(const Vector3& origin, const Vector3& direction)
{
    const Vector3 c = PreviewChecker(origin, direction);
    EXPECT_TRUE(c.x == c.y && c.y == c.z);
    return c.x;
}

// Rays away from the eye meet the plane origin.z away, rays back towards it
// 1 - origin.z away; squares are 0.125 wide. The distance is taken along the
// direction as given, the step along its normalised copy, so scaling the
// direction moves the spot.
TEST(PreviewChecker, GreyWhereTheRayLands)
{
    EXPECT_EQ(Grey({0.1, 0.1, -0.5}, {0.0, 0.0, 1.0}), 0.35);
    EXPECT_EQ(Grey({0.2, 0.1, -0.5}, {0.0, 0.0, 1.0}), 0.75);
    EXPECT_EQ(Grey({-0.1, 0.1, -0.5}, {0.0, 0.0, 1.0}), 0.75);
    EXPECT_EQ(Grey({0.0, 0.0, 0.2}, {0.25, 0.0, -1.0}), 0.75);  // lands 0.19 right
    EXPECT_EQ(Grey({0.0, 0.0, 0.2}, {0.25, 0.0, 1.0}), 0.35);   // lands 0.05 right
    EXPECT_EQ(Grey({0.0, 0.0, -1.0}, {1.0, 0.0, 1.0}), 0.75);
    EXPECT_EQ(Grey({0.0, 0.0, -1.0}, {2.0, 0.0, 2.0}), 0.35);
    // Along the plane the distance is 0/0: the spot is not a number, and
    // CheckerGrey gives such a spot the dark grey.
    EXPECT_EQ(Grey({0.1, 0.1, 0.0}, {1.0, 0.0, 0.0}), 0.35);
}

}  // namespace
