#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "image/image.h"

namespace {

constexpr double kTexel = static_cast<double>(1.0L / 255.0L);

// An image whose mip levels are filled by `fill(level, x, y)` (red; green and
// blue copy it), optionally with an alpha plane of `alphaFill`.
std::unique_ptr<Image> MakeImage(int32_t w, int32_t h,
                                 const std::function<uint8_t(int, int, int)>& fill,
                                 const std::function<uint8_t(int, int, int)>& alphaFill = nullptr)
{
    auto image = std::make_unique<Image>();
    image->width = w;
    image->height = h;
    image->name = "test.bmp";
    const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    image->rgb.reset(new uint8_t[Image::RgbChainBytes(n)]());
    if (alphaFill) {
        image->hasAlpha = 1;
        image->alpha.reset(new uint8_t[Image::AlphaChainBytes(n)]());
    }
    // The chain's levels: halve until a side would reach 0, and stop after
    // the first level with a side below 2.
    size_t offset = 0;
    for (int level = 0;; ++level) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t k = offset + static_cast<size_t>(y * w + x);
                const uint8_t v = fill(level, x, y);
                image->rgb[k * 3] = image->rgb[k * 3 + 1] = image->rgb[k * 3 + 2] = v;
                if (alphaFill) image->alpha[k] = alphaFill(level, x, y);
            }
        if (w / 2 == 0 || h / 2 == 0 || (level > 0 && (w < 2 || h < 2))) break;
        offset += static_cast<size_t>(w) * static_cast<size_t>(h);
        w /= 2;
        h /= 2;
    }
    return image;
}

struct Result {
    double c[3] = {-1, -1, -1};
    double a = -1;
};

Result Sample(const Image& image, double s, double t, double du, double dv, double blur, int mode)
{
    Result r;
    image.Sample(s, t, du, dv, blur, mode, r.c, &r.a);
    return r;
}

// A level marker: every texel of level k holds 10 (k + 1).
uint8_t LevelMark(int level, int, int)
{
    return static_cast<uint8_t>(10 * (level + 1));
}

}  // namespace

TEST(ImageSample, LevelChoiceFollowsTheFootprint)
{
    auto square = MakeImage(256, 256, LevelMark);
    EXPECT_DOUBLE_EQ(Sample(*square, 0.3, 0.3, 0, 0, 1, 0).c[0], 10 * kTexel);
    EXPECT_DOUBLE_EQ(Sample(*square, 0.3, 0.3, 0.01, 0, 1, 0).c[0], 30 * kTexel);  // 64 x 64
    EXPECT_DOUBLE_EQ(Sample(*square, 0.3, 0.3, 0.002, -0.005, 2, 0).c[0],
                     30 * kTexel);                                                 // blur x |dv|
    EXPECT_DOUBLE_EQ(Sample(*square, 0.3, 0.3, 0.01, 0, 0, 0).c[0], 10 * kTexel);  // blur 0
    EXPECT_DOUBLE_EQ(Sample(*square, 0.3, 0.3, 5, 5, 1, 0).c[0], 90 * kTexel);     // down to 1 x 1

    auto strip = MakeImage(256, 16, LevelMark);
    EXPECT_DOUBLE_EQ(Sample(*strip, 0.5, 0.5, 0.1, 0, 1, 0).c[0], 20 * kTexel);  // 128 x 8

    auto column = MakeImage(1, 64, [](int level, int x, int y) {
        return static_cast<uint8_t>(level * 100 + x * 50 + (y == 63 ? 7 : 3));
    });
    const Result r = Sample(*column, 0.9, 1.0, 0.5, 0, 1, 0);
    EXPECT_DOUBLE_EQ(r.c[0], (7 + 7 + 3 + 3) * kTexel * 0.25);  // level 0, column 0, t' wraps to 0
}

TEST(ImageSample, ZeroFootprintGivesTheBilinearTapInBothModes)
{
    // 2 x 2: top row 0, 100; bottom row 200, 40.
    const uint8_t v[2][2] = {{0, 100}, {200, 40}};
    auto image = MakeImage(2, 2, [&](int, int x, int y) { return v[y][x]; });
    const double fx = 0.25, fy = 0.5;
    const double top = (1 - fx) * 0 * kTexel + fx * 100 * kTexel;
    const double bottom = (1 - fx) * 200 * kTexel + fx * 40 * kTexel;
    const double expected = (1 - fy) * top + fy * bottom;
    for (int mode : {0, 1}) {
        const Result r = Sample(*image, fx, fy, 0, 0, 1, mode);
        EXPECT_NEAR(r.c[0], expected, 1e-15) << mode;
        EXPECT_EQ(r.c[1], r.c[0]);
        EXPECT_EQ(r.a, 1.0) << mode;  // no alpha plane
    }
}

