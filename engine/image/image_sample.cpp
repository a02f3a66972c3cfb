// The filtered texture lookup of the image node.

#include <algorithm>
#include <cmath>

#include "geometry/texture_space.h"
#include "image/image.h"

namespace {

constexpr long double kInv255 = 1.0L / 255.0L;

double ByteValue(uint8_t b)
{
    return static_cast<double>(b * kInv255);
}

struct Level {
    int32_t w;
    int32_t h;
    size_t offset;  // in texels
};

struct Tap {
    double c[3];
    double a;
};

// Clamps a floor or ceiling into [0, size - 1]; a NaN coordinate reads texel 0.
int32_t ClampIndex(double v, int32_t size)
{
    if (!(v >= 0.0)) return 0;
    if (v >= static_cast<double>(size)) return size - 1;
    return static_cast<int32_t>(v);
}

Tap Bilinear(const Image& image, const Level& level, double a, double b)
{
    const double x = (level.w - 1) * a;
    const double y = (level.h - 1) * b;
    const int32_t x0 = ClampIndex(std::floor(x), level.w);
    const int32_t x1 = ClampIndex(std::ceil(x), level.w);
    const int32_t y0 = ClampIndex(std::floor(y), level.h);
    const int32_t y1 = ClampIndex(std::ceil(y), level.h);
    const double fx = x - x0;
    const double fy = y - y0;

    const auto index = [&](int32_t i, int32_t j) {
        return level.offset + static_cast<size_t>(j) * static_cast<size_t>(level.w) +
               static_cast<size_t>(i);
    };
    const size_t k00 = index(x0, y0), k10 = index(x1, y0), k01 = index(x0, y1), k11 = index(x1, y1);

    Tap tap{};
    for (int ch = 0; ch < 3; ++ch) {
        const double c00 = ByteValue(image.rgb[k00 * 3 + ch]);
        const double c10 = ByteValue(image.rgb[k10 * 3 + ch]);
        const double c01 = ByteValue(image.rgb[k01 * 3 + ch]);
        const double c11 = ByteValue(image.rgb[k11 * 3 + ch]);
        tap.c[ch] = (1 - fy) * ((1 - fx) * c00 + fx * c10) + fy * ((1 - fx) * c01 + fx * c11);
    }
    if (image.hasAlpha && image.alpha) {
        const double a00 = ByteValue(image.alpha[k00]);
        const double a10 = ByteValue(image.alpha[k10]);
        const double a01 = ByteValue(image.alpha[k01]);
        const double a11 = ByteValue(image.alpha[k11]);
        tap.a = (1 - fy) * ((1 - fx) * a00 + fx * a10) + fy * ((1 - fx) * a01 + fx * a11);
    } else {
        tap.a = 1.0;  // every texel's alpha is 1.0, so is any mean of them
    }
    return tap;
}

double Clamp01(double v)
{
    if (v > 1.0) return 1.0;
    if (v < 0.0) return 0.0;
    return v;
}

}  // namespace

void Image::Sample(double s, double t, double du, double dv, double blur, int mode, double* colour,
                   double* alphaOut) const
{
    if (name.empty() || !rgb || width <= 0 || height <= 0) return;
    if (mode != 0 && mode != 1) return;

    const double f = std::max(std::fabs(du), std::fabs(dv)) * blur;
    Level level{width, height, 0};
    while (1.0 / level.w < f && 1.0 / level.h < f && level.w >= 2 && level.h >= 2) {
        level.offset += static_cast<size_t>(level.w) * static_cast<size_t>(level.h);
        level.w /= 2;
        level.h /= 2;
    }

    const double s2 = Wrap01(s + du);
    const double t2 = Wrap01(t + dv);
    const Tap t1 = Bilinear(*this, level, s, t);
    const Tap tS = Bilinear(*this, level, s2, t);
    const Tap tT = Bilinear(*this, level, s, t2);
    const Tap tST = Bilinear(*this, level, s2, t2);

    if (mode == 0) {
        for (int ch = 0; ch < 3; ++ch)
            colour[ch] = (t1.c[ch] + tS.c[ch] + tT.c[ch] + tST.c[ch]) * 0.25;
        if (alphaOut) *alphaOut = (t1.a + tS.a + tT.a + tST.a) * 0.25;
    } else {
        for (int ch = 0; ch < 3; ++ch)
            colour[ch] =
                Clamp01((8 * t1.c[ch] + 3 * tS.c[ch] + 3 * tT.c[ch] - 6 * tST.c[ch]) * 0.125);
        if (alphaOut) *alphaOut = Clamp01((8 * t1.a + 3 * tS.a + 3 * tT.a - 6 * tST.a) * 0.125);
    }
}

void Image::SampleLevel0(double s, double t, double* colour, double* alphaOut) const
{
    if (name.empty() || !rgb || width <= 0 || height <= 0) return;
    const Tap tap = Bilinear(*this, Level{width, height, 0}, s, t);
    for (int ch = 0; ch < 3; ++ch) colour[ch] = tap.c[ch];
    if (alphaOut) *alphaOut = tap.a;
}
