// Gradient noise: lattice zeros, dimension dispatch, period, the truncation
// below -4096 and coordinates beyond int32.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "granulix.h"
#include "granulix_internal.h"

namespace {

using namespace granulix;

TEST(GradientNoise, ZeroAtLatticePoints)
{
    const double origin[3] = {0.0, 0.0, 0.0};
    EXPECT_EQ(pnoise3(origin), 0.0);
    EXPECT_EQ(pnoise1(5.0), 0.0);
    const double p[3] = {-4096.0, 17.0, 255.0};
    EXPECT_EQ(pnoise3(p), 0.0);
    EXPECT_EQ(pnoise2(p), 0.0);
    EXPECT_EQ(pnoise1(-4096.0), 0.0);
}

TEST(GradientNoise, OneDimensionFromTheTables)
{
    // x = 0.25: t = 4096.25, lattice indices 0 and 1, fractions 0.25 and -0.75.
    const double x = 0.25;
    const double got = pnoise1(x);
    const double u = 0.25 * perlin_g1[perlin_p[0]];
    const double v = -0.75 * perlin_g1[perlin_p[1]];
    const double s = (0.25 * 0.25) * (3.0 - 0.5);
    EXPECT_EQ(got, u + s * (v - u));
}

TEST(GradientNoise, DimsSelectTheCore)
{
    const double p[3] = {1.3, -2.7, 0.45};
    EXPECT_EQ(pnoise(nullptr, 0), 0.0);  // p is not read
    EXPECT_EQ(pnoise(p, 1), pnoise1(p[0]));
    EXPECT_EQ(pnoise(p, 2), pnoise2(p));
    EXPECT_EQ(pnoise(p, 3), pnoise3(p));
    EXPECT_EQ(pnoise(p, -1), pnoise3(p));
    EXPECT_EQ(pnoise(p, 7), pnoise3(p));
    EXPECT_NE(pnoise2(p), pnoise3(p));
}

TEST(GradientNoise, PeriodIs256OnEveryAxis)
{
    const double points[][3] = {
        {0.25, 3.5, -7.75}, {-100.125, 0.5, 12.375}, {1000.5, -4000.25, 2.0625}};
    for (const auto& p : points) {
        for (int axis = 0; axis < 3; ++axis) {
            double q[3] = {p[0], p[1], p[2]};
            q[axis] += 256.0;
            EXPECT_EQ(pnoise3(q), pnoise3(p)) << axis;
            if (axis < 2) {
                EXPECT_EQ(pnoise2(q), pnoise2(p)) << axis;
            }
        }
        EXPECT_EQ(pnoise1(p[0] + 256.0), pnoise1(p[0]));
    }
}

TEST(GradientNoise, BelowMinus4096TheIntegerPartIsTruncated)
{
    // t = -0.5: integer part 0 (not -1), fraction -0.5, s-curve weight 1.
    const double got = pnoise1(-4096.5);
    const double u = -0.5 * perlin_g1[perlin_p[0]];
    const double v = -1.5 * perlin_g1[perlin_p[1]];
    EXPECT_EQ(got, u + 1.0 * (v - u));
    // Not continuous with the pattern just above -4096: a floor-based lattice
    // would have repeated pnoise1(-4096.5 + 256) here.
    EXPECT_NE(pnoise1(-4096.5), pnoise1(-3840.5));
}

TEST(GradientNoise, CoordinatesBeyondInt32ContinueThePattern)
{
    const double big = 8589934592.0;  // 2^33, a multiple of 256
    const double a[3] = {0.25, 1.5, -3.75};
    const double b[3] = {big + 0.25, 1.5, -3.75};
    EXPECT_EQ(pnoise3(b), pnoise3(a));
    EXPECT_EQ(pnoise1(big + 0.25), pnoise1(0.25));
    // Far below -4096 the offset value is truncated toward zero like any
    // negative one: y = 1.5 - 2^33 has the fraction -0.5 and the lattice index
    // of y = 1.5 - 4352, which lies 2^33 - 4352 (a multiple of 256) above it.
    const double c[3] = {0.25, 1.5 - big, -3.75};
    const double d[3] = {0.25, 1.5 - 4352.0, -3.75};
    EXPECT_EQ(pnoise3(c), pnoise3(d));
    EXPECT_EQ(pnoise1(1e300), 0.0);  // every double that large is whole
}

TEST(GradientNoise, NonFiniteCoordinatesAreHandled)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double p[3] = {nan, 0.5, 0.5};
    const double q[3] = {0.5, inf, -inf};
    EXPECT_TRUE(std::isnan(pnoise3(p)));
    EXPECT_TRUE(std::isnan(pnoise3(q)));
    EXPECT_TRUE(std::isnan(pnoise1(nan)));
    EXPECT_TRUE(std::isnan(pnoise2(q)));
}

}  // namespace
