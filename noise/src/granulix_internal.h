// Private interface of granulix: the generator, the random tables with their
// build flags, the lattice hashes and the shared cores. Nothing here is
// exported from libgranulix.so; the tests link the sources directly.
#pragma once

#include <cmath>
#include <cstdint>

namespace granulix {

// Generator: one state per thread, starting at 1.
void noise_srand(uint32_t seed);
int32_t noise_rand();

// The double nearest to 1/32767: turns a draw into a uniform number in [0, 1].
inline constexpr double kDrawUnit = 1.0 / 32767.0;

// Tables: process-wide, zero until built, never freed.
extern int32_t perlin_p[514];
extern double perlin_g1[514];
extern double perlin_g2[514][2];
extern double perlin_g3[514][3];
extern const uint8_t lattice_perm[256];
extern double value_table[256];
extern double impulse_table[256][4];  // x, y, z, weight
extern double lattice_gradient_table[256][3];
extern double filter_table[401];
extern int32_t cell_perm[3][2048];
extern double cell_values[2048];

// Build flags: plain process-wide variables, no lock.
extern int32_t perlin_pending;
extern int32_t vnoise_value_built;
extern int32_t vcnoise_value_built;
extern int32_t impulse_built;
extern int32_t lattice_gradient_built;
extern int32_t filter_built;
extern int32_t cell_pending;

void init_gradient_tables();
void init_value_table();
void init_impulse_table();
void init_lattice_gradient_table();
void init_filter_table();
void init_cell_tables();  // clears cell_pending itself, right after seeding

inline void ensure_gradient_tables()
{
    if (perlin_pending) {
        perlin_pending = 0;
        init_gradient_tables();
    }
}

inline void ensure_cell_tables()
{
    if (cell_pending) init_cell_tables();
}

// Integer part of a double that already holds a whole number (or NaN/inf),
// reduced modulo 2^32 into int32 without undefined behaviour. Non-finite
// values give 0. Only the low bits matter to the lattices (256 and 2048).
inline int32_t wrap_int32(double whole)
{
    if (whole >= -2147483648.0 && whole < 2147483648.0) return static_cast<int32_t>(whole);
    if (!std::isfinite(whole)) return 0;
    double r = std::fmod(whole, 4294967296.0);
    if (r < 0.0) r += 4294967296.0;
    return static_cast<int32_t>(static_cast<uint32_t>(r));
}

// floor(v) as int32 (wrapped as above) and the fraction v - floor(v).
inline int32_t floor_split(double v, double& frac)
{
    if (v > -2147483648.0 && v < 2147483647.0) {
        int32_t n = static_cast<int32_t>(v);
        if (v < static_cast<double>(n)) --n;
        frac = v - static_cast<double>(n);
        return n;
    }
    const double whole = std::floor(v);
    frac = v - whole;
    return wrap_int32(whole);
}

inline int32_t floor_int32(double v)
{
    double unused;
    return floor_split(v, unused);
}

// Integer sums of the lattice code wrap modulo 2^32; only their low bits are used.
inline int32_t add_wrap(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Hash through lattice_perm, z first: 0..255.
inline int32_t lattice_index(int32_t ix, int32_t iy, int32_t iz)
{
    const uint32_t hz = lattice_perm[static_cast<uint32_t>(iz) & 255u];
    const uint32_t hy = lattice_perm[(static_cast<uint32_t>(iy) + hz) & 255u];
    return lattice_perm[(static_cast<uint32_t>(ix) + hy) & 255u];
}

// Hash through cell_perm[k], the first coordinate first: 0..2047.
inline int32_t cell_step(int k, int32_t h, int32_t c)
{
    return cell_perm[k][(static_cast<uint32_t>(c) + static_cast<uint32_t>(h)) & 2047u];
}
inline int32_t cell_index(int k, int32_t a)
{
    return cell_perm[k][static_cast<uint32_t>(a) & 2047u];
}
inline int32_t cell_index(int k, int32_t a, int32_t b)
{
    return cell_step(k, cell_index(k, a), b);
}
inline int32_t cell_index(int k, int32_t a, int32_t b, int32_t c)
{
    return cell_step(k, cell_index(k, a, b), c);
}
inline int32_t cell_index(int k, int32_t a, int32_t b, int32_t c, int32_t d)
{
    return cell_step(k, cell_index(k, a, b, c), d);
}

// Radial filter at squared distance d2 (builds filter_table on first need).
inline double filter_weight(double d2)
{
    if (d2 >= 4.0) return 0.0;
    if (!filter_built) {
        init_filter_table();
        filter_built = 1;
    }
    // d2 is a sum of squares, so the rounded index is floor(s) = trunc(s) in 0..400;
    // a NaN distance weighs nothing.
    const double s = d2 * 100.0 + 0.5;
    if (!(s >= 0.0)) return 0.0;
    const int idx = static_cast<int>(s);
    if (idx >= 401) return 0.0;
    return filter_table[idx];
}

// Catmull-Rom spline through nknots knots at x in [0, 1] (the export `spline`).
inline double spline_eval(double x, int32_t nknots, const double* knots)
{
    if (nknots < 4) return 0.0;  // fewer than one span; the knots are not read
    const int32_t nspans = nknots - 3;
    if (!(x >= 0.0))
        x = 0.0;  // below 0, or NaN
    else if (x > 1.0)
        x = 1.0;
    double t = x * nspans;
    const int32_t span = static_cast<int32_t>(t);
    if (span >= nspans) return knots[nknots - 2];  // the end of the last span
    t = t - span;
    const double* k = knots + span;
    const double c0 = k[1];
    const double c1 = -0.5 * k[0] + 0.5 * k[2];
    const double c2 = k[0] - 2.5 * k[1] + 2.0 * k[2] - 0.5 * k[3];
    const double c3 = -0.5 * k[0] + 1.5 * k[1] - 1.5 * k[2] + 0.5 * k[3];
    return c0 + t * (c1 + t * (c2 + t * c3));
}

// The octave loop of the weighted-mean sums (fBm, turbulence, crumple,
// crumple2): octave i samples p x lacunarity^i with amplitude gain^i, both by
// repeated multiplication, and the result is the amplitude-weighted mean of
// the samples. No octaves give 0.0 rather than a division by zero.
template <class Sample>
inline double octave_mean(const double* p, int32_t octaves, double lacunarity, double gain,
                          Sample sample)
{
    if (octaves <= 0) return 0.0;
    double q[3] = {p[0], p[1], p[2]};
    double amp = 1.0, sum = 0.0, ampsum = 0.0;
    for (int32_t i = 0; i < octaves; ++i) {
        const double v = sample(q);
        sum = sum + v * amp;
        ampsum = ampsum + amp;
        amp = amp * gain;
        q[0] = q[0] * lacunarity;
        q[1] = q[1] * lacunarity;
        q[2] = q[2] * lacunarity;
    }
    return sum * (1.0 / ampsum);
}

// Cores shared between the exports.
double noise1(double x);
double noise2(const double* p);
double noise3(const double* p);
double value_noise3(const double* p);
double gradient_noise3(const double* p);
void voronoi_f1_core(const double* P, double jitter, double* f1, double* pos1);
void voronoi_f1f2_core(const double* P, double jitter, double* f1, double* pos1, double* f2,
                       double* pos2);

}  // namespace granulix
