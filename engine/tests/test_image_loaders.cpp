#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "fifo_test_support.h"
#include "image/bmp_loader.h"
#include "image/image_loader.h"
#include "image_test_files.h"

using namespace imagetest;

namespace {

std::atomic<int> fakeInfoCalls{0};
std::atomic<int> fakeLoadCalls{0};

int32_t FakeInfo(const char*, int32_t* w, int32_t* h, int32_t* a)
{
    ++fakeInfoCalls;
    *w = 7;
    *h = 9;
    if (a) *a = 1;
    return 1;
}
int32_t FakeLoad(const char*, uint8_t* rgb, uint8_t*)
{
    ++fakeLoadCalls;
    rgb[0] = 42;
    return 1;
}
int32_t OtherInfo(const char*, int32_t*, int32_t*, int32_t*)
{
    return 0;
}
int32_t OtherLoad(const char*, uint8_t*, uint8_t*)
{
    return 0;
}

}  // namespace

TEST(ImageLoaders, FileExtensionAndSubstring)
{
    EXPECT_EQ(FileExtension("wood.bmp"), "bmp");
    EXPECT_EQ(FileExtension("archive.tar.BMP"), "BMP");
    EXPECT_EQ(FileExtension("noext"), "");
    EXPECT_EQ(FileExtension("ends."), "");
    EXPECT_EQ(FileExtension("dir.v2/file"), "v2/file");  // the whole name is scanned
    EXPECT_EQ(FileExtension("caf\xc3\xa9.tif"), "tif");

    EXPECT_EQ(Substring("tga\ntif", 0, 2), "tga");
    EXPECT_EQ(Substring("tga\ntif", 4, 6), "tif");
    EXPECT_EQ(Substring("abc", 2, 1), "");
    EXPECT_EQ(Substring("abc", 1, 99), "bc");
}

TEST(ImageLoaders, MatchExtensionSplitsTheList)
{
    EXPECT_TRUE(MatchExtension("bmp", "a.BMP"));
    EXPECT_TRUE(MatchExtension("bmp", "a.bmp"));
    EXPECT_TRUE(MatchExtension("bmp", "x.tar.bmp"));
    EXPECT_FALSE(MatchExtension("bmp", "bmp"));
    EXPECT_FALSE(MatchExtension("bmp", "a."));
    EXPECT_TRUE(MatchExtension("tga\ntif", "photo.TIF"));
    EXPECT_TRUE(MatchExtension("tga\ntif\n", "photo.tif"));
    EXPECT_FALSE(MatchExtension("tga\n\ntif", "photo.ti"));
    EXPECT_FALSE(MatchExtension("\n", "a.bmp"));
    EXPECT_FALSE(MatchExtension("tiff", "a.tif"));
    EXPECT_FALSE(MatchExtension("bmp", nullptr));
}

TEST(ImageLoaders, BuiltInFirstThenRegistrationOrder)
{
    ImageLoaderMan registry;
    ASSERT_EQ(registry.LoaderCount(), 1u);
    registry.Add("tga\ntif", &FakeInfo, &FakeLoad);
    registry.Add("BMP\ntif", &OtherInfo, &OtherLoad);

    ImageLoader* bmp = registry.Find("wood.Bmp");
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->extensions, "bmp");
    EXPECT_EQ(bmp->getInfo, &BmpImageInfo);
    EXPECT_EQ(bmp->load, &BmpImageLoad);

    ImageLoader* tif = registry.Find("scan.TIF");
    ASSERT_NE(tif, nullptr);
    EXPECT_EQ(tif->getInfo, &FakeInfo);
    EXPECT_EQ(registry.Find("noext"), nullptr);
    EXPECT_EQ(registry.Find("x.png"), nullptr);
    EXPECT_EQ(registry.Find(nullptr), nullptr);

    // Loaders missing a function or a list are refused: never stored, never called.
    registry.Add("png", nullptr, &FakeLoad);
    registry.Add("png", &FakeInfo, nullptr);
    registry.Add(nullptr, &FakeInfo, &FakeLoad);
    EXPECT_EQ(registry.LoaderCount(), 3u);
    EXPECT_EQ(registry.Find("x.png"), nullptr);
}

TEST(ImageLoaders, LockIsFreeAfterFind)
{
    ImageLoaderMan registry;
    ASSERT_NE(registry.Find("a.bmp"), nullptr);
    ImageLoader* found = nullptr;
    std::thread other([&] {
        registry.Add("tga", &FakeInfo, &FakeLoad);
        found = registry.Find("b.tga");
    });
    other.join();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->getInfo, &FakeInfo);
}

