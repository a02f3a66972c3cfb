// The checkerboard environment the material's reflections and refractions
// look up.

#include <gtest/gtest.h>

#include "material_preview.h"

namespace {

double Grey(const Vector3& origin, const Vector3& direction)
{
    const Vector3 c = PreviewChecker(origin, direction);
    EXPECT_EQ(c.x, c.y);
    EXPECT_EQ(c.y, c.z);
    return c.x;
}

// Rays going away from the eye meet the plane origin.z away, rays coming back
// 1 - origin.z away; the squares are 0.125 wide.
TEST(PreviewChecker, SquaresAlternateWhereTheRayLands)
{
    EXPECT_EQ(Grey({0.1, 0.1, -0.5}, {0.0, 0.0, 1.0}), 0.35);
    EXPECT_EQ(Grey({0.2, 0.1, -0.5}, {0.0, 0.0, 1.0}), 0.75);
    EXPECT_EQ(Grey({0.2, 0.2, -0.5}, {0.0, 0.0, 1.0}), 0.35);
    EXPECT_EQ(Grey({-0.1, 0.1, -0.5}, {0.0, 0.0, 1.0}), 0.75);
    EXPECT_EQ(Grey({0.1, 0.1, 0.2}, {0.0, 0.0, -1.0}), 0.35);

    // Slanted: from z = 0.2 back towards the eye (0.8 away) a ray leaning
    // right by 1/4 lands about 0.19 to the right, in the next square; away
    // from the eye (0.2 away) only about 0.05, in the same square.
    EXPECT_EQ(Grey({0.0, 0.0, 0.2}, {0.25, 0.0, -1.0}), 0.75);
    EXPECT_EQ(Grey({0.0, 0.0, 0.2}, {0.25, 0.0, 1.0}), 0.35);
}

// The distance is taken along the direction as given, the step along its
// normalised copy: scaling the direction changes where the ray lands.
TEST(PreviewChecker, DistanceUsesTheUnnormalisedDirection)
{
    EXPECT_EQ(Grey({0.0, 0.0, -1.0}, {1.0, 0.0, 1.0}), 0.75);
    EXPECT_EQ(Grey({0.0, 0.0, -1.0}, {2.0, 0.0, 2.0}), 0.35);
}

// A ray parallel to the plane never meets it; the lookup still gives one of
// the two greys instead of failing.
TEST(PreviewChecker, RayAlongThePlaneGivesAGrey)
{
    const double g = Grey({0.1, 0.1, 0.0}, {1.0, 0.0, 0.0});
    EXPECT_TRUE(g == 0.35 || g == 0.75);
}

}  // namespace
