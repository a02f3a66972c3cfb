#include "geometry/texture_space.h"

#include <cmath>
#include <cstring>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr long double kPiExt = 3.141592653589793238462643383279502884L;
constexpr long double kHalfPiExt = 1.570796326794896619231321691639751442L;
constexpr long double kInv180 = 1.0L / 180.0L;
constexpr long double kInvTwoPi = 0.159154943091895335768883763372514362L;
constexpr long double kInvPi = 0.318309886183790671537767526745028724L;
constexpr double kScaleFloor = 0.00001;

double Radians(double degrees)
{
    return static_cast<double>(degrees * kPi * kInv180);
}

Vector3 ToRadians(const Vector3& degrees)
{
    return Vector3{Radians(degrees.x), Radians(degrees.y), Radians(degrees.z)};
}

double FloorScale(double s)
{
    return s > kScaleFloor ? s : kScaleFloor;
}

Vector3 FloorScale(const Vector3& s)
{
    return Vector3{FloorScale(s.x), FloorScale(s.y), FloorScale(s.z)};
}

// The cubic and planar faces: 0 X, 1 Y, 2 Z.
void FaceUV(int face, const Vector3& q, const Vector3& s, double& u, double& v)
{
    switch (face) {
    case 0:
        u = q.z / s.z + 0.5;
        v = -q.y / s.y + 0.5;
        break;
    case 1:
        u = q.x / s.x + 0.5;
        v = -q.z / s.z + 0.5;
        break;
    default:
        u = q.x / s.x + 0.5;
        v = -q.y / s.y + 0.5;
        break;
    }
}

int CubicFace(const Vector3& n)
{
    const Vector3 unit = Vector3::Normalized(n);
    const double ax = std::fabs(Vector3::Dot(unit, Vector3{1.0, 0.0, 0.0}));
    const double ay = std::fabs(Vector3::Dot(unit, Vector3{0.0, 1.0, 0.0}));
    const double az = std::fabs(Vector3::Dot(unit, Vector3{0.0, 0.0, 1.0}));
    if (ax > ay && ax > az) {
        return 0;
    }
    if (ay > ax && ay > az) {
        return 1;
    }
    return 2;
}

// The point that the cylindrical and spherical modes measure angles of.
Vector3 AngularPoint(int axis, const Vector3& q)
{
    switch (axis) {
    case 0:
        return Vector3{q.z, q.x, -q.y};
    case 1:
        return Vector3{-q.x, q.y, q.z};
    default:
        return Vector3{-q.x, q.z, -q.y};
    }
}

}  // namespace

double FoldAtan2(double a, double b)
{
    const long double r = std::atan2(static_cast<long double>(a), static_cast<long double>(b));
    if (r < -kHalfPiExt) {
        return static_cast<double>(r + kPiExt);
    }
    if (r > kHalfPiExt) {
        return static_cast<double>(r - kPiExt);
    }
    return static_cast<double>(r);
}

namespace {

// The three turns by a cosine and sine.
Vector3 TurnX(double c, double s, Vector3 p)
{
    return Vector3{p.x, p.y * c - p.z * s, p.y * s + p.z * c};
}

Vector3 TurnY(double c, double s, Vector3 p)
{
    return Vector3{p.x * c + p.z * s, p.y, -p.x * s + p.z * c};
}

Vector3 TurnZ(double c, double s, Vector3 p)
{
    return Vector3{p.x * c - p.y * s, p.x * s + p.y * c, p.z};
}

}  // namespace

Vector3 RotateX(double angle, Vector3 p)
{
    return TurnX(std::cos(angle), std::sin(angle), p);
}

Vector3 RotateY(double angle, Vector3 p)
{
    return TurnY(std::cos(angle), std::sin(angle), p);
}

Vector3 RotateZ(double angle, Vector3 p)
{
    return TurnZ(std::cos(angle), std::sin(angle), p);
}

Vector3 RotateEuler(const Vector3& angles, Vector3 p)
{
    return RotateEuler(MakeEulerTurns(angles), p);
}

EulerTurns MakeEulerTurns(const Vector3& angles)
{
    const double z = -angles.z;
    const double x = angles.x;
    const double y = -angles.y;
    return EulerTurns{std::cos(z), std::sin(z), std::cos(x), std::sin(x), std::cos(y), std::sin(y)};
}

Vector3 RotateEuler(const EulerTurns& turns, Vector3 p)
{
    Vector3 q = TurnZ(turns.cosZ, turns.sinZ, p);
    q = TurnY(turns.cosY, turns.sinY, q);
    return TurnX(turns.cosX, turns.sinX, q);
}

