#pragma once
// The program's pixel buffer: a bottom-up device-independent bitmap of 16, 24
// or 48 bits per pixel, with a reader for uncompressed BMP files.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

// The 40-byte BMP info header, little-endian, as stored in files.
struct BitmapInfoHeader {
    uint32_t size;
    int32_t width;
    int32_t height;  // positive: rows stored bottom-up
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t clrUsed;
    uint32_t clrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct BitmapInfo {
    BitmapInfoHeader header;
    uint8_t colors[4];  // one palette entry, never written
};

class dib24 {
public:
    dib24() = default;
    dib24(int w, int h, int bitsPerPixel);
    dib24(const dib24&) = delete;
    dib24& operator=(const dib24&) = delete;

    bool Create(int w, int h, int bitsPerPixel);
    void UpdateLayout();
    void Free();
    // 1 when loaded, 0 otherwise (object unchanged). A picture outside
    // Image::SizeAccepted is refused from its header, as the cache would
    // refuse it, before any pixel memory is allocated.
    int LoadBMP(FILE* file);
    void Clear();  // blackens the colour bytes of every row

    // Bytes per row for a width and bit count: rounded up to a multiple of 4.
    // Computed in 64 bits so that a hostile width cannot overflow it.
    static int64_t RowLength(int64_t w, int32_t bitCount);

    BitmapInfo info{};
    std::unique_ptr<uint8_t[]> bitmap;  // the pixel memory; null when empty
    uint8_t* bits = nullptr;            // == bitmap.get()
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowBytes = 0;
    int32_t bytesPerPixel = 0;
};
