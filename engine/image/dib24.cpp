#include "image/dib24.h"

#include <cstring>
#include <limits>
#include <new>

#include "image/image.h"

namespace {

bool AcceptedDepth(int bitCount)
{
    return bitCount == 16 || bitCount == 24 || bitCount == 48;
}

uint16_t ReadU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int32_t ReadI32(const uint8_t* p)
{
    return static_cast<int32_t>(ReadU32(p));
}

BitmapInfoHeader DecodeInfoHeader(const uint8_t* p)
{
    BitmapInfoHeader h{};
    h.size = ReadU32(p + 0);
    h.width = ReadI32(p + 4);
    h.height = ReadI32(p + 8);
    h.planes = ReadU16(p + 12);
    h.bitCount = ReadU16(p + 14);
    h.compression = ReadU32(p + 16);
    h.sizeImage = ReadU32(p + 20);
    h.xPelsPerMeter = ReadI32(p + 24);
    h.yPelsPerMeter = ReadI32(p + 28);
    h.clrUsed = ReadU32(p + 32);
    h.clrImportant = ReadU32(p + 36);
    return h;
}

// The pixel memory for a bitmap of this header, zero-filled, with its size;
// null when the size is not positive or does not fit (the platform making no
// bitmap).
std::unique_ptr<uint8_t[]> AllocatePixels(const BitmapInfoHeader& h, size_t* size)
{
    if (h.width <= 0 || h.height <= 0 || !AcceptedDepth(h.bitCount)) return nullptr;
    const int64_t row = dib24::RowLength(h.width, h.bitCount);
    if (row > std::numeric_limits<int32_t>::max()) return nullptr;
    if (static_cast<uint64_t>(row) * static_cast<uint64_t>(h.height) >
        std::numeric_limits<size_t>::max() / 2)
        return nullptr;
    *size = static_cast<size_t>(row) * static_cast<size_t>(h.height);
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[*size]());
}

// Bytes between the stream's position and its end; -1 when the stream cannot
// tell (not seekable). The position is left where it was.
int64_t BytesLeft(FILE* file)
{
    const long here = std::ftell(file);
    if (here < 0) return -1;
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0 || end < here) return -1;
    return static_cast<int64_t>(end) - here;
}

}  // namespace

dib24::dib24(int w, int h, int bitsPerPixel)
{
    Create(w, h, bitsPerPixel);
}

int64_t dib24::RowLength(int64_t w, int32_t bitCount)
{
    return ((w * bitCount + 31) / 32) * 4;
}

bool dib24::Create(int w, int h, int bitsPerPixel)
{
    Free();
    if (!AcceptedDepth(bitsPerPixel)) return false;
    info = BitmapInfo{};
    info.header.size = 40;
    info.header.width = w;
    info.header.height = h;
    info.header.planes = 1;
    info.header.bitCount = static_cast<uint16_t>(bitsPerPixel);
    size_t size = 0;
    bitmap = AllocatePixels(info.header, &size);  // null: no bitmap, still true
    bits = bitmap.get();
    UpdateLayout();
    return true;
}

void dib24::UpdateLayout()
{
    if (bitmap) {
        width = info.header.width;
        height = info.header.height;
        bytesPerPixel = info.header.bitCount / 8;
        rowBytes = static_cast<int32_t>(RowLength(width, info.header.bitCount));
    } else {
        width = height = bytesPerPixel = rowBytes = 0;
        bits = nullptr;
    }
}

void dib24::Free()
{
    bitmap.reset();
    bits = nullptr;
    width = height = bytesPerPixel = rowBytes = 0;
}

void dib24::Clear()
{
    if (!bits) return;
    // The colour bytes of a row are width x bytesPerPixel (3 x width at 24
    // bits); the row's padding is left alone.
    const size_t colourBytes = static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel);
    for (int32_t y = 0; y < height; ++y)
        std::memset(bits + static_cast<size_t>(y) * static_cast<size_t>(rowBytes), 0, colourBytes);
}

int dib24::LoadBMP(FILE* file)
{
    if (!file) return 0;
    uint8_t fileHeader[14];
    if (std::fread(fileHeader, 1, sizeof fileHeader, file) != sizeof fileHeader) return 0;
    if (ReadU16(fileHeader) != 0x4D42) return 0;

    // The block between the file header and the pixels must at least hold the
    // 40-byte info header, and lie within the file.
    const int64_t left = BytesLeft(file);
    if (left < 0) return 0;
    const int64_t block = static_cast<int64_t>(ReadU32(fileHeader + 10)) - 14;
    if (block < 40 || block > left) return 0;

    uint8_t rawHeader[40];
    if (std::fread(rawHeader, 1, sizeof rawHeader, file) != sizeof rawHeader) return 0;
    if (block > 40 && std::fseek(file, static_cast<long>(block - 40), SEEK_CUR) != 0) return 0;
    const BitmapInfoHeader header = DecodeInfoHeader(rawHeader);

    if (header.compression != 0) return 0;
    if (!AcceptedDepth(header.bitCount)) return 0;
    // Bottom-up rows of a positive size only, and no more pixel bytes than the
    // file still holds.
    if (header.width <= 0 || header.height <= 0) return 0;
    const int64_t row = RowLength(header.width, header.bitCount);
    const int64_t pixelBytesLeft = left - block;
    if (row > pixelBytesLeft || static_cast<int64_t>(header.height) > pixelBytesLeft / row)
        return 0;
    // Nor a picture larger than the image cache takes from any loader: it is
    // refused here, from its header, before its pixels are allocated or read.
    if (!Image::SizeAccepted(header.width, header.height)) return 0;

    size_t size = 0;
    std::unique_ptr<uint8_t[]> pixels = AllocatePixels(header, &size);
    if (!pixels) return 0;
    if (std::fread(pixels.get(), 1, size, file) != size) return 0;

    Free();
    info.header = header;  // the 40 header bytes as read
    bitmap = std::move(pixels);
    bits = bitmap.get();
    UpdateLayout();
    return 1;
}