EulerTurns RotateTurns(const Vector3& degrees)
{
    return MakeEulerTurns(ToRadians(degrees));
}

const EulerTurns& RotationCache::Turns(const Vector3& degrees)
{
    if (!valid_ || std::memcmp(&degrees, &degrees_, sizeof degrees) != 0) {
        turns_ = RotateTurns(degrees);
        degrees_ = degrees;
        valid_ = true;
    }
    return turns_;
}

void CylinderAngle(const Vector3& p, double& angle)
{
    if (p.z == 0.0) {
        if (p.x == 0.0) {
            angle = 0.0;
        } else {
            angle = p.x < 0.0 ? kHalfPi : -kHalfPi;
        }
    } else if (p.z < 0.0) {
        angle = kPi - FoldAtan2(p.x, p.z);
    } else if (p.z > 0.0) {
        angle = -FoldAtan2(p.x, p.z);
    } else {
        // p.z is not a number: no quadrant applies.
        angle = 0.0;
    }
}

void SphereAngles(const Vector3& p, double& longitude, double& latitude)
{
    if (p.x == 0.0 && p.z == 0.0) {
        longitude = 0.0;
        if (p.y == 0.0) {
            latitude = 0.0;
        } else {
            latitude = p.y < 0.0 ? -kHalfPi : kHalfPi;
        }
        return;
    }
    CylinderAngle(p, longitude);
    const double r = std::sqrt(p.x * p.x + p.z * p.z);
    if (r == 0.0) {
        latitude = p.y < 0.0 ? -kHalfPi : kHalfPi;
    } else {
        latitude = FoldAtan2(p.y, r);
    }
}

double Wrap01(double x)
{
    if (x >= 0.0) {
        return std::fmod(std::fabs(x), 1.0);
    }
    return 1.0 - std::fmod(std::fabs(x), 1.0);
}

Vector3 ToTextureSpace(const Vector3& p, const Vector3& center, const Vector3& scale,
                       const Vector3& rotate)
{
    return ToTextureSpace(p, center, scale, RotateTurns(rotate));
}

Vector3 ToTextureSpace(const Vector3& p, const Vector3& center, const Vector3& scale,
                       const EulerTurns& rotate)
{
    Vector3 d{p.x - center.x, p.y - center.y, p.z - center.z};
    d = RotateEuler(rotate, d);
    const Vector3 s = FloorScale(scale);
    return Vector3{d.x / s.x, d.y / s.y, d.z / s.z};
}

void ProjectUV(int projection, int axis, const Vector3& p, const Vector3& n, const Vector3& center,
               const Vector3& scale, const Vector3& rotate, double sRepeat, double tRepeat,
               double& u, double& v)
{
    ProjectUV(projection, axis, p, n, center, scale, RotateTurns(rotate), sRepeat, tRepeat, u, v);
}

void ProjectUV(int projection, int axis, const Vector3& p, const Vector3& n, const Vector3& center,
               const Vector3& scale, const EulerTurns& rotate, double sRepeat, double tRepeat,
               double& u, double& v)
{
    const Vector3 s = FloorScale(scale);
    const Vector3 q = RotateEuler(rotate, Vector3{p.x - center.x, p.y - center.y, p.z - center.z});

    switch (projection) {
    case PROJECT_CUBIC:
        FaceUV(CubicFace(n), q, s, u, v);
        return;
    case PROJECT_PLANAR:
        FaceUV(axis == 0 ? 0 : axis == 1 ? 1 : 2, q, s, u, v);
        return;
    case PROJECT_CYLINDRICAL: {
        double angle = 0.0;
        CylinderAngle(AngularPoint(axis, q), angle);
        u = static_cast<double>(1.0L - angle * kInvTwoPi);
        if (axis == 0) {
            v = -q.x / s.x + 0.5;
        } else if (axis == 1) {
            v = -q.y / s.y + 0.5;
        } else {
            v = -q.z / s.z + 0.5;
        }
        if (sRepeat != 1.0) {
            u = Wrap01(u) * sRepeat;
        }
        return;
    }
    case PROJECT_SPHERICAL: {
        double longitude = 0.0;
        double latitude = 0.0;
        SphereAngles(AngularPoint(axis, q), longitude, latitude);
        u = static_cast<double>(1.0L - longitude * kInvTwoPi);
        v = static_cast<double>(0.5L - latitude * kInvPi);
        if (sRepeat != 1.0) {
            u = Wrap01(u) * sRepeat;
        }
        if (tRepeat != 1.0) {
            v = Wrap01(v) * tRepeat;
        }
        return;
    }
    default:
        u = 0.0;
        v = 0.0;
        return;
    }
}
