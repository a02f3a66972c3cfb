// Spectral sums of the 3-D gradient noise and the Catmull-Rom spline.
#include "granulix.h"
#include "granulix_internal.h"

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
