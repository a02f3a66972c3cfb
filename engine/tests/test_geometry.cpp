#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "geometry/texture_space.h"
#include "geometry/vector3.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTol = 1e-12;

void ExpectNear(const Vector3& v, double x, double y, double z, double tol = kTol)
{
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

}  // namespace

TEST(Vector3Ops, NormaliseLeavesZeroAndNanAsZero)
{
    Vector3 zero{0.0, 0.0, 0.0};
    const Vector3 r = Vector3::Normalize(zero);
    EXPECT_EQ(r.x, 0.0);
    EXPECT_EQ(zero.z, 0.0);
    EXPECT_FALSE(std::signbit(zero.x));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Vector3 n = Vector3::Normalized(Vector3{nan, 1.0, 0.0});
    EXPECT_EQ(n.x, 0.0);
    EXPECT_EQ(n.y, 0.0);

    Vector3 a{0.0, 3.0, 4.0};
    const Vector3 copy = Vector3::Normalize(a);
    EXPECT_EQ(a.y, 0.6);
    EXPECT_EQ(a.z, 0.8);
    EXPECT_EQ(copy.y, a.y);

    const Vector3 b{0.0, 3.0, 4.0};
    const Vector3 nb = Vector3::Normalized(b);
    EXPECT_EQ(b.y, 3.0);  // left unchanged
    EXPECT_EQ(nb.z, 0.8);
}

TEST(Vector3Ops, LengthDotCross)
{
    EXPECT_EQ(Vector3::Length(Vector3{2.0, 3.0, 6.0}), 7.0);
    EXPECT_EQ(Vector3::Dot(Vector3{1.0, 2.0, 3.0}, Vector3{4.0, -5.0, 6.0}), 12.0);
    ExpectNear(Vector3::Cross(Vector3{1, 0, 0}, Vector3{0, 1, 0}), 0, 0, 1, 0.0);
    ExpectNear(Vector3::Cross(Vector3{0, 1, 0}, Vector3{1, 0, 0}), 0, 0, -1, 0.0);
    ExpectNear(Vector3::Cross(Vector3{1, 2, 3}, Vector3{4, 5, 6}), -3, 6, -3, 0.0);
}

TEST(Vector3Ops, ReflectIgnoresLengths)
{
    const double h = std::sqrt(0.5);
    ExpectNear(Vector3::Reflect(Vector3{1, -1, 0}, Vector3{0, 2, 0}), h, h, 0);
    ExpectNear(Vector3::Reflect(Vector3{5, -5, 0}, Vector3{0, 0.1, 0}), h, h, 0);
}

TEST(Vector3Ops, Refract)
{
    // eta 1 against the normal passes the direction through, normalised.
    const double h = std::sqrt(0.5);
    ExpectNear(Vector3::Refract(Vector3{3, -3, 0}, Vector3{0, 1, 0}, 1.0), h, -h, 0);
    // Grazing from the dense side: total internal reflection.
    ExpectNear(Vector3::Refract(Vector3{1, -0.01, 0}, Vector3{0, 1, 0}, 1.5), 0, 0, 0, 0.0);
    // Head-on: straight through whatever eta.
    ExpectNear(Vector3::Refract(Vector3{0, -2, 0}, Vector3{0, 1, 0}, 0.5), 0, -1, 0);
    // Snell: sin(out) = eta sin(in).
    const Vector3 t = Vector3::Refract(Vector3{h, -h, 0}, Vector3{0, 1, 0}, 0.5);
    EXPECT_NEAR(t.x, 0.5 * h, kTol);
    EXPECT_NEAR(Vector3::Length(t), 1.0, kTol);
    EXPECT_LT(t.y, 0.0);
}

TEST(TextureSpace, Wrap01)
{
    EXPECT_EQ(Wrap01(2.5), 0.5);
    EXPECT_EQ(Wrap01(-0.25), 0.75);
    EXPECT_EQ(Wrap01(-1.0), 1.0);
    EXPECT_EQ(Wrap01(-3.0), 1.0);
    EXPECT_EQ(Wrap01(0.0), 0.0);
    EXPECT_EQ(Wrap01(1.0), 0.0);
    EXPECT_EQ(Wrap01(-0.0), 0.0);
}

TEST(TextureSpace, FoldAtan2)
{
    EXPECT_NEAR(FoldAtan2(1.0, -1.0), -kPi / 4, 1e-15);
    EXPECT_EQ(FoldAtan2(0.0, -1.0), 0.0);
    EXPECT_NEAR(FoldAtan2(-1.0, -1.0), kPi / 4, 1e-15);
    EXPECT_NEAR(FoldAtan2(1.0, 1.0), kPi / 4, 1e-15);
    EXPECT_NEAR(FoldAtan2(2.0, -3.0), std::atan(2.0 / -3.0), 1e-15);
}

