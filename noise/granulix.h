/*
 * granulix: procedural noise functions (gradient, value, convolution and
 * cellular noise, Voronoi distances, fractal sums, spline).
 *
 * Every function is a plain C function with double results. Point arguments
 * are arrays of doubles that are read, never written; output arrays hold
 * three doubles. The random tables behind the functions are built inside the
 * library by the first call that needs them. The library takes no locks: the
 * first call of each family must not race with another call of that family.
 *
 * The gradient noises (pnoise1/2/3, pnoise and the fractal sums) build their
 * lattice from the calling thread's generator state, so the first of them to
 * run in a process fixes their pattern: a thread that has not built another
 * table yet always gets the same one.
 *
 * Decisions this library makes where the arithmetic alone has no answer:
 *
 * - Coordinates whose integer part does not fit in int32: the integer part
 *   is taken modulo 2^32 (two's complement), and the fraction is the exact
 *   difference to the true integer part. Every lattice repeats with a period
 *   that divides 2^32 (256 or 2048), so such coordinates continue the same
 *   pattern seamlessly; as far as double precision allows, f(v + k * 2^32)
 *   equals f(v). For the gradient noises this applies to v + 4096.
 * - NaN and infinite coordinates fall into lattice cell 0. Results that use
 *   the fraction of such a coordinate follow IEEE arithmetic (mostly NaN;
 *   the spline clamps a NaN parameter to 0). Nothing is undefined.
 * - fBm, turbulence, crumple and crumple2 with octaves <= 0 return 0.0
 *   (their sums are empty). multifractal with octaves <= 0 returns 1.0.
 * - A gradient of the lattice tables whose random components are all zero
 *   stays the zero vector instead of being normalised.
 * - voronoi_f1 and voronoi_f1f2 write their outputs only once the search is
 *   over, so an output array may alias the query point. A distance that no
 *   candidate beats (only possible with a jitter far outside [0, 1]) is
 *   returned as sqrt(1000) together with the query point as its position.
 * - spline with fewer than four knots returns 0.0 without reading them.
 */
#ifndef GRANULIX_H
#define GRANULIX_H

#include <stdint.h>

#if defined(__GNUC__)
#define GRANULIX_API __attribute__((visibility("default")))
#else
#define GRANULIX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Gradient noise over a 256-cell periodic lattice, values in about [-1, 1]. */
GRANULIX_API double pnoise1(double x);
GRANULIX_API double pnoise2(const double* p);
GRANULIX_API double pnoise3(const double* p);
/* dims 0: 0.0 (p not read); 1: pnoise1(p[0]); 2: pnoise2(p); otherwise pnoise3(p). */
GRANULIX_API double pnoise(const double* p, int32_t dims);

/* Lattice and convolution noises of a 3-D point. */
GRANULIX_API double vnoise(const double* p);
GRANULIX_API double gnoise(const double* p);
GRANULIX_API double gvnoise(const double* p);
GRANULIX_API double vcnoise(const double* p);
GRANULIX_API double scnoise(const double* p);

/* Spectral sums of pnoise3 and the Catmull-Rom spline through nknots knots. */
GRANULIX_API double fBm(const double* p, int32_t octaves, double lacunarity, double gain);
GRANULIX_API double turbulence(const double* p, int32_t octaves, double lacunarity, double gain);
GRANULIX_API double multifractal(const double* p, int32_t octaves, double lacunarity, double gain,
                                 double offset);
GRANULIX_API double spline(double x, int32_t nknots, const double* knots);

/* Cell noise: one value in [-1, 1] per unit cell; the vector forms write out[0..2]. */
GRANULIX_API double cellnoise1(double x);
GRANULIX_API double cellnoise2(double x, double y);
GRANULIX_API double cellnoise3(const double* p);
GRANULIX_API double cellnoise4(const double* p, double t);
GRANULIX_API void vcellnoise1(double x, double* out);
GRANULIX_API void vcellnoise2(double x, double y, double* out);
GRANULIX_API void vcellnoise3(const double* p, double* out);
GRANULIX_API void vcellnoise4(const double* p, double t, double* out);

/* Distances to the nearest (F1) and second-nearest (F2) jittered feature point. */
GRANULIX_API void voronoi_f1(const double* P, double jitter, double* f1, double* pos1);
GRANULIX_API void voronoi_f1f2(const double* P, double jitter, double* f1, double* pos1, double* f2,
                               double* pos2);
/* Amplitude-weighted means of F1 (crumple) and F2 (crumple2) over the octaves. */
GRANULIX_API double crumple(const double* p, double jitter, int32_t octaves, double lacunarity,
                            double gain);
GRANULIX_API double crumple2(const double* p, double jitter, int32_t octaves, double lacunarity,
                             double gain);

#ifdef __cplusplus
}
#endif

#endif /* GRANULIX_H */
