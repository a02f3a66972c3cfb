// The Voronoi search side by side with its reference (the search as it was
// before it was made faster): a million points with many jitters, ordinary
// ones and those that stress the comparisons (exact ties between candidates,
// not-a-number, infinities, negative zero, coordinates beyond int32 and near
// the limits of a double, jitters large enough to leave a distance at its
// sentinel). Every distance and both positions must agree bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "granulix.h"
#include "granulix_internal.h"
#include "voronoi_reference.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class Sequence {
public:
    explicit Sequence(uint64_t seed) : s_(seed) {}
    uint64_t Next()
    {
        s_ = s_ * 6364136223846793005ull + 1442695040888963407ull;
        return s_ >> 11;
    }
    double Unit() { return static_cast<double>(Next()) * (1.0 / 9007199254740992.0); }
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }

private:
    uint64_t s_;
};

// One coordinate: mostly ordinary, with a share of each kind of hard case.
double Coordinate(Sequence& seq)
{
    static const double kSpecial[] = {kNaN,
                                      kInf,
                                      -kInf,
                                      -0.0,
                                      0.0,
                                      5e-324,
                                      -2.2250738585072014e-308,
                                      2147483647.5,
                                      -2147483648.5,
                                      4294967296.25,
                                      -3e9,
                                      1e15 + 0.5,
                                      4503599627370495.5,
                                      9007199254740993.0,
                                      1e300,
                                      -1.7976931348623157e308,
                                      0.5,
                                      -0.5,
                                      1.5,
                                      2047.5,
                                      -2048.5};
    const uint32_t kind = seq.Below(100);
    if (kind < 60) return seq.Unit() * 128.0 - 64.0;
    if (kind < 75)
        return std::floor(seq.Unit() * 64.0 - 32.0) * 0.5;  // halves: cell centres and faces
    if (kind < 82) return std::floor(seq.Unit() * 256.0 - 128.0) * 0.25;
    if (kind < 90) return (seq.Unit() - 0.5) * 1e10;
    if (kind < 93) return std::ldexp(seq.Unit() - 0.5, static_cast<int>(seq.Below(1000)) - 500);
    return kSpecial[seq.Below(std::size(kSpecial))];
}

double Jitter(Sequence& seq)
{
    static const double kJitters[] = {1.0, 1.0, 1.0, 0.0,  0.5,  0.75, 0.25,  -1.0,  2.0,
                                      8.0, 1e3, 1e9, -0.0, kNaN, kInf, -kInf, 5e-324};
    return seq.Below(4) == 0 ? seq.Unit() : kJitters[seq.Below(std::size(kJitters))];
}

bool SameBits(const double* a, const double* b, size_t count)
{
    return std::memcmp(a, b, count * sizeof(double)) == 0;
}

std::string Describe(const double* p, double jitter)
{
    char text[160];
    std::snprintf(text, sizeof text, "P = (%a, %a, %a), jitter %a", p[0], p[1], p[2], jitter);
    return text;
}

TEST(VoronoiSearch, MillionPointsMatchTheReferenceBitForBit)
{
    Sequence seq(0x5EA2C4);
    constexpr int kPoints = 1'000'000;
    int mismatchesF1F2 = 0;
    int mismatchesF1 = 0;
    int ties = 0;
    for (int n = 0; n < kPoints; ++n) {
        const double p[3] = {Coordinate(seq), Coordinate(seq), Coordinate(seq)};
        const double jitter = Jitter(seq);

        // Outputs start from a pattern, so a position left unwritten shows.
        double got[8] = {-7, -7, -7, -7, -7, -7, -7, -7};
        double want[8] = {-7, -7, -7, -7, -7, -7, -7, -7};
        voronoi_f1f2(p, jitter, &got[0], &got[1], &got[4], &got[5]);
        voronoi_reference::f1f2(p, jitter, &want[0], &want[1], &want[4], &want[5]);
        if (!SameBits(got, want, 8) && ++mismatchesF1F2 <= 5) {
            ADD_FAILURE() << "voronoi_f1f2 differs at " << Describe(p, jitter);
        }
        ties += want[0] == want[4];

        double got1[4] = {-7, -7, -7, -7};
        double want1[4] = {-7, -7, -7, -7};
        voronoi_f1(p, jitter, &got1[0], &got1[1]);
        voronoi_reference::f1(p, jitter, &want1[0], &want1[1]);
        if (!SameBits(got1, want1, 4) && ++mismatchesF1 <= 5) {
            ADD_FAILURE() << "voronoi_f1 differs at " << Describe(p, jitter);
        }
    }
    EXPECT_EQ(mismatchesF1F2, 0);
    EXPECT_EQ(mismatchesF1, 0);
    // The points really reach the tie rule: equal F1 and F2 from two candidates.
    EXPECT_GT(ties, 1000);
}

