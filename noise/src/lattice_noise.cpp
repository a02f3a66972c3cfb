// Value, lattice-gradient, value-convolution and sparse-convolution noise over
// the integer lattice hashed through lattice_perm.
#include "granulix.h"
#include "granulix_internal.h"

namespace granulix {
namespace {

// Integer parts and fractions of a point.
struct Cell {
    int32_t ix, iy, iz;
    double fx, fy, fz;
};

inline Cell split(const double* p)
{
    Cell c;
    c.ix = floor_split(p[0], c.fx);
    c.iy = floor_split(p[1], c.fy);
    c.iz = floor_split(p[2], c.fz);
    return c;
}

inline double lerp(double t, double a, double b)
{
    return a + t * (b - a);
}

}  // namespace

double value_noise3(const double* p)
{
    if (!vnoise_value_built) {
        init_value_table();
        vnoise_value_built = 1;
    }
    const Cell c = split(p);
    double zk[4];
    for (int k = -1; k <= 2; ++k) {
        const int32_t z = add_wrap(c.iz, k);
        double yk[4];
        for (int j = -1; j <= 2; ++j) {
            const int32_t y = add_wrap(c.iy, j);
            double xk[4];
            for (int i = -1; i <= 2; ++i)
                xk[i + 1] = value_table[lattice_index(add_wrap(c.ix, i), y, z)];
            yk[j + 1] = spline_eval(c.fx, 4, xk);
        }
        zk[k + 1] = spline_eval(c.fy, 4, yk);
    }
    return spline_eval(c.fz, 4, zk);
}

double gradient_noise3(const double* p)
{
    if (!lattice_gradient_built) {
        init_lattice_gradient_table();
        lattice_gradient_built = 1;
    }
    const Cell c = split(p);
    const double fx0 = c.fx, fx1 = fx0 - 1.0;
    const double fy0 = c.fy, fy1 = fy0 - 1.0;
    const double fz0 = c.fz, fz1 = fz0 - 1.0;
    const double wx = (fx0 * fx0) * (3.0 - (fx0 + fx0));
    const double wy = (fy0 * fy0) * (3.0 - (fy0 + fy0));
    const double wz = (fz0 * fz0) * (3.0 - (fz0 + fz0));
    const int32_t x1 = add_wrap(c.ix, 1), y1 = add_wrap(c.iy, 1), z1 = add_wrap(c.iz, 1);

    auto g = [](int32_t a, int32_t b, int32_t d, double u, double v, double w) {
        const double* q = lattice_gradient_table[lattice_index(a, b, d)];
        return q[0] * u + q[1] * v + q[2] * w;
    };

    const double vy0 =
        lerp(wx, g(c.ix, c.iy, c.iz, fx0, fy0, fz0), g(x1, c.iy, c.iz, fx1, fy0, fz0));
    const double vy1 = lerp(wx, g(c.ix, y1, c.iz, fx0, fy1, fz0), g(x1, y1, c.iz, fx1, fy1, fz0));
    const double vz0 = lerp(wy, vy0, vy1);
    const double wy0 = lerp(wx, g(c.ix, c.iy, z1, fx0, fy0, fz1), g(x1, c.iy, z1, fx1, fy0, fz1));
    const double wy1 = lerp(wx, g(c.ix, y1, z1, fx0, fy1, fz1), g(x1, y1, z1, fx1, fy1, fz1));
    const double vz1 = lerp(wy, wy0, wy1);
    return lerp(wz, vz0, vz1);
}

}  // namespace granulix

using namespace granulix;

extern "C" {

double vnoise(const double* p)
{
    return value_noise3(p);
}

double gnoise(const double* p)
{
    return gradient_noise3(p);
}

double gvnoise(const double* p)
{
    const double v = value_noise3(p);  // first: its table build comes before gnoise's
    const double g = gradient_noise3(p);
    return 0.3 * v + 0.7 * g;
}

double vcnoise(const double* p)
{
    if (!vcnoise_value_built) {
        init_value_table();
        vcnoise_value_built = 1;
    }
    const Cell c = split(p);
    double sum = 0.0;
    for (int k = -1; k <= 2; ++k) {
        const double dz = k - c.fz;
        const int32_t z = add_wrap(c.iz, k);
        for (int j = -1; j <= 2; ++j) {
            const double dy = j - c.fy;
            const int32_t y = add_wrap(c.iy, j);
            for (int i = -1; i <= 2; ++i) {
                const double dx = i - c.fx;
                const double d = dz * dz + dy * dy + dx * dx;
                // Points at squared distance 4 or more weigh 0 and add nothing.
                if (d >= 4.0) continue;
                sum = sum + filter_weight(d) * value_table[lattice_index(add_wrap(c.ix, i), y, z)];
            }
        }
    }
    return sum;
}

double scnoise(const double* p)
{
    if (!impulse_built) {
        init_impulse_table();
        impulse_built = 1;
    }
    const Cell c = split(p);
    double sum = 0.0;
    for (int i = -2; i <= 2; ++i) {
        const int32_t x = add_wrap(c.ix, i);
        for (int j = -2; j <= 2; ++j) {
            const int32_t y = add_wrap(c.iy, j);
            for (int k = -2; k <= 2; ++k) {
                int32_t h = lattice_index(x, y, add_wrap(c.iz, k));
                for (int n = 0; n < 3; ++n) {
                    const double* imp = impulse_table[h];
                    const double dx = c.fx - (i + imp[0]);
                    const double dy = c.fy - (j + imp[1]);
                    const double dz = c.fz - (k + imp[2]);
                    const double d = dx * dx + dy * dy + dz * dz;
                    if (d < 4.0) sum = sum + filter_weight(d) * imp[3];
                    h = (h + 1) & 255;  // the cell's next impulse is the next entry
                }
            }
        }
    }
    return sum * 0.3333333333333333;
}

}  // extern "C"
