// Spectral sums of the 3-D gradient noise and the Catmull-Rom spline.
#include "granulix.h"
#include "granulix_internal.h"

namespace granulix {

double spline_eval(double x, int32_t nknots, const double* knots) {
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

}  // namespace granulix

using granulix::noise3;

extern "C" {

double fBm(const double* p, int32_t octaves, double lacunarity, double gain) {
  if (octaves <= 0) return 0.0;  // empty sum: no weighted mean to take
  double q[3] = {p[0], p[1], p[2]};
  double amp = 1.0, sum = 0.0, ampsum = 0.0;
  for (int32_t i = 0; i < octaves; ++i) {
    const double n = noise3(q);
    const double v = n * 0.5 + 0.5;
    sum = sum + v * amp;
    ampsum = ampsum + amp;
    amp = amp * gain;
    q[0] = q[0] * lacunarity;
    q[1] = q[1] * lacunarity;
    q[2] = q[2] * lacunarity;
  }
  return sum * (1.0 / ampsum);
}

double turbulence(const double* p, int32_t octaves, double lacunarity, double gain) {
  if (octaves <= 0) return 0.0;
  double q[3] = {p[0], p[1], p[2]};
  double amp = 1.0, sum = 0.0, ampsum = 0.0;
  for (int32_t i = 0; i < octaves; ++i) {
    const double v = std::fabs(noise3(q));
    sum = sum + v * amp;
    ampsum = ampsum + amp;
    amp = amp * gain;
    q[0] = q[0] * lacunarity;
    q[1] = q[1] * lacunarity;
    q[2] = q[2] * lacunarity;
  }
  return sum * (1.0 / ampsum);
}

double multifractal(const double* p, int32_t octaves, double lacunarity, double gain,
                    double offset) {
  double q[3] = {p[0], p[1], p[2]};
  double amp = 1.0, result = 1.0;
  for (int32_t i = 0; i < octaves; ++i) {
    const double v = noise3(q) * 0.5 + 0.5;
    result = (v * amp + offset) * result;
    amp = amp * gain;
    q[0] = q[0] * lacunarity;
    q[1] = q[1] * lacunarity;
    q[2] = q[2] * lacunarity;
  }
  return result;
}

double spline(double x, int32_t nknots, const double* knots) {
  return granulix::spline_eval(x, nknots, knots);
}

}  // extern "C"