TEST(ImageLoaders, ProcessRegistryRoutesByExtension)
{
    InitImageLoaderMan();
    ASSERT_NE(TheImageLoaderMan(), nullptr);
    RegisterImageLoader("qmfake", &FakeInfo, &FakeLoad);
    fakeInfoCalls = 0;
    fakeLoadCalls = 0;
    int32_t w = 0, h = 0, a = 0;
    EXPECT_TRUE(GetImageInfo("pic.QMFAKE", &w, &h, &a));
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 9);
    EXPECT_EQ(a, 1);
    uint8_t rgb[3] = {};
    EXPECT_TRUE(LoadImagePixels("pic.qmfake", rgb, nullptr));
    EXPECT_EQ(rgb[0], 42);
    EXPECT_EQ(fakeInfoCalls, 1);
    EXPECT_EQ(fakeLoadCalls, 1);

    w = h = -1;
    EXPECT_FALSE(GetImageInfo("pic.none", &w, &h, nullptr));
    EXPECT_FALSE(GetImageInfo("noext", &w, &h, nullptr));
    EXPECT_EQ(w, -1);
    EXPECT_FALSE(LoadImagePixels("pic.none", rgb, nullptr));
}

TEST(ImageLoaders, BmpLoaderDeliversTopFirstRgb)
{
    InitImageLoaderMan();
    TempDir dir;
    const std::string path = dir.File("quad.BMP");
    // File rows bottom-up: blue, green; then red, white on top.
    WriteFile(path, Encode(Rgb24(2, 2, {0xFF0000, 0xFFFFFF, 0x0000FF, 0x00FF00})));

    int32_t w = 0, h = 0, a = 7;
    ASSERT_TRUE(GetImageInfo(path.c_str(), &w, &h, &a));
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(a, 0);
    EXPECT_TRUE(GetImageInfo(path.c_str(), &w, &h, nullptr));

    uint8_t rgb[12] = {};
    uint8_t alpha[4] = {};
    ASSERT_TRUE(LoadImagePixels(path.c_str(), rgb, alpha));
    const uint8_t expected[12] = {255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(rgb[i], expected[i]) << i;
    for (uint8_t v : alpha) EXPECT_EQ(v, 255);

    EXPECT_FALSE(GetImageInfo(dir.File("missing.bmp").c_str(), &w, &h, nullptr));
    EXPECT_FALSE(LoadImagePixels(dir.File("missing.bmp").c_str(), rgb, nullptr));
}

TEST(ImageLoaders, BmpLoaderRefusesANamedPipeWithoutWaitingForAWriter)
{
    // A FIFO named like a picture: the size query and the pixel read each
    // refuse it at once and write nothing.
    TempDir dir;
    const std::string fifo = dir.File("pipe.bmp");
    ASSERT_TRUE(fifotest::MakeFifo(fifo));
    const char* name = fifo.c_str();
    int32_t w = -1, h = -1, a = -1;
    uint8_t rgb[3] = {0xCC, 0xCC, 0xCC};
    uint8_t alpha[1] = {0xCC};
    int32_t info = -1, load = -1;
    EXPECT_TRUE(fifotest::ReturnsWithoutAWriter(fifo, [&] {
        info = BmpImageInfo(name, &w, &h, &a);
    })) << "the size query waited for a writer";
    EXPECT_TRUE(fifotest::ReturnsWithoutAWriter(fifo, [&] {
        load = BmpImageLoad(name, rgb, alpha);
    })) << "the pixel read waited for a writer";
    EXPECT_EQ(info, 0);
    EXPECT_EQ(load, 0);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(a, -1);
    for (uint8_t v : rgb) EXPECT_EQ(v, 0xCC);
    EXPECT_EQ(alpha[0], 0xCC);
}

TEST(ImageLoaders, BmpLoaderRefusesASideBeyondTheBoundFromItsHeader)
{
    // Files that hold every pixel row they declare: one side a texel past
    // QM_IMAGE_MAX_SIDE is refused by the loader itself, the side at the
    // bound is read.
    TempDir dir;
    const std::pair<int32_t, int32_t> refused[] = {{32769, 1}, {1, 32769}};
    for (const auto& [width, height] : refused) {
        const std::string path = dir.File("over.bmp");
        WriteFile(path, Encode(Flat24(width, height, 0x102030)));
        int32_t w = -1, h = -1;
        EXPECT_EQ(BmpImageInfo(path.c_str(), &w, &h, nullptr), 0) << width << " x " << height;
        EXPECT_EQ(w, -1);
        EXPECT_EQ(h, -1);
        std::vector<uint8_t> rgb(32769 * 3, 0xCC);
        EXPECT_EQ(BmpImageLoad(path.c_str(), rgb.data(), nullptr), 0) << width << " x " << height;
        EXPECT_EQ(std::count(rgb.begin(), rgb.end(), 0xCC), 32769 * 3);
    }

    const std::pair<int32_t, int32_t> accepted[] = {{32768, 1}, {1, 32768}};
    for (const auto& [width, height] : accepted) {
        const std::string path = dir.File("edge.bmp");
        std::vector<uint32_t> colours(32768, 0x102030);
        colours.back() = 0xA0B0C0;
        WriteFile(path, Encode(Rgb24(width, height, colours)));
        int32_t w = 0, h = 0;
        ASSERT_EQ(BmpImageInfo(path.c_str(), &w, &h, nullptr), 1) << width << " x " << height;
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        std::vector<uint8_t> rgb(32768 * 3, 0);
        ASSERT_EQ(BmpImageLoad(path.c_str(), rgb.data(), nullptr), 1) << width << " x " << height;
        EXPECT_EQ(rgb[0], 0x10);
        EXPECT_EQ(rgb[32767 * 3], 0xA0);
        EXPECT_EQ(rgb[32767 * 3 + 2], 0xC0);
    }
}

TEST(ImageLoaders, BmpLoaderConverts16And48BitToEightBitRgb)
{
    TempDir dir;
    // 16 bits, x1r5g5b5: one row of two pixels (padded to 4 bytes).
    Bmp b16;
    b16.width = 2;
    b16.height = 1;
    b16.bitCount = 16;
    const uint16_t p0 = (31 << 10) | (16 << 5) | 1;  // red full, green half, blue low
    const uint16_t p1 = (0 << 10) | (31 << 5) | 31;
    b16.pixels = {static_cast<uint8_t>(p0), static_cast<uint8_t>(p0 >> 8), static_cast<uint8_t>(p1),
                  static_cast<uint8_t>(p1 >> 8)};
    const std::string path16 = dir.File("a16.bmp");
    WriteFile(path16, Encode(b16));
    uint8_t rgb[6] = {};
    ASSERT_EQ(BmpImageLoad(path16.c_str(), rgb, nullptr), 1);
    const uint8_t e16[6] = {255, 132, 8, 0, 255, 255};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(rgb[i], e16[i]) << i;

    // 48 bits: blue, green, red as 16-bit words; the high byte is kept.
    Bmp b48;
    b48.width = 1;
    b48.height = 2;
    b48.bitCount = 48;
    b48.pixels = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0, 0,   // bottom row, padded to 8
                  0xFF, 0x01, 0x00, 0x80, 0x34, 0xFE, 0, 0};  // top row
    const std::string path48 = dir.File("a48.bmp");
    WriteFile(path48, Encode(b48));
    int32_t w = 0, h = 0;
    ASSERT_EQ(BmpImageInfo(path48.c_str(), &w, &h, nullptr), 1);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 2);
    ASSERT_EQ(BmpImageLoad(path48.c_str(), rgb, nullptr), 1);
    const uint8_t e48[6] = {0xFE, 0x80, 0x01, 0x66, 0x44, 0x22};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(rgb[i], e48[i]) << i;
}

