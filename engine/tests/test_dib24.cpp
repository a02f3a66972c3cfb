#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <unistd.h>

#include "image/dib24.h"
#include "image_test_files.h"

using imagetest::Bmp;
using imagetest::Encode;

namespace {

struct MemFile {
    explicit MemFile(std::vector<uint8_t> data) : bytes(std::move(data))
    {
        file = fmemopen(bytes.empty() ? nullptr : bytes.data(), bytes.size(), "rb");
    }
    ~MemFile()
    {
        if (file) fclose(file);
    }
    std::vector<uint8_t> bytes;
    FILE* file = nullptr;
};

int Load(dib24& dib, const std::vector<uint8_t>& bytes)
{
    if (bytes.empty()) {
        // fmemopen refuses a zero-size buffer; an empty file does the same job.
        FILE* f = tmpfile();
        const int r = dib.LoadBMP(f);
        fclose(f);
        return r;
    }
    MemFile mem(bytes);
    return dib.LoadBMP(mem.file);
}

void ExpectEmpty(const dib24& d)
{
    EXPECT_EQ(d.bitmap, nullptr);
    EXPECT_EQ(d.bits, nullptr);
    EXPECT_EQ(d.width, 0);
    EXPECT_EQ(d.height, 0);
    EXPECT_EQ(d.rowBytes, 0);
    EXPECT_EQ(d.bytesPerPixel, 0);
}

Bmp Patterned(int32_t width, int32_t height, uint16_t bits)
{
    Bmp bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.bitCount = bits;
    bmp.pixels.resize(static_cast<size_t>(imagetest::RowBytes(width, bits) * height));
    for (size_t i = 0; i < bmp.pixels.size(); ++i) bmp.pixels[i] = static_cast<uint8_t>(i * 7 + 1);
    return bmp;
}

}  // namespace

TEST(Dib24, CreateLayoutAndRowLengths)
{
    dib24 thumb(64, 64, 24);
    EXPECT_EQ(thumb.rowBytes, 192);
    EXPECT_EQ(thumb.bytesPerPixel, 3);
    ASSERT_NE(thumb.bits, nullptr);
    EXPECT_EQ(thumb.bits, thumb.bitmap.get());
    EXPECT_EQ(thumb.info.header.size, 40u);
    EXPECT_EQ(thumb.info.header.planes, 1);

    const struct {
        int bits, row, bpp;
    } cases[] = {{24, 16, 3}, {16, 12, 2}, {48, 32, 6}};
    for (const auto& c : cases) {
        dib24 d(5, 3, c.bits);
        EXPECT_EQ(d.rowBytes, c.row) << c.bits;
        EXPECT_EQ(d.bytesPerPixel, c.bpp) << c.bits;
        EXPECT_EQ(d.width, 5);
        EXPECT_EQ(d.height, 3);
    }
    EXPECT_EQ(dib24::RowLength(0x7fffffff, 48), 12884901884LL);
}

TEST(Dib24, RefusedDepthEmptiesAndZeroSizeMakesNoBitmap)
{
    dib24 d(8, 8, 24);
    ASSERT_NE(d.bits, nullptr);
    EXPECT_FALSE(d.Create(8, 8, 32));
    ExpectEmpty(d);

    // The platform making no bitmap: true, with an empty object.
    EXPECT_TRUE(d.Create(0, 5, 24));
    ExpectEmpty(d);
    EXPECT_TRUE(d.Create(5, -2, 24));
    ExpectEmpty(d);

    dib24 refused(4, 4, 8);
    ExpectEmpty(refused);
    d.Create(2, 2, 24);
    d.Free();
    ExpectEmpty(d);
}

TEST(Dib24, ClearBlackensColourBytesOnly)
{
    for (int bits : {24, 16, 48}) {
        dib24 d(5, 2, bits);
        ASSERT_NE(d.bits, nullptr);
        std::memset(d.bits, 0xAB, static_cast<size_t>(d.rowBytes * d.height));
        d.Clear();
        const int colour = 5 * d.bytesPerPixel;
        for (int y = 0; y < 2; ++y)
            for (int i = 0; i < d.rowBytes; ++i)
                EXPECT_EQ(d.bits[y * d.rowBytes + i], i < colour ? 0 : 0xAB) << bits << " " << i;
    }
}

TEST(Dib24, LoadsExactPixelRowsAtOffsets54And70)
{
    for (uint32_t offset : {54u, 70u}) {
        Bmp bmp = Patterned(5, 3, 24);
        bmp.offset = offset;
        bmp.gap.assign(offset - 54, 0xEE);
        std::vector<uint8_t> bytes = Encode(bmp);
        bytes.insert(bytes.end(), {1, 2, 3, 4, 5, 6, 7});  // trailing bytes stay unread
        MemFile mem(bytes);
        dib24 d;
        ASSERT_EQ(d.LoadBMP(mem.file), 1) << offset;
        EXPECT_EQ(ftell(mem.file), static_cast<long>(offset + 3 * 16));
        EXPECT_EQ(d.width, 5);
        EXPECT_EQ(d.height, 3);
        EXPECT_EQ(d.rowBytes, 16);
        EXPECT_EQ(d.info.header.bitCount, 24);
        EXPECT_EQ(0, std::memcmp(d.bits, bmp.pixels.data(), bmp.pixels.size()));
    }
}

