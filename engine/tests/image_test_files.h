#pragma once
// Helpers for the image tests: BMP files built byte by byte, and temporary
// directories under /tmp that remove themselves.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utime.h>
#include <vector>

namespace imagetest {

struct Bmp {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitCount = 24;
    uint32_t offset = 54;  // pixel-data offset
    uint32_t compression = 0;
    std::vector<uint8_t> gap;     // bytes between the info header and the pixels (palette, masks)
    std::vector<uint8_t> pixels;  // the pixel rows as stored (bottom-up, padded)
};

inline void PutU16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline int32_t RowBytes(int32_t width, int32_t bitCount)
{
    return ((width * bitCount + 31) / 32) * 4;
}

inline std::vector<uint8_t> Encode(const Bmp& bmp)
{
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutU32(out, static_cast<uint32_t>(54 + bmp.gap.size() + bmp.pixels.size()));
    PutU32(out, 0);
    PutU32(out, bmp.offset);
    PutU32(out, 40);
    PutU32(out, static_cast<uint32_t>(bmp.width));
    PutU32(out, static_cast<uint32_t>(bmp.height));
    PutU16(out, 1);
    PutU16(out, bmp.bitCount);
    PutU32(out, bmp.compression);
    for (int i = 0; i < 5; ++i) PutU32(out, 0);
    out.insert(out.end(), bmp.gap.begin(), bmp.gap.end());
    out.insert(out.end(), bmp.pixels.begin(), bmp.pixels.end());
    return out;
}

// A 24-bit bitmap from colours given top row first, each row left to right,
// as 0xRRGGBB.
inline Bmp Rgb24(int32_t width, int32_t height, const std::vector<uint32_t>& topFirst)
{
    Bmp bmp;
    bmp.width = width;
    bmp.height = height;
    const int32_t row = RowBytes(width, 24);
    bmp.pixels.assign(static_cast<size_t>(row * height), 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t c = topFirst[static_cast<size_t>(y * width + x)];
            uint8_t* p = &bmp.pixels[static_cast<size_t>((height - 1 - y) * row + x * 3)];
            p[0] = static_cast<uint8_t>(c);
            p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c >> 16);
        }
    return bmp;
}

// A uniform 24-bit bitmap.
inline Bmp Flat24(int32_t width, int32_t height, uint32_t rgb)
{
    return Rgb24(width, height, std::vector<uint32_t>(static_cast<size_t>(width * height), rgb));
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline void SetModificationTime(const std::string& path, long seconds)
{
    utimbuf times{static_cast<time_t>(seconds), static_cast<time_t>(seconds)};
    utime(path.c_str(), &times);
}

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/qm_image_test_XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made ? made : "/tmp";
    }
    ~TempDir()
    {
        std::error_code ec;
        if (path_ != "/tmp") std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace imagetest
