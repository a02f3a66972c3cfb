// The UV cache's interpolation inside one triangle of a polygon.
#include <cmath>

#include "calc_uv.h"

namespace CalcUV {

namespace {

double DistanceSquared(const Vector3& a, const Vector3& b)
{
    const Vector3 d = a - b;
    return Vector3::Dot(d, d);
}

// The answer for a triangle without area (or with corners so far apart that
// the weights overflow): the UV of the corner nearest to P, the first of
// equals; corner A when P has no distance at all.
void NearestCorner(const Vector3& A, const Vector3& B, const Vector3& C, const float uvA[2],
                   const float uvB[2], const float uvC[2], const Vector3& P, double out[2])
{
    const float* uv = uvA;
    double nearest = DistanceSquared(A, P);
    if (const double d = DistanceSquared(B, P); d < nearest) {
        uv = uvB;
        nearest = d;
    }
    if (const double d = DistanceSquared(C, P); d < nearest) {
        uv = uvC;
    }
    out[0] = uv[0];
    out[1] = uv[1];
}

}  // namespace

Vector3 Cross(const Vector3& a, const Vector3& b)
{
    return Vector3::Cross(a, b);
}

Vector3 ProjectToPlane(const Vector3& A, const Vector3& B, const Vector3& C, const Vector3& P)
{
    const Vector3 n = Cross(Vector3::Normalized(B - A), Vector3::Normalized(C - A));
    const double nn = Vector3::Dot(n, n);
    if (!(nn > 0.0)) {
        return P;
    }
    const double t = Vector3::Dot(A - P, n) / nn;
    return P + t * n;
}

int Barycentric(const Vector3& A, const Vector3& B, const Vector3& C, const float uvA[2],
                const float uvB[2], const float uvC[2], const Vector3& P, double out[2])
{
    const double area = Vector3::Length(Cross(B - A, C - A));
    double wA = 0.0;
    double wB = 0.0;
    double wC = 0.0;
    if (area > 0.0) {
        wC = Vector3::Length(Cross(A - P, B - P)) / area;
        wB = Vector3::Length(Cross(A - P, C - P)) / area;
        wA = Vector3::Length(Cross(C - P, B - P)) / area;
    }
    if (!(area > 0.0) || !std::isfinite(wA + wB + wC)) {
        NearestCorner(A, B, C, uvA, uvB, uvC, P, out);
        return 0;
    }
    const bool inside = !(wA + wB > 1.0) && !(wB + wC > 1.0) && !(wA + wC > 1.0);

    // Outside: onto the edge of the first pair whose weights sum above 1.
    if (wA + wB > 1.0) {
        const double sum = wA + wB;
        wA /= sum;
        wB /= sum;
        wC = 0.0;
    } else if (wB + wC > 1.0) {
        const double sum = wB + wC;
        wB /= sum;
        wC /= sum;
        wA = 0.0;
    } else if (wA + wC > 1.0) {
        const double sum = wA + wC;
        wA /= sum;
        wC /= sum;
        wB = 0.0;
    }
    out[0] = wA * uvA[0] + wB * uvB[0] + wC * uvC[0];
    out[1] = wA * uvA[1] + wB * uvB[1] + wC * uvC[1];
    return inside ? 1 : 0;
}

bool InsideTriangle(const Vector3& A, const Vector3& B, const Vector3& C, const Vector3& P)
{
    const double area = Vector3::Length(Cross(C - A, B - A));
    if (!(area > 0.0)) {
        return false;
    }
    const double a = Vector3::Length(Cross(C - P, B - P)) / area;
    const double b = Vector3::Length(Cross(A - P, C - P)) / area;
    const double c = Vector3::Length(Cross(B - P, A - P)) / area;
    return !(a + b > 1.0) && !(b + c > 1.0) && !(a + c > 1.0);
}

double WrapUnit(double x)
{
    const double r = std::fmod(std::fabs(x), 1.0);
    return x >= 0.0 ? r : 1.0 - r;
}

}  // namespace CalcUV
