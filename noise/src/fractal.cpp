// Spectral sums of the 3-D gradient noise and the Catmull-Rom spline.
#include "granulix.h"
#include "granulix_internal.h"

using granulix::noise3;

extern "C" {

double fBm(const double* p, int32_t octaves, double lacunarity, double gain)
{
    return granulix::octave_mean(p, octaves, lacunarity, gain,
                                 [](const double* q) { return noise3(q) * 0.5 + 0.5; });
}

double turbulence(const double* p, int32_t octaves, double lacunarity, double gain)
{
    return granulix::octave_mean(p, octaves, lacunarity, gain,
                                 [](const double* q) { return std::fabs(noise3(q)); });
}

double multifractal(const double* p, int32_t octaves, double lacunarity, double gain, double offset)
{
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

double spline(double x, int32_t nknots, const double* knots)
{
    return granulix::spline_eval(x, nknots, knots);
}

}  // extern "C"
