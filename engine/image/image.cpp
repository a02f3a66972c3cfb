#include "image/image.h"

#include <cmath>
#include <cstdint>
#include <new>
#include <sys/stat.h>

#include "image/image_loader.h"
#include "plugin/qm_plugin.h"

namespace {

uint8_t ToByte(double v)
{
    if (!(v >= 0.0)) return 0;  // negative or not a number
    if (v > 255.0) return 255;
    return static_cast<uint8_t>(v);
}

// One halving step: level (w, h) at src to level (c, d) at dst, for `channels`
// interleaved bytes per texel.
void HalveLevel(const uint8_t* src, int32_t w, int32_t h, uint8_t* dst, int32_t c, int32_t d,
                int channels)
{
    const double hx = (w % 2 != 0) ? 1.0 / c : 0.0;
    const double hy = (h % 2 != 0) ? 1.0 / d : 0.0;
    const double norm = (static_cast<double>(w) / c) * (static_cast<double>(h) / d);
    const int spanX = (w % 2 != 0) ? 3 : 2;
    const int spanY = (h % 2 != 0) ? 3 : 2;
    for (int32_t j = 0; j < d; ++j) {
        const double wy[3] = {1.0 - j * hy, 1.0, (j + 1) * hy};
        for (int32_t i = 0; i < c; ++i) {
            const double wx[3] = {1.0 - i * hx, 1.0, (i + 1) * hx};
            for (int ch = 0; ch < channels; ++ch) {
                double sum = 0.0;
                for (int b = 0; b < spanY; ++b) {
                    const size_t y = static_cast<size_t>(2 * j + b);
                    for (int a = 0; a < spanX; ++a) {
                        const size_t x = static_cast<size_t>(2 * i + a);
                        const double texel = src[(y * static_cast<size_t>(w) + x) * channels + ch];
                        sum += texel * (wx[a] * wy[b]);
                    }
                }
                dst[(static_cast<size_t>(j) * static_cast<size_t>(c) + static_cast<size_t>(i)) *
                        channels +
                    ch] = ToByte(sum / norm);
            }
        }
    }
}

}  // namespace

void BuildMipChain(int32_t width, int32_t height, uint8_t* rgb, uint8_t* alpha)
{
    int32_t w = width, h = height;
    size_t offset = 0;
    for (;;) {
        const int32_t c = w / 2, d = h / 2;
        if (c == 0 || d == 0) return;
        const size_t next = offset + static_cast<size_t>(w) * static_cast<size_t>(h);
        HalveLevel(rgb + offset * 3, w, h, rgb + next * 3, c, d, 3);
        if (alpha) HalveLevel(alpha + offset, w, h, alpha + next, c, d, 1);
        if (c < 2 || d < 2) return;
        w = c;
        h = d;
        offset = next;
    }
}

bool Image::SizeAccepted(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0) return false;
    if (width > QM_IMAGE_MAX_SIDE || height > QM_IMAGE_MAX_SIDE) return false;
    return static_cast<int64_t>(width) * height <= QM_IMAGE_MAX_TEXELS;
}

bool Image::Load(const char* fileName)
{
    if (!fileName) return false;
    int32_t newWidth = 0, newHeight = 0, alphaFlag = 0;
    if (!GetImageInfo(fileName, &newWidth, &newHeight, &alphaFlag)) return false;
    if (!SizeAccepted(newWidth, newHeight)) return false;
    const uint8_t newHasAlpha = alphaFlag != 0 ? 1 : 0;

    const size_t texels = static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight);
    std::unique_ptr<uint8_t[]> newRgb(new (std::nothrow) uint8_t[RgbChainBytes(texels)]());
    if (!newRgb) return false;
    std::unique_ptr<uint8_t[]> newAlpha;
    if (newHasAlpha) {
        newAlpha.reset(new (std::nothrow) uint8_t[AlphaChainBytes(texels)]());
        if (!newAlpha) return false;
    }
    if (!LoadImagePixels(fileName, newRgb.get(), newAlpha.get())) return false;
    BuildMipChain(newWidth, newHeight, newRgb.get(), newAlpha.get());

    width = newWidth;
    height = newHeight;
    hasAlpha = newHasAlpha;
    rgb = std::move(newRgb);
    alpha = std::move(newAlpha);
    struct stat st {};
    if (::stat(fileName, &st) == 0) fileTime = static_cast<int32_t>(st.st_mtime);
    // A reload passes the image's own name: leave the string untouched then,
    // so that a handle comparing names outside the lock reads a stable text.
    if (name != fileName) name = fileName;
    return true;
}
