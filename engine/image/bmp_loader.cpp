#include "image/bmp_loader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/regular_file.h"
#include "image/dib24.h"

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

// Reads the file into bitmap; false on a failed open or read. Only a
// regular file opens, and without waiting: a pipe named like a picture would
// otherwise hang the render until something wrote to it.
bool ReadBitmap(const char* fileName, dib24& bitmap)
{
    if (!fileName) return false;
    std::unique_ptr<FILE, FileCloser> file(OpenRegularFile(fileName));
    return file && bitmap.LoadBMP(file.get()) == 1;
}

// The size that the last successful info query on this thread reported, by
// name. The cache sizes its buffers from that query; should the file change
// before the pixel read, a picture of another size is refused rather than
// written past the caller's buffers.
//
// The name is kept as a hash and a length: a thread_local with a destructor
// would pin the library in memory until the thread ends, so a host could
// never unload it. Equal names always match; two names that merely collide
// only make the size check stricter.
struct LastInfo {
    uint64_t nameHash = 0;
    size_t nameLength = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool valid = false;
};
// Initial-exec for the same reason as the load depth in node_list.cpp: no
// dynamic TLS block to outlive a dlclose.
__attribute__((tls_model("initial-exec"))) thread_local LastInfo lastInfo;

uint64_t NameHash(const char* name, size_t length)
{
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (size_t i = 0; i < length; ++i) {
        hash ^= static_cast<unsigned char>(name[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

bool IsLastInfoName(const char* name)
{
    const size_t length = std::strlen(name);
    return lastInfo.valid && lastInfo.nameLength == length &&
           lastInfo.nameHash == NameHash(name, length);
}

uint8_t Expand5(unsigned v)
{
    return static_cast<uint8_t>((v << 3) | (v >> 2));
}

// One source pixel of the bitmap's own depth to 8-bit red, green, blue.
void PixelToRgb(const uint8_t* src, int32_t bytesPerPixel, uint8_t* rgb)
{
    switch (bytesPerPixel) {
    case 2: {  // 16 bits: x1r5g5b5, little-endian
        const unsigned v = static_cast<unsigned>(src[0] | (src[1] << 8));
        rgb[0] = Expand5((v >> 10) & 31);
        rgb[1] = Expand5((v >> 5) & 31);
        rgb[2] = Expand5(v & 31);
        break;
    }
    case 6:  // 48 bits: blue, green, red as little-endian 16-bit words
        rgb[0] = src[5];
        rgb[1] = src[3];
        rgb[2] = src[1];
        break;
    default:  // 24 bits: blue, green, red
        rgb[0] = src[2];
        rgb[1] = src[1];
        rgb[2] = src[0];
        break;
    }
}

}  // namespace

int32_t BmpImageInfo(const char* fileName, int32_t* width, int32_t* height, int32_t* hasAlpha)
{
    dib24 scratch(1, 1, 24);
    if (!ReadBitmap(fileName, scratch)) return 0;
    *width = scratch.width;
    *height = scratch.height;
    if (hasAlpha) *hasAlpha = 0;
    const size_t length = std::strlen(fileName);
    lastInfo = LastInfo{NameHash(fileName, length), length, scratch.width, scratch.height, true};
    return 1;
}

int32_t BmpImageLoad(const char* fileName, uint8_t* rgb, uint8_t* alpha)
{
    dib24 bitmap;
    if (!ReadBitmap(fileName, bitmap)) return 0;
    if (IsLastInfoName(fileName) &&
        (lastInfo.width != bitmap.width || lastInfo.height != bitmap.height))
        return 0;
    const size_t w = static_cast<size_t>(bitmap.width);
    const size_t h = static_cast<size_t>(bitmap.height);
    for (size_t i = 0; i < h; ++i) {
        const uint8_t* row = bitmap.bits + (h - 1 - i) * static_cast<size_t>(bitmap.rowBytes);
        uint8_t* out = rgb + i * w * 3;
        for (size_t j = 0; j < w; ++j)
            PixelToRgb(row + j * static_cast<size_t>(bitmap.bytesPerPixel), bitmap.bytesPerPixel,
                       out + j * 3);
    }
    if (alpha)
        for (size_t k = 0; k < w * h; ++k) alpha[k] = 255;
    return 1;
}