TEST(Dib24, Loads16And48BitFilesWithTheirOwnRowLength)
{
    for (uint16_t bits : {16, 48}) {
        Bmp bmp = Patterned(5, 2, bits);
        dib24 d(1, 1, 24);
        ASSERT_EQ(Load(d, Encode(bmp)), 1) << bits;
        EXPECT_EQ(d.bytesPerPixel, bits / 8);
        EXPECT_EQ(d.rowBytes, imagetest::RowBytes(5, bits));
        EXPECT_EQ(0, std::memcmp(d.bits, bmp.pixels.data(), bmp.pixels.size()));
    }
}

TEST(Dib24, RefusedFilesKeepThePreviousPicture)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, Bmp bmp) { cases.push_back({what, Encode(bmp)}); };

    Bmp palette = Patterned(4, 2, 8);
    palette.offset = 54 + 1024;
    palette.gap.assign(1024, 0x40);
    add("8-bit palette", palette);
    add("32 bits", Patterned(2, 2, 32));
    Bmp rle = Patterned(4, 2, 24);
    rle.compression = 1;
    add("run-length compressed", rle);
    Bmp masks = Patterned(4, 2, 16);
    masks.compression = 3;
    masks.offset = 66;
    masks.gap.assign(12, 0);
    add("bit fields", masks);
    Bmp lowOffset = Patterned(2, 2, 24);
    lowOffset.offset = 50;
    add("pixel offset below 54", lowOffset);
    Bmp tiny = Patterned(2, 2, 24);
    tiny.offset = 10;
    add("pixel offset below the file header", tiny);
    Bmp farOffset = Patterned(2, 2, 24);
    farOffset.offset = 0xFFFFFFF0u;
    add("pixel offset past the end", farOffset);
    Bmp topDown = Patterned(2, 2, 24);
    topDown.height = -2;
    add("negative height", topDown);
    Bmp zeroWidth = Patterned(2, 2, 24);
    zeroWidth.width = 0;
    add("zero width", zeroWidth);
    Bmp zeroHeight = Patterned(2, 2, 24);
    zeroHeight.height = 0;
    add("zero height", zeroHeight);
    Bmp negWidth = Patterned(2, 2, 24);
    negWidth.width = -4;
    add("negative width", negWidth);
    Bmp wide = Patterned(2, 2, 48);
    wide.width = 0x7fffffff;
    add("width times bit count overflows", wide);
    Bmp tall = Patterned(2, 2, 24);
    tall.height = 0x7fffffff;
    add("more rows than the file holds", tall);
    Bmp shortPixels = Patterned(3, 3, 24);
    shortPixels.pixels.pop_back();
    add("pixel data one byte short", shortPixels);

    std::vector<uint8_t> wrongType = Encode(Patterned(2, 2, 24));
    wrongType[0] = 'M';
    cases.push_back({"wrong type word", wrongType});
    std::vector<uint8_t> shortHeader = Encode(Patterned(2, 2, 24));
    shortHeader.resize(40);
    cases.push_back({"info header cut short", shortHeader});
    shortHeader.resize(13);
    cases.push_back({"file header cut short", shortHeader});
    cases.push_back({"empty file", {}});

    for (const Case& c : cases) {
        dib24 d(3, 1, 24);
        ASSERT_NE(d.bits, nullptr);
        d.bits[0] = 0x5A;
        const uint8_t* before = d.bits;
        EXPECT_EQ(Load(d, c.bytes), 0) << c.what;
        EXPECT_EQ(d.bits, before) << c.what;
        EXPECT_EQ(d.width, 3) << c.what;
        EXPECT_EQ(d.height, 1) << c.what;
        EXPECT_EQ(d.rowBytes, 12) << c.what;
        EXPECT_EQ(d.bits[0], 0x5A) << c.what;
    }
    dib24 d;
    EXPECT_EQ(d.LoadBMP(nullptr), 0);
}

TEST(Dib24, StreamThatCannotTellItsLengthIsRefused)
{
    // The reader checks every size against the bytes the file still holds;
    // a pipe cannot say, so it is refused rather than trusted.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::vector<uint8_t> bytes = Encode(Patterned(2, 2, 24));
    ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fds[1]);
    FILE* in = fdopen(fds[0], "rb");
    ASSERT_NE(in, nullptr);
    dib24 d;
    EXPECT_EQ(d.LoadBMP(in), 0);
    EXPECT_EQ(d.bits, nullptr);
    fclose(in);
}

TEST(Dib24, HeaderFieldsAreKeptAsRead)
{
    Bmp bmp = Patterned(2, 2, 24);
    std::vector<uint8_t> bytes = Encode(bmp);
    bytes[14 + 24] = 0x13;  // x resolution
    bytes[14 + 12] = 7;     // planes: not checked
    dib24 d;
    ASSERT_EQ(Load(d, bytes), 1);
    EXPECT_EQ(d.info.header.xPelsPerMeter, 0x13);
    EXPECT_EQ(d.info.header.planes, 7);
}