TEST(ImageSample, OffsetTapsWrap)
{
    // One row (never leaves level 0): red = 10 x column.
    auto row = MakeImage(21, 1, [](int, int x, int) { return static_cast<uint8_t>(10 * x); });
    // s = 0.95, du = 0.1: T1 and T3 at column 19, T2 and T4 at s' = 0.05, column 1.
    const Result r = Sample(*row, 0.95, 0, 0.1, 0, 1, 0);
    EXPECT_NEAR(r.c[0], 100 * kTexel, 1e-12);

    // s = 1.0 with no footprint: the offset taps wrap to the opposite edge.
    auto edges = MakeImage(2, 2, [](int, int x, int) { return static_cast<uint8_t>(x ? 255 : 0); });
    EXPECT_DOUBLE_EQ(Sample(*edges, 1.0, 0, 0, 0, 1, 0).c[0], 0.5);
}

TEST(ImageSample, SharpModeWeightsAndClamps)
{
    // Red: T1 = T2 = T3 = 1, T4 = 0. Alpha: only the diagonal texel is set.
    auto image = MakeImage(
        2, 2, [](int, int x, int y) { return static_cast<uint8_t>(x == 1 && y == 1 ? 0 : 255); },
        [](int, int x, int y) { return static_cast<uint8_t>(x == 1 && y == 1 ? 255 : 0); });
    // du = dv = -1 puts the offset taps at 1.0; blur 0 keeps level 0.
    const Result sharp = Sample(*image, 0, 0, -1, -1, 0, 1);
    EXPECT_EQ(sharp.c[0], 1.0);  // 1.75 clamped
    EXPECT_EQ(sharp.a, 0.0);     // -0.75 clamped
    const Result normal = Sample(*image, 0, 0, -1, -1, 0, 0);
    EXPECT_DOUBLE_EQ(normal.c[0], 0.75);
    EXPECT_DOUBLE_EQ(normal.a, 0.25);

    // A flat area keeps its value in the sharp mode.
    auto flat = MakeImage(4, 4, [](int, int, int) { return uint8_t{51}; });
    EXPECT_NEAR(Sample(*flat, 0.2, 0.7, 0.1, 0.1, 0, 1).c[0], 0.2, 1e-15);
}

TEST(ImageSample, AlphaPlaneIsInterpolated)
{
    auto image = MakeImage(
        2, 1, [](int, int, int) { return uint8_t{0}; },
        [](int, int x, int) { return static_cast<uint8_t>(x ? 255 : 0); });
    EXPECT_DOUBLE_EQ(Sample(*image, 0.25, 0, 0, 0, 1, 0).a, 0.25);
    double colour[3] = {};
    image->Sample(0.25, 0, 0, 0, 1, 0, colour, nullptr);  // no alpha output: colour only
    EXPECT_EQ(colour[0], 0.0);
}

TEST(ImageSample, UnnamedImageOrUnknownModeWritesNothing)
{
    auto image = MakeImage(2, 2, [](int, int, int) { return uint8_t{200}; });
    const Result other = Sample(*image, 0.5, 0.5, 0, 0, 1, 2);
    EXPECT_EQ(other.c[0], -1);
    EXPECT_EQ(other.a, -1);
    image->name.clear();
    const Result unnamed = Sample(*image, 0.5, 0.5, 0, 0, 1, 0);
    EXPECT_EQ(unnamed.c[0], -1);
    EXPECT_EQ(unnamed.a, -1);
    Image empty;
    const Result none = Sample(empty, 0.5, 0.5, 0, 0, 1, 0);
    EXPECT_EQ(none.c[0], -1);
}

TEST(ImageSample, CoordinatesOutsideTheLevelAreClamped)
{
    auto image =
        MakeImage(4, 4, [](int, int x, int y) { return static_cast<uint8_t>(x * 10 + y); });
    // T1 clamps to texel (3, 0) = 30; the offset taps wrap: s' = 0, t' = 1,
    // reading (0, 0) = 0, (3, 3) = 33 and (0, 3) = 3.
    EXPECT_DOUBLE_EQ(Sample(*image, 7.0, -3.0, 0, 0, 0, 0).c[0] * 255, 16.5);
    const Result r = Sample(*image, std::nan(""), 0.0, 0, 0, 0, 0);  // reads, never crashes
    EXPECT_TRUE(std::isnan(r.c[0]));
}