TEST(TextureSpace, CylinderAngle)
{
    const struct {
        Vector3 p;
        double angle;
    } cases[] = {
        {{1, 0, 0}, -kPi / 2}, {{-1, 0, 0}, kPi / 2},      {{0, 5, 0}, 0.0},
        {{0, 0, -1}, kPi},     {{1, 0, -1}, 5 * kPi / 4},  {{0, 0, 1}, 0.0},
        {{1, 0, 1}, -kPi / 4}, {{-1, 0, -1}, 3 * kPi / 4},
    };
    for (const auto& c : cases) {
        double angle = 99.0;
        CylinderAngle(c.p, angle);
        EXPECT_NEAR(angle, c.angle, 1e-15) << c.p.x << " " << c.p.y << " " << c.p.z;
        // -atan2(x, z) brought into [-pi/2, 3 pi/2).
        EXPECT_GE(angle, -kPi / 2);
        EXPECT_LT(angle, 3 * kPi / 2);
    }
}

TEST(TextureSpace, SphereAngles)
{
    double lon = 9.0, lat = 9.0;
    SphereAngles(Vector3{0, -2, 0}, lon, lat);
    EXPECT_EQ(lon, 0.0);
    EXPECT_EQ(lat, -kPi / 2);
    SphereAngles(Vector3{0, 0, 0}, lon, lat);
    EXPECT_EQ(lon, 0.0);
    EXPECT_EQ(lat, 0.0);
    SphereAngles(Vector3{0, 3, 0}, lon, lat);
    EXPECT_EQ(lat, kPi / 2);
    SphereAngles(Vector3{-1, 1, 0}, lon, lat);
    EXPECT_NEAR(lon, kPi / 2, 1e-15);
    EXPECT_NEAR(lat, kPi / 4, 1e-15);
    // x and z so small that their squares vanish: the radius is 0, no 0/0.
    SphereAngles(Vector3{1e-200, -1.0, 0}, lon, lat);
    EXPECT_EQ(lat, -kPi / 2);
    SphereAngles(Vector3{1e-200, 1.0, 0}, lon, lat);
    EXPECT_EQ(lat, kPi / 2);
}

TEST(TextureSpace, RotationsTurnTheDocumentedWay)
{
    ExpectNear(RotateX(kPi / 2, Vector3{0, 1, 0}), 0, 0, 1);
    ExpectNear(RotateY(kPi / 2, Vector3{0, 0, 1}), 1, 0, 0);
    ExpectNear(RotateZ(kPi / 2, Vector3{1, 0, 0}), 0, 1, 0);
    // x of the triple turns about Y with its sign, y about X negated, z about Z negated.
    ExpectNear(RotateEuler(Vector3{kPi / 2, 0, 0}, Vector3{0, 0, 1}), 1, 0, 0);
    ExpectNear(RotateEuler(Vector3{0, kPi / 2, 0}, Vector3{0, 1, 0}), 0, 0, -1);
    ExpectNear(RotateEuler(Vector3{0, 0, kPi / 2}, Vector3{1, 0, 0}), 0, -1, 0);
    // Order Z, then Y, then X.
    const Vector3 angles{0.3, -0.7, 1.1};
    const Vector3 p{0.2, -1.5, 0.8};
    const Vector3 expected = RotateX(0.7, RotateY(0.3, RotateZ(-1.1, p)));
    ExpectNear(RotateEuler(angles, p), expected.x, expected.y, expected.z, 0.0);
}

TEST(TextureSpace, ToTextureSpaceFloorsScaleAndUsesDegrees)
{
    const Vector3 r =
        ToTextureSpace(Vector3{1, 2, 3}, Vector3{0, 1, 1}, Vector3{0, -1, 2}, Vector3{0, 0, 0});
    EXPECT_NEAR(r.x, 1.0 / 0.00001, 1e-6);
    EXPECT_NEAR(r.y, 1.0 / 0.00001, 1e-6);
    EXPECT_EQ(r.z, 1.0);

    const Vector3 q =
        ToTextureSpace(Vector3{0, 0, 1}, Vector3{0, 0, 0}, Vector3{1, 1, 1}, Vector3{90, 0, 0});
    ExpectNear(q, 1, 0, 0);
}