TEST(ImageLoaders, BmpLoaderRefusesAPictureThatChangedSizeSinceItsInfo)
{
    TempDir dir;
    const std::string path = dir.File("grow.bmp");
    WriteFile(path, Encode(Flat24(2, 2, 0x102030)));
    int32_t w = 0, h = 0;
    ASSERT_EQ(BmpImageInfo(path.c_str(), &w, &h, nullptr), 1);
    WriteFile(path, Encode(Flat24(3, 3, 0x102030)));
    std::vector<uint8_t> rgb(2 * 2 * 3, 0xCC);
    EXPECT_EQ(BmpImageLoad(path.c_str(), rgb.data(), nullptr), 0);
    for (uint8_t v : rgb) EXPECT_EQ(v, 0xCC);

    ASSERT_EQ(BmpImageInfo(path.c_str(), &w, &h, nullptr), 1);
    rgb.assign(3 * 3 * 3, 0);
    EXPECT_EQ(BmpImageLoad(path.c_str(), rgb.data(), nullptr), 1);
    EXPECT_EQ(rgb[0], 0x10);
}

TEST(ImageLoaders, ExitLeavesNoLoaderAndStartUpRebuildsTheRegistry)
{
    InitImageLoaderMan();
    TempDir dir;
    const std::string path = dir.File("one.bmp");
    WriteFile(path, Encode(Flat24(1, 1, 0)));
    int32_t w = 0, h = 0;
    ASSERT_TRUE(GetImageInfo(path.c_str(), &w, &h, nullptr));

    ExitImageLoaderMan();
    EXPECT_EQ(TheImageLoaderMan(), nullptr);
    EXPECT_FALSE(GetImageInfo(path.c_str(), &w, &h, nullptr));
    RegisterImageLoader("qmlate", &FakeInfo, &FakeLoad);  // no registry: ignored

    InitImageLoaderMan();
    ASSERT_NE(TheImageLoaderMan(), nullptr);
    EXPECT_EQ(TheImageLoaderMan()->LoaderCount(), 1u);
    EXPECT_TRUE(GetImageInfo(path.c_str(), &w, &h, nullptr));
}