// The positions may be written over the query point itself, in either
// search; both searches give the same there too.
TEST(VoronoiSearch, OutputsOverThePointMatchTheReference)
{
    Sequence seq(77);
    for (int n = 0; n < 20'000; ++n) {
        const double p[3] = {Coordinate(seq), Coordinate(seq), Coordinate(seq)};
        const double jitter = Jitter(seq);
        double got[3] = {p[0], p[1], p[2]};
        double want[3] = {p[0], p[1], p[2]};
        double f1Got, f2Got, f1Want, f2Want, pos2Got[3], pos2Want[3];
        voronoi_f1f2(got, jitter, &f1Got, got, &f2Got, pos2Got);
        voronoi_reference::f1f2(want, jitter, &f1Want, want, &f2Want, pos2Want);
        ASSERT_TRUE(SameBits(got, want, 3)) << Describe(p, jitter);
        ASSERT_TRUE(SameBits(pos2Got, pos2Want, 3)) << Describe(p, jitter);
        ASSERT_TRUE(SameBits(&f1Got, &f1Want, 1) && SameBits(&f2Got, &f2Want, 1));

        double second[3] = {p[0], p[1], p[2]};
        double secondWant[3] = {p[0], p[1], p[2]};
        double pos1Got[3], pos1Want[3];
        voronoi_f1f2(second, jitter, &f1Got, pos1Got, &f2Got, second);
        voronoi_reference::f1f2(secondWant, jitter, &f1Want, pos1Want, &f2Want, secondWant);
        ASSERT_TRUE(SameBits(second, secondWant, 3)) << Describe(p, jitter);
        ASSERT_TRUE(SameBits(pos1Got, pos1Want, 3)) << Describe(p, jitter);
    }
}

// The octave sums are built on the same searches.
TEST(VoronoiSearch, CrumpleSumsMatchTheReference)
{
    Sequence seq(4242);
    for (int n = 0; n < 20'000; ++n) {
        const double p[3] = {Coordinate(seq), Coordinate(seq), Coordinate(seq)};
        const double jitter = Jitter(seq);
        const int32_t octaves = static_cast<int32_t>(seq.Below(6));
        const double lacunarity = seq.Below(3) == 0 ? 2.0 : seq.Unit() * 4.0;
        const double gain = seq.Unit();
        const double got[2] = {crumple(p, jitter, octaves, lacunarity, gain),
                               crumple2(p, jitter, octaves, lacunarity, gain)};
        const double want[2] = {
            granulix::octave_mean(p, octaves, lacunarity, gain,
                                  [jitter](const double* q) {
                                      double f1, pos1[3];
                                      voronoi_reference::f1(q, jitter, &f1, pos1);
                                      return f1;
                                  }),
            granulix::octave_mean(p, octaves, lacunarity, gain, [jitter](const double* q) {
                double f1, pos1[3], f2, pos2[3];
                voronoi_reference::f1f2(q, jitter, &f1, pos1, &f2, pos2);
                return f2;
            })};
        ASSERT_TRUE(SameBits(got, want, 2)) << Describe(p, jitter) << ", octaves " << octaves;
    }
}

}  // namespace