TEST(TextureSpace, ProjectPlanarAndCubic)
{
    const Vector3 c{1, 2, 3}, one{1, 1, 1}, none{0, 0, 0};
    double u = -1, v = -1;
    ProjectUV(PROJECT_PLANAR, 2, c, Vector3{0, 0, 1}, c, one, none, 1, 1, u, v);
    EXPECT_EQ(u, 0.5);
    EXPECT_EQ(v, 0.5);
    ProjectUV(PROJECT_PLANAR, 2, Vector3{1.5, 2, 3}, none, c, one, none, 1, 1, u, v);
    EXPECT_EQ(u, 1.0);  // not wrapped here
    // Planar faces: X uses (z, -y), Y uses (x, -z), Z uses (x, -y); scale per coordinate.
    const Vector3 q{0.1, 0.2, 0.3}, s{2, 4, 8};
    ProjectUV(PROJECT_PLANAR, 0, q, none, none, s, none, 1, 1, u, v);
    EXPECT_EQ(u, 0.3 / 8 + 0.5);
    EXPECT_EQ(v, -0.2 / 4 + 0.5);
    ProjectUV(PROJECT_PLANAR, 1, q, none, none, s, none, 1, 1, u, v);
    EXPECT_EQ(u, 0.1 / 2 + 0.5);
    EXPECT_EQ(v, -0.3 / 8 + 0.5);

    // Cubic picks the face by the dominant normal component; ties go to Z.
    double fu = 0, fv = 0;
    ProjectUV(PROJECT_PLANAR, 2, q, none, none, s, none, 1, 1, fu, fv);
    ProjectUV(PROJECT_CUBIC, 0, q, Vector3{1, 1, 0}, none, s, none, 1, 1, u, v);
    EXPECT_EQ(u, fu);
    EXPECT_EQ(v, fv);
    ProjectUV(PROJECT_CUBIC, 0, q, Vector3{0, 0, 0}, none, s, none, 1, 1, u, v);
    EXPECT_EQ(u, fu);
    ProjectUV(PROJECT_PLANAR, 0, q, none, none, s, none, 1, 1, fu, fv);
    ProjectUV(PROJECT_CUBIC, 2, q, Vector3{-5, 1, 2}, none, s, none, 1, 1, u, v);
    EXPECT_EQ(u, fu);
    EXPECT_EQ(v, fv);
    ProjectUV(PROJECT_PLANAR, 1, q, none, none, s, none, 1, 1, fu, fv);
    ProjectUV(PROJECT_CUBIC, 2, q, Vector3{0, -3, 1}, none, s, none, 1, 1, u, v);
    EXPECT_EQ(u, fu);
    EXPECT_EQ(v, fv);
}

TEST(TextureSpace, ProjectCylindricalAndSpherical)
{
    const Vector3 one{1, 1, 1}, none{0, 0, 0};
    double u = 0, v = 0;
    ProjectUV(PROJECT_CYLINDRICAL, 1, Vector3{-1, 0, 0}, none, none, one, none, 1, 1, u, v);
    EXPECT_EQ(u, 1.25);
    EXPECT_EQ(v, 0.5);
    ProjectUV(PROJECT_CYLINDRICAL, 1, Vector3{1, 0.25, 0}, none, none, one, none, 1, 1, u, v);
    EXPECT_EQ(u, 0.75);
    EXPECT_EQ(v, 0.25);  // height along Y, never wrapped
    ProjectUV(PROJECT_CYLINDRICAL, 1, Vector3{-1, 0, 0}, none, none, one, none, 2, 1, u, v);
    EXPECT_EQ(u, 0.5);  // Wrap01(1.25) x 2
    ProjectUV(PROJECT_SPHERICAL, 1, Vector3{-1, 0, 0}, none, none, one, none, 1, 1, u, v);
    EXPECT_EQ(u, 1.25);
    EXPECT_EQ(v, 0.5);
    ProjectUV(PROJECT_SPHERICAL, 1, Vector3{0, -3, 0}, none, none, one, none, 1, 1, u, v);
    EXPECT_EQ(v, 1.0);
    ProjectUV(PROJECT_SPHERICAL, 1, Vector3{0, 3, 0}, none, none, one, none, 1, 3, u, v);
    EXPECT_NEAR(v, 0.0, 1e-15);  // Wrap01(~0) x 3
    // The spherical mode ignores the scale.
    double u2 = 0, v2 = 0;
    ProjectUV(PROJECT_SPHERICAL, 0, Vector3{0.3, -0.4, 0.5}, none, none, one, none, 1, 1, u, v);
    ProjectUV(PROJECT_SPHERICAL, 0, Vector3{0.3, -0.4, 0.5}, none, none, Vector3{5, 0, 7}, none, 1,
              1, u2, v2);
    EXPECT_EQ(u, u2);
    EXPECT_EQ(v, v2);
    for (int axis : {0, 1, 2}) {
        for (const Vector3& p : {Vector3{0.3, -0.4, 0.5}, Vector3{-2, 1, -0.1}}) {
            ProjectUV(PROJECT_SPHERICAL, axis, p, none, none, one, none, 1, 1, u, v);
            EXPECT_GT(u, 0.25);
            EXPECT_LE(u, 1.25);
            EXPECT_GE(v, 0.0);
            EXPECT_LE(v, 1.0);
        }
    }
    for (int code : {4, -1}) {
        u = v = 7;
        ProjectUV(code, 0, Vector3{1, 2, 3}, none, none, one, none, 1, 1, u, v);
        EXPECT_EQ(u, 0.0);
        EXPECT_EQ(v, 0.0);
    }
}

