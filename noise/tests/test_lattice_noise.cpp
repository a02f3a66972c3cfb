// Value, lattice-gradient and convolution noises.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "granulix.h"
#include "granulix_internal.h"

namespace {

using namespace granulix;

TEST(LatticeNoise, AtLatticePoints)
{
    const int points[][3] = {{0, 0, 0}, {3, -7, 12}, {-300, 255, 1000}};
    for (const auto& ip : points) {
        const double p[3] = {double(ip[0]), double(ip[1]), double(ip[2])};
        const double v = vnoise(p);
        EXPECT_EQ(v, value_table[lattice_index(ip[0], ip[1], ip[2])]);
        EXPECT_EQ(gnoise(p), 0.0);
        EXPECT_EQ(gvnoise(p), 0.3 * v);
    }
}

TEST(LatticeNoise, GvnoiseMixesTheTwo)
{
    const double p[3] = {0.3, -1.7, 5.55};
    EXPECT_EQ(gvnoise(p), 0.3 * vnoise(p) + 0.7 * gnoise(p));
    EXPECT_NE(gnoise(p), 0.0);
}

TEST(LatticeNoise, PeriodIs256OnEveryAxis)
{
    using Fn = double (*)(const double*);
    const Fn fns[] = {vnoise, gnoise, gvnoise, vcnoise, scnoise};
    const double p[3] = {0.25, 3.5, -7.75};
    for (Fn fn : fns) {
        for (int axis = 0; axis < 3; ++axis) {
            double q[3] = {p[0], p[1], p[2]};
            q[axis] += 256.0;
            EXPECT_EQ(fn(q), fn(p)) << axis;
            q[axis] -= 512.0;
            EXPECT_EQ(fn(q), fn(p)) << axis;
        }
    }
}

TEST(LatticeNoise, CoordinatesBeyondInt32ContinueThePattern)
{
    using Fn = double (*)(const double*);
    const Fn fns[] = {vnoise, gnoise, vcnoise, scnoise};
    const double big = 1099511627776.0;  // 2^40
    const double p[3] = {0.25, 3.5, -7.75};
    const double far[3] = {big + 0.25, 3.5 - big, -7.75};
    for (Fn fn : fns) EXPECT_EQ(fn(far), fn(p));
}

TEST(LatticeNoise, NaNCoordinatesFallIntoCellZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double p[3] = {nan, 0.5, 0.25};
    const double q[3] = {0.0, 0.5, 0.25};
    EXPECT_EQ(vnoise(p), vnoise(q));  // the spline reads a NaN fraction as 0
    EXPECT_TRUE(std::isnan(gnoise(p)));
    EXPECT_EQ(vcnoise(p), 0.0);  // no distance is below 2
    EXPECT_EQ(scnoise(p), 0.0);
}

TEST(LatticeNoise, ValueConvolutionSumsOnlyPointsCloserThanTwo)
{
    // At a lattice point: the point itself weighs 1, its 6 face neighbours 0,
    // the 12 edge neighbours filter(2), the 8 corners filter(3), the rest nothing.
    const int o[3] = {10, -4, 77};
    const double p[3] = {double(o[0]), double(o[1]), double(o[2])};
    const double got = vcnoise(p);
    double edges = 0.0, corners = 0.0;
    for (int k = -1; k <= 1; ++k)
        for (int j = -1; j <= 1; ++j)
            for (int i = -1; i <= 1; ++i) {
                const int n = i * i + j * j + k * k;
                const double v = value_table[lattice_index(o[0] + i, o[1] + j, o[2] + k)];
                if (n == 2) edges += v;
                if (n == 3) corners += v;
            }
    const double centre = value_table[lattice_index(o[0], o[1], o[2])];
    EXPECT_NEAR(got, centre + filter_weight(2.0) * edges + filter_weight(3.0) * corners, 1e-12);
    EXPECT_NE(filter_weight(2.0), 0.0);
}

TEST(LatticeNoise, SparseConvolutionReadsThreeConsecutiveImpulsesPerCell)
{
    const double p[3] = {-3.3, 0.8, 41.05};
    const double got = scnoise(p);
    const int ix = -4, iy = 0, iz = 41;
    const double fx = p[0] - ix, fy = p[1] - iy, fz = p[2] - iz;
    double sum = 0.0;
    for (int k = -2; k <= 2; ++k)
        for (int j = -2; j <= 2; ++j)
            for (int i = -2; i <= 2; ++i) {
                const int h = lattice_index(ix + i, iy + j, iz + k);
                for (int n = 0; n < 3; ++n) {
                    const double* imp = impulse_table[(h + n) % 256];
                    const double dx = fx - (i + imp[0]), dy = fy - (j + imp[1]),
                                 dz = fz - (k + imp[2]);
                    sum += filter_weight(dx * dx + dy * dy + dz * dz) * imp[3];
                }
            }
    EXPECT_NEAR(got, sum / 3.0, 1e-12);
    EXPECT_NE(got, 0.0);
}

}  // namespace
