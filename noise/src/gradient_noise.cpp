// Gradient noise of one, two and three dimensions over the 256-cell lattice
// of the gradient tables, with the lattice offset 4096 and the s-curve 3t^2 - 2t^3.
#include "granulix.h"
#include "granulix_internal.h"

namespace granulix {
namespace {

// Lattice indices and fractions of one coordinate.
struct Axis {
    int b0, b1;
    double r0, r1;
};

// The integer part of v + 4096 is taken toward zero. When it does not fit in
// int32 it is reduced modulo 2^32 and the fraction comes from the exact one.
inline Axis setup(double v)
{
    Axis a;
    const double t = v + 4096.0;
    if (t > -2147483649.0 && t < 2147483648.0) {
        const int32_t n = static_cast<int32_t>(t);
        a.b0 = n & 255;
        a.r0 = t - static_cast<double>(n);
    } else {
        const double n = std::trunc(t);
        a.b0 = wrap_int32(n) & 255;
        a.r0 = t - n;
    }
    a.b1 = (a.b0 + 1) & 255;
    a.r1 = a.r0 - 1.0;
    return a;
}

inline double s_curve(double r)
{
    return (r * r) * (3.0 - (r + r));
}

inline double lerp(double w, double a, double b)
{
    return a + w * (b - a);
}

inline double dot2(const double* q, double a, double b)
{
    return q[0] * a + q[1] * b;
}

inline double dot3(const double* q, double a, double b, double c)
{
    return q[0] * a + q[1] * b + q[2] * c;
}

}  // namespace

double noise1(double x)
{
    ensure_gradient_tables();
    const Axis ax = setup(x);
    const double u = ax.r0 * perlin_g1[perlin_p[ax.b0]];
    const double v = ax.r1 * perlin_g1[perlin_p[ax.b1]];
    return lerp(s_curve(ax.r0), u, v);
}

double noise2(const double* p)
{
    ensure_gradient_tables();
    const Axis ax = setup(p[0]);
    const Axis ay = setup(p[1]);
    const int i = perlin_p[ax.b0];
    const int j = perlin_p[ax.b1];
    const int b00 = perlin_p[i + ay.b0];
    const int b10 = perlin_p[j + ay.b0];
    const int b01 = perlin_p[i + ay.b1];
    const int b11 = perlin_p[j + ay.b1];
    const double sx = s_curve(ax.r0);
    const double sy = s_curve(ay.r0);
    const double a =
        lerp(sx, dot2(perlin_g2[b00], ax.r0, ay.r0), dot2(perlin_g2[b10], ax.r1, ay.r0));
    const double b =
        lerp(sx, dot2(perlin_g2[b01], ax.r0, ay.r1), dot2(perlin_g2[b11], ax.r1, ay.r1));
    return lerp(sy, a, b);
}

double noise3(const double* p)
{
    ensure_gradient_tables();
    const Axis ax = setup(p[0]);
    const Axis ay = setup(p[1]);
    const Axis az = setup(p[2]);
    const int i = perlin_p[ax.b0];
    const int j = perlin_p[ax.b1];
    const int b00 = perlin_p[i + ay.b0];
    const int b10 = perlin_p[j + ay.b0];
    const int b01 = perlin_p[i + ay.b1];
    const int b11 = perlin_p[j + ay.b1];
    const double sx = s_curve(ax.r0);
    const double sy = s_curve(ay.r0);
    const double sz = s_curve(az.r0);

    const double c = lerp(sy,
                          lerp(sx, dot3(perlin_g3[b00 + az.b0], ax.r0, ay.r0, az.r0),
                               dot3(perlin_g3[b10 + az.b0], ax.r1, ay.r0, az.r0)),
                          lerp(sx, dot3(perlin_g3[b01 + az.b0], ax.r0, ay.r1, az.r0),
                               dot3(perlin_g3[b11 + az.b0], ax.r1, ay.r1, az.r0)));
    const double d = lerp(sy,
                          lerp(sx, dot3(perlin_g3[b00 + az.b1], ax.r0, ay.r0, az.r1),
                               dot3(perlin_g3[b10 + az.b1], ax.r1, ay.r0, az.r1)),
                          lerp(sx, dot3(perlin_g3[b01 + az.b1], ax.r0, ay.r1, az.r1),
                               dot3(perlin_g3[b11 + az.b1], ax.r1, ay.r1, az.r1)));
    return lerp(sz, c, d);
}

}  // namespace granulix

extern "C" {

double pnoise1(double x)
{
    return granulix::noise1(x);
}

double pnoise2(const double* p)
{
    return granulix::noise2(p);
}

double pnoise3(const double* p)
{
    return granulix::noise3(p);
}

double pnoise(const double* p, int32_t dims)
{
    switch (dims) {
    case 0:
        return 0.0;
    case 1:
        return granulix::noise1(p[0]);
    case 2:
        return granulix::noise2(p);
    default:
        return granulix::noise3(p);
    }
}

}  // extern "C"