namespace {

bool SameBits(const Vector3& a, const Vector3& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Angle triples in degrees, the odd ones among them.
const Vector3 kDegrees[] = {{0, 0, 0},       {-0.0, 0, -0.0}, {30, -45, 90},    {720, 1e-300, -3},
                            {1e300, 0.5, 2}, {kNaN, 10, 20},  {kInf, -kInf, 1}, {359.9, 180, -180}};

}  // namespace

// Turns computed once give every transform exactly what the angles give.
TEST(TextureSpace, PrecomputedTurnsGiveTheSameBits)
{
    const Vector3 points[] = {{0.2, -1.5, 0.8}, {1e6, -3.0, 0.0}, {-0.0, 0.0, 7.25}};
    const Vector3 center{0.3, -0.1, 2.0};
    const Vector3 scale{2.0, 0.0, -1.0};
    for (const Vector3& degrees : kDegrees) {
        SCOPED_TRACE(degrees.x);
        const EulerTurns turns = RotateTurns(degrees);
        for (const Vector3& p : points) {
            EXPECT_TRUE(SameBits(ToTextureSpace(p, center, scale, turns),
                                 ToTextureSpace(p, center, scale, degrees)));
            const Vector3 radians{degrees.x * kPi / 180, degrees.y * kPi / 180,
                                  degrees.z * kPi / 180};
            const EulerTurns byRadians = MakeEulerTurns(radians);
            EXPECT_TRUE(SameBits(RotateEuler(byRadians, p), RotateEuler(radians, p)));
            EXPECT_TRUE(SameBits(RotateEuler(radians, p),
                                 RotateX(-radians.y, RotateY(radians.x, RotateZ(-radians.z, p)))));
            for (int projection = -1; projection <= 4; ++projection) {
                for (int axis = 0; axis < 3; ++axis) {
                    double u1, v1, u2, v2;
                    ProjectUV(projection, axis, p, Vector3{0.3, -1, 0.2}, center, scale, turns, 2,
                              1, u1, v1);
                    ProjectUV(projection, axis, p, Vector3{0.3, -1, 0.2}, center, scale, degrees, 2,
                              1, u2, v2);
                    EXPECT_EQ(std::memcmp(&u1, &u2, sizeof u1), 0);
                    EXPECT_EQ(std::memcmp(&v1, &v2, sizeof v1), 0);
                }
            }
        }
    }
}

// The cache hands out the turns of the value it is given, computing them
// again whenever the value's bits change: a negative zero turns the other
// way round than a zero (its sines are negative zeros), and a value that is
// not a number stays one.
TEST(TextureSpace, RotationCacheKeepsTheTurnsOfTheValueGiven)
{
    RotationCache cache;
    auto sameTurns = [](const EulerTurns& a, const EulerTurns& b) {
        return std::memcmp(&a, &b, sizeof a) == 0;
    };
    for (int round = 0; round < 2; ++round) {
        for (const Vector3& degrees : kDegrees) {
            SCOPED_TRACE(degrees.x);
            EXPECT_TRUE(sameTurns(cache.Turns(degrees), RotateTurns(degrees)));
            EXPECT_TRUE(sameTurns(cache.Turns(degrees), RotateTurns(degrees)));
        }
    }
    EXPECT_FALSE(std::signbit(cache.Turns(Vector3{0, 0, -0.0}).sinZ));
    EXPECT_TRUE(std::signbit(cache.Turns(Vector3{0, 0, 0.0}).sinZ));
    EXPECT_TRUE(std::isnan(cache.Turns(Vector3{0, 0, kNaN}).sinZ));
    EXPECT_EQ(cache.Turns(Vector3{0, 0, 90}).sinZ, -1.0);
}
