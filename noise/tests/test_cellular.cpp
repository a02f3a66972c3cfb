// Cell noise, Voronoi distances and the crumple sums.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "granulix.h"
#include "granulix_internal.h"

namespace {

using namespace granulix;

TEST(CellNoise, ConstantInsideACellAndInRange)
{
    const double a[3] = {0.2, 0.7, 0.1};
    const double b[3] = {0.9, 0.0, 0.5};
    EXPECT_EQ(cellnoise3(a), cellnoise3(b));
    const double c[3] = {1.0, 0.0, 0.5};
    EXPECT_NE(cellnoise3(a), cellnoise3(c));
    for (int i = -50; i < 50; ++i) {
        const double p[3] = {i * 0.7, i * -1.3, i * 2.1};
        const double v = cellnoise3(p);
        EXPECT_GE(v, -1.0);
        EXPECT_LE(v, 1.0);
    }
}

TEST(CellNoise, HashesMatchTheTables)
{
    const double p[3] = {5.5, -2.25, 1030.0};
    const double first = cellnoise1(5.5);  // builds the tables
    EXPECT_EQ(first, cell_values[cell_index(0, 5)]);
    EXPECT_EQ(cellnoise2(5.5, -2.25), cell_values[cell_index(0, 5, -3)]);
    EXPECT_EQ(cellnoise3(p), cell_values[cell_index(0, 5, -3, 1030)]);
    EXPECT_EQ(cellnoise4(p, -0.5), cell_values[cell_index(0, 5, -3, 1030, -1)]);
}

TEST(CellNoise, VectorFormsUseOnePermutationPerComponent)
{
    const double p[3] = {5.5, -2.25, 1030.0};
    double out[3];
    ensure_cell_tables();
    vcellnoise3(p, out);
    EXPECT_EQ(out[0], cellnoise3(p));
    EXPECT_EQ(out[1], cell_values[cell_index(1, 5, -3, 1030)]);
    EXPECT_EQ(out[2], cell_values[cell_index(2, 5, -3, 1030)]);

    vcellnoise1(5.5, out);
    EXPECT_EQ(out[0], cellnoise1(5.5));
    EXPECT_EQ(out[2], cell_values[cell_index(2, 5)]);
    vcellnoise2(5.5, -2.25, out);
    EXPECT_EQ(out[0], cellnoise2(5.5, -2.25));
    EXPECT_EQ(out[1], cell_values[cell_index(1, 5, -3)]);
    vcellnoise4(p, 7.0, out);
    EXPECT_EQ(out[0], cellnoise4(p, 7.0));
    EXPECT_EQ(out[2], cell_values[cell_index(2, 5, -3, 1030, 7)]);
}

TEST(CellNoise, Period2048AndFloorForNegatives)
{
    EXPECT_EQ(cellnoise1(-0.5), cellnoise1(-1.0));
    EXPECT_EQ(cellnoise1(-0.5), cellnoise1(2047.5));
    EXPECT_NE(cellnoise1(-0.5), cellnoise1(0.5));
    EXPECT_EQ(cellnoise2(3.5, -0.25), cellnoise2(3.5 + 2048.0, -0.25 + 4096.0));
    const double p[3] = {3.5, -0.25, 10.0};
    const double q[3] = {3.5, -0.25, 10.0 - 2048.0};
    EXPECT_EQ(cellnoise3(p), cellnoise3(q));
    EXPECT_EQ(cellnoise4(p, -3.5), cellnoise4(p, 2044.5));
}

TEST(CellNoise, CoordinatesBeyondInt32AndNonFinite)
{
    const double big = 1099511627776.0;  // 2^40, a multiple of 2048
    EXPECT_EQ(cellnoise1(big + 0.5), cellnoise1(0.5));
    EXPECT_EQ(cellnoise1(-big + 0.5), cellnoise1(0.5));
    EXPECT_EQ(cellnoise1(1e300), cellnoise1(0.0));  // 1e300 is a multiple of 2^32
    EXPECT_EQ(cellnoise1(std::nan("")), cellnoise1(0.0));
    EXPECT_EQ(cellnoise1(std::numeric_limits<double>::infinity()), cellnoise1(0.0));
    EXPECT_EQ(cellnoise2(2147483647.5, 0.0), cellnoise2(2047.5, 0.0));
    EXPECT_EQ(cellnoise2(-2147483648.5, 0.0), cellnoise2(2047.5, 0.0));
}

TEST(Voronoi, JitterZeroFindsTheCellCentres)
{
    const double P[3] = {0.5, 0.5, 0.5};
    double f1, f2, pos1[3], pos2[3];
    voronoi_f1f2(P, 0.0, &f1, pos1, &f2, pos2);
    EXPECT_EQ(f1, 0.0);
    EXPECT_EQ(pos1[0], 0.5);
    EXPECT_EQ(pos1[1], 0.5);
    EXPECT_EQ(pos1[2], 0.5);
    // Six neighbours tie at distance 1; the first in scan order (x outermost) wins.
    EXPECT_EQ(f2, 1.0);
    EXPECT_EQ(pos2[0], -0.5);
    EXPECT_EQ(pos2[1], 0.5);
    EXPECT_EQ(pos2[2], 0.5);
}

TEST(Voronoi, TiesKeepTheFirstAndTheTieBecomesSecond)
{
    // P on the corner shared by eight cells: all eight centres are equally near.
    const double P[3] = {1.0, 1.0, 1.0};
    double f1, f2, pos1[3], pos2[3];
    voronoi_f1f2(P, 0.0, &f1, pos1, &f2, pos2);
    EXPECT_EQ(f1, std::sqrt(0.75));
    EXPECT_EQ(f2, std::sqrt(0.75));
    // Scan order from the cell (1, 1, 1): centre (0.5, 0.5, 0.5) comes first
    // and the next tie (0.5, 0.5, 1.5) second.
    EXPECT_EQ(pos1[0], 0.5);
    EXPECT_EQ(pos1[1], 0.5);
    EXPECT_EQ(pos1[2], 0.5);
    EXPECT_EQ(pos2[0], 0.5);
    EXPECT_EQ(pos2[1], 0.5);
    EXPECT_EQ(pos2[2], 1.5);
}

TEST(Voronoi, JitterZeroF1IsTheDistanceToTheNearestCentre)
{
    for (int i = 0; i < 300; ++i) {
        const double P[3] = {i * 0.137 - 20.0, i * -0.071, i * 0.293 + 1.0};
        double f1, pos[3];
        voronoi_f1(P, 0.0, &f1, pos);
        const double dx = P[0] - (std::floor(P[0]) + 0.5);
        const double dy = P[1] - (std::floor(P[1]) + 0.5);
        const double dz = P[2] - (std::floor(P[2]) + 0.5);
        EXPECT_NEAR(f1, std::sqrt(dx * dx + dy * dy + dz * dz), 1e-12);
        EXPECT_LE(f1, std::sqrt(0.75));
    }
}

TEST(Voronoi, FeaturePointsAreJitteredByTheCellVector)
{
    const double P[3] = {3.3, -1.2, 7.9};
    double f1, f2, pos1[3], pos2[3];
    voronoi_f1f2(P, 1.0, &f1, pos1, &f2, pos2);
    EXPECT_LE(f1, f2);
    for (const double* pos : {pos1, pos2}) {
        const double c[3] = {std::floor(pos[0]) + 0.5, std::floor(pos[1]) + 0.5,
                             std::floor(pos[2]) + 0.5};
        double offset[3];
        vcellnoise3(c, offset);
        for (int m = 0; m < 3; ++m) EXPECT_NEAR(pos[m], c[m] + offset[m] * 0.5, 1e-12) << m;
    }
    const double d1 =
        std::sqrt((pos1[0] - P[0]) * (pos1[0] - P[0]) + (pos1[1] - P[1]) * (pos1[1] - P[1]) +
                  (pos1[2] - P[2]) * (pos1[2] - P[2]));
    EXPECT_NEAR(f1, d1, 1e-12);

    double g1, gpos[3];
    voronoi_f1(P, 1.0, &g1, gpos);
    EXPECT_EQ(g1, f1);
    EXPECT_EQ(gpos[0], pos1[0]);
}

TEST(Voronoi, OutputsMayAliasThePoint)
{
    const double P[3] = {3.3, -1.2, 7.9};
    double f1, f2, pos1[3], pos2[3];
    voronoi_f1f2(P, 0.8, &f1, pos1, &f2, pos2);
    double inout[3] = {P[0], P[1], P[2]};
    double g1, g2, other[3];
    voronoi_f1f2(inout, 0.8, &g1, inout, &g2, other);
    EXPECT_EQ(g1, f1);
    EXPECT_EQ(g2, f2);
    EXPECT_EQ(inout[0], pos1[0]);
    EXPECT_EQ(other[2], pos2[2]);
}

TEST(Voronoi, SentinelDistanceKeepsTheQueryPoint)
{
    // With an absurd jitter no feature point comes within sqrt(1000).
    const double P[3] = {0.5, 0.5, 0.5};
    double f1, pos1[3] = {-9, -9, -9};
    voronoi_f1(P, 1e9, &f1, pos1);
    EXPECT_EQ(f1, std::sqrt(1000.0));
    EXPECT_EQ(pos1[0], 0.5);
    EXPECT_EQ(pos1[1], 0.5);
    EXPECT_EQ(pos1[2], 0.5);
}

TEST(Voronoi, FarCoordinatesStayFinite)
{
    const double P[3] = {1099511627776.25, -1e15, 3.5};
    double f1, f2, pos1[3], pos2[3];
    voronoi_f1f2(P, 1.0, &f1, pos1, &f2, pos2);
    EXPECT_TRUE(std::isfinite(f1));
    EXPECT_TRUE(std::isfinite(f2));
    EXPECT_LE(f1, f2);
}

TEST(Crumple, OneOctaveIsTheVoronoiDistance)
{
    const double p[3] = {2.2, -0.6, 13.1};
    double f1, f2, pos1[3], pos2[3];
    voronoi_f1f2(p, 0.9, &f1, pos1, &f2, pos2);
    EXPECT_EQ(crumple(p, 0.9, 1, 2.0, 0.5), f1);
    EXPECT_EQ(crumple2(p, 0.9, 1, 2.0, 0.5), f2);
}

TEST(Crumple, OctavesAreWeightedMeans)
{
    const double p[3] = {2.2, -0.6, 13.1};
    const double q[3] = {p[0] * 1.5, p[1] * 1.5, p[2] * 1.5};
    double a1, a2, b1, b2, pos1[3], pos2[3];
    voronoi_f1f2(p, 0.9, &a1, pos1, &a2, pos2);
    voronoi_f1f2(q, 0.9, &b1, pos1, &b2, pos2);
    EXPECT_EQ(crumple(p, 0.9, 2, 1.5, 0.25), (a1 + b1 * 0.25) * (1.0 / 1.25));
    EXPECT_EQ(crumple2(p, 0.9, 2, 1.5, 0.25), (a2 + b2 * 0.25) * (1.0 / 1.25));
}

TEST(Crumple, NoOctavesGiveZero)
{
    const double p[3] = {2.2, -0.6, 13.1};
    EXPECT_EQ(crumple(p, 1.0, 0, 2.0, 0.5), 0.0);
    EXPECT_EQ(crumple2(p, 1.0, -3, 2.0, 0.5), 0.0);
}

}  // namespace
