// The spectral sums and the spline.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "granulix.h"

namespace {

const double kPoints[][3] = {{0.3, -1.7, 5.55}, {12.125, 0.5, -3.0625}, {-77.7, 33.3, 0.01}};

TEST(FractalSums, OneOctaveIsTheNoiseItself)
{
    for (const auto& p : kPoints) {
        const double n = pnoise3(p);
        EXPECT_EQ(fBm(p, 1, 2.0, 0.5), 0.5 * n + 0.5);
        EXPECT_EQ(fBm(p, 1, 7.3, -4.0), 0.5 * n + 0.5);
        EXPECT_EQ(turbulence(p, 1, 1.9, 0.7), std::fabs(n));
        EXPECT_EQ(multifractal(p, 1, 2.0, 0.5, 0.0), 0.5 * n + 0.5);
    }
}

TEST(FractalSums, GainZeroKeepsOnlyTheFirstOctave)
{
    for (const auto& p : kPoints) {
        EXPECT_EQ(fBm(p, 6, 2.0, 0.0), fBm(p, 1, 2.0, 0.0));
        EXPECT_EQ(turbulence(p, 6, 2.0, 0.0), turbulence(p, 1, 2.0, 0.0));
    }
}

TEST(FractalSums, OctavesAreWeightedMeansOfScaledNoise)
{
    const double* p = kPoints[0];
    const double q[3] = {p[0] * 2.0, p[1] * 2.0, p[2] * 2.0};
    const double r[3] = {q[0] * 2.0, q[1] * 2.0, q[2] * 2.0};
    const double n0 = pnoise3(p), n1 = pnoise3(q), n2 = pnoise3(r);
    const double v0 = n0 * 0.5 + 0.5, v1 = n1 * 0.5 + 0.5, v2 = n2 * 0.5 + 0.5;
    EXPECT_EQ(fBm(p, 3, 2.0, 0.5), (v0 + v1 * 0.5 + v2 * 0.25) * (1.0 / 1.75));
    EXPECT_EQ(turbulence(p, 3, 2.0, 0.5),
              (std::fabs(n0) + std::fabs(n1) * 0.5 + std::fabs(n2) * 0.25) * (1.0 / 1.75));
    EXPECT_EQ(multifractal(p, 3, 2.0, 0.5, 0.25),
              (v2 * 0.25 + 0.25) * ((v1 * 0.5 + 0.25) * ((v0 * 1.0 + 0.25) * 1.0)));
}

TEST(FractalSums, NoOctaves)
{
    const double* p = kPoints[1];
    for (int octaves : {0, -1, std::numeric_limits<int32_t>::min()}) {
        EXPECT_EQ(fBm(p, octaves, 2.0, 0.5), 0.0);
        EXPECT_EQ(turbulence(p, octaves, 2.0, 0.5), 0.0);
        EXPECT_EQ(multifractal(p, octaves, 2.0, 0.5, 0.7), 1.0);
    }
}

TEST(Spline, FewerThanFourKnotsGiveZeroWithoutReading)
{
    const double k[3] = {5.0, 6.0, 7.0};
    EXPECT_EQ(spline(0.5, 3, k), 0.0);
    EXPECT_EQ(spline(0.0, 0, nullptr), 0.0);
    EXPECT_EQ(spline(0.7, -5, nullptr), 0.0);
    EXPECT_EQ(spline(0.7, std::numeric_limits<int32_t>::min(), nullptr), 0.0);
}

TEST(Spline, EndsAndClamping)
{
    const double k4[4] = {3.0, -1.25, 2.5, 9.0};
    EXPECT_EQ(spline(0.0, 4, k4), k4[1]);
    EXPECT_EQ(spline(1.0, 4, k4), k4[2]);
    EXPECT_EQ(spline(-3.0, 4, k4), spline(0.0, 4, k4));
    EXPECT_EQ(spline(7.0, 4, k4), k4[2]);
    EXPECT_EQ(spline(std::nan(""), 4, k4), k4[1]);
    EXPECT_EQ(spline(-std::numeric_limits<double>::infinity(), 4, k4), k4[1]);

    const double ramp[4] = {0.0, 0.0, 1.0, 1.0};
    EXPECT_EQ(spline(0.5, 4, ramp), 0.5);

    const double k5[5] = {4.0, -2.0, 0.625, 8.0, 1.0};
    EXPECT_EQ(spline(0.5, 5, k5), k5[2]);
    EXPECT_EQ(spline(1.0, 5, k5), k5[3]);
    // Just below 1 the parameter rounds up to the end of the last span; the
    // knot past the end is never read (ASan would report it).
    EXPECT_EQ(spline(std::nextafter(1.0, 0.0), 5, k5), k5[3]);
}

TEST(Spline, CatmullRomInsideASpan)
{
    // One span of k = (0, 1, 3, 4) at t = 0.25:
    // c0 = 1, c1 = 1.5, c2 = 0 - 2.5 + 6 - 2 = 1.5, c3 = 0 + 1.5 - 4.5 + 2 = -1
    const double k[4] = {0.0, 1.0, 3.0, 4.0};
    EXPECT_EQ(spline(0.25, 4, k), 1.0 + 0.25 * (1.5 + 0.25 * (1.5 + 0.25 * -1.0)));
    // Two spans: x = 0.75 is the middle of the second span, over knots 1..4.
    const double k5[5] = {9.0, 0.0, 1.0, 3.0, 4.0};
    EXPECT_EQ(spline(0.75, 5, k5), 1.0 + 0.5 * (1.5 + 0.5 * (1.5 + 0.5 * -1.0)));
}

}  // namespace
