#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "image/image.h"
#include "image/image_handle.h"
#include "image/image_loader.h"
#include "image/image_man.h"
#include "image_test_files.h"

using namespace imagetest;

namespace {

// Texel offsets of the mip levels of a w x h chain, level 0 first.
std::vector<size_t> LevelOffsets(int32_t w, int32_t h, std::vector<std::pair<int, int>>* sizes)
{
    std::vector<size_t> offsets{0};
    sizes->push_back({w, h});
    size_t offset = 0;
    while (w / 2 > 0 && h / 2 > 0) {
        offset += static_cast<size_t>(w) * static_cast<size_t>(h);
        w /= 2;
        h /= 2;
        offsets.push_back(offset);
        sizes->push_back({w, h});
        if (w < 2 || h < 2) break;
    }
    return offsets;
}

// A 5 x 5 picture with an alpha plane, served by a loader of its own.
int32_t AlphaInfo(const char*, int32_t* w, int32_t* h, int32_t* a)
{
    *w = 5;
    *h = 5;
    if (a) *a = 1;
    return 1;
}
int32_t AlphaLoad(const char*, uint8_t* rgb, uint8_t* alpha)
{
    for (int k = 0; k < 25; ++k) rgb[k * 3] = rgb[k * 3 + 1] = rgb[k * 3 + 2] = 0;
    rgb[2 * 3] = 200;  // red of texel (2, 0)
    for (int k = 0; k < 25; ++k) alpha[k] = 0;
    alpha[2] = 200;
    return 1;
}

// A loader whose size is set by the test; counts the pixel reads it is asked for.
int32_t reportedWidth = 0;
int32_t reportedHeight = 0;
int pixelReads = 0;
int32_t SizedInfo(const char*, int32_t* w, int32_t* h, int32_t* a)
{
    *w = reportedWidth;
    *h = reportedHeight;
    if (a) *a = 1;
    return 1;
}
int32_t SizedLoad(const char*, uint8_t*, uint8_t*)
{
    ++pixelReads;
    return 1;
}

class ImageCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitImageLoaderMan();
        SetProcessImageMan(&cache);
    }
    void TearDown() override { SetProcessImageMan(nullptr); }

    Image* Take(const std::string& name)
    {
        CriticalSection::Guard guard(cache.lock);
        return cache.Load(name.c_str());
    }
    void Give(const std::string& name)
    {
        CriticalSection::Guard guard(cache.lock);
        cache.Release(name.c_str());
    }

    TempDir dir;
    ImageMan cache;
};

}  // namespace

TEST(ImageMip, ChainBufferSizes)
{
    EXPECT_EQ(Image::RgbChainBytes(15), 60u);
    EXPECT_EQ(Image::AlphaChainBytes(15), 20u);
    EXPECT_EQ(Image::AlphaChainBytes(16), 24u);
    EXPECT_EQ(Image::AlphaChainBytes(1), 4u);
}

TEST(ImageMip, ThreeByTwoIsTheTruncatedMeanOfAllSix)
{
    uint8_t rgb[6 * 4] = {};
    const uint8_t reds[6] = {0, 30, 60, 90, 120, 150};
    const uint8_t greens[6] = {128, 128, 128, 128, 127, 128};  // mean 127.83
    for (int k = 0; k < 6; ++k) {
        rgb[k * 3] = reds[k];
        rgb[k * 3 + 1] = greens[k];
        rgb[k * 3 + 2] = 255;
    }
    BuildMipChain(3, 2, rgb, nullptr);
    EXPECT_EQ(rgb[18], 75);
    EXPECT_EQ(rgb[19], 127);
    EXPECT_EQ(rgb[20], 255);
    EXPECT_EQ(rgb[21], 0);  // nothing after the 1 x 1 level
}

TEST(ImageMip, FiveByThreeHasTwoLevelsAndOddWeights)
{
    uint8_t rgb[15 * 4] = {};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) rgb[(y * 5 + x) * 3] = static_cast<uint8_t>(x == 2 ? 150 : 0);
    BuildMipChain(5, 3, rgb, nullptr);
    // Level 1 is 2 x 1 at texel 15. Column 2 weighs 0.5 in both texels, each
    // row weighs 1 (h = 3, d = 1): 3 x 150 x 0.5 / (2.5 x 3) = 30.
    EXPECT_EQ(rgb[15 * 3], 30);
    EXPECT_EQ(rgb[16 * 3], 30);
    for (size_t i = 17 * 3; i < sizeof rgb; ++i) EXPECT_EQ(rgb[i], 0) << i;
}

TEST(ImageMip, OneTexelWideOrHighHasOnlyLevelZero)
{
    for (auto [w, h] : {std::pair{1, 1}, std::pair{1, 8}, std::pair{9, 1}}) {
        std::vector<uint8_t> rgb(static_cast<size_t>(w * h * 4), 0);
        for (int k = 0; k < w * h * 3; ++k) rgb[static_cast<size_t>(k)] = 99;
        BuildMipChain(w, h, rgb.data(), nullptr);
        for (size_t i = static_cast<size_t>(w * h * 3); i < rgb.size(); ++i) EXPECT_EQ(rgb[i], 0);
    }
}

TEST_F(ImageCacheTest, TwoFiftySixSquareHasNineLevelsOfPlainMeans)
{
    std::vector<uint32_t> colours(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            colours[static_cast<size_t>(y * 256 + x)] = static_cast<uint32_t>(x) << 16;
    const std::string path = dir.File("ramp.bmp");
    WriteFile(path, Encode(Rgb24(256, 256, colours)));
    Image* image = Take(path);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 256);
    EXPECT_EQ(image->hasAlpha, 0);
    EXPECT_EQ(image->alpha, nullptr);

    std::vector<std::pair<int, int>> sizes;
    const std::vector<size_t> offsets = LevelOffsets(256, 256, &sizes);
    ASSERT_EQ(offsets.size(), 9u);
    EXPECT_EQ(sizes.back(), (std::pair{1, 1}));
    // Red = x on level 0; level k texel i holds the truncated mean
    // 2^k i + 2^(k-1) - 1 (level 1: 2i).
    for (size_t k = 1; k < offsets.size(); ++k) {
        const int step = 1 << k;
        for (int i = 0; i < sizes[k].first; i += 3) {
            const size_t texel = offsets[k] + static_cast<size_t>(i);
            EXPECT_EQ(image->rgb[texel * 3], step * i + step / 2 - 1) << k << " " << i;
        }
    }
    Give(path);
}

TEST_F(ImageCacheTest, AlphaChainUsesTheColourWeights)
{
    RegisterImageLoader("qmalpha", &AlphaInfo, &AlphaLoad);
    Image* image = Take("five.qmalpha");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->hasAlpha, 1);
    ASSERT_NE(image->alpha, nullptr);
    EXPECT_EQ(image->fileTime, 0);  // no file to stat
    // Level 1 (2 x 2) starts at texel 25; norm 6.25. Texel (2, 0) weighs
    // 0.5 x 1 in both level-1 texels of the top row.
    EXPECT_EQ(image->rgb[25 * 3], 16);
    EXPECT_EQ(image->rgb[26 * 3], 16);
    EXPECT_EQ(image->rgb[27 * 3], 0);
    EXPECT_EQ(image->alpha[25], 16);
    EXPECT_EQ(image->alpha[26], 16);
    EXPECT_EQ(image->alpha[27], 0);
    // Level 2 (1 x 1) at texel 29: the plain mean of 16, 16, 0, 0.
    EXPECT_EQ(image->alpha[29], 8);
    Give("five.qmalpha");
}

TEST_F(ImageCacheTest, NamesDifferingInCaseShareOneImage)
{
    const std::string path = dir.File("Wood.bmp");
    WriteFile(path, Encode(Flat24(4, 4, 0x808080)));
    ImageHandle first, second;
    first.Set(path.c_str());
    second.Set(dir.File("wood.BMP").c_str());
    ASSERT_NE(first.image, nullptr);
    EXPECT_EQ(first.image, second.image);
    EXPECT_EQ(first.image->refCount, 2);
    EXPECT_EQ(first.image->name, path);
    EXPECT_EQ(cache.ImageCount(), 1u);

    second.Release();
    EXPECT_EQ(second.image, nullptr);
    EXPECT_EQ(first.image->refCount, 1);
    first.Release();
    EXPECT_EQ(cache.ImageCount(), 0u);
    first.Release();  // nothing held: nothing happens
}

TEST_F(ImageCacheTest, CaseOnlyChangeKeepsTheImageWithoutReloading)
{
    const std::string path = dir.File("tex.bmp");
    WriteFile(path, Encode(Flat24(4, 4, 0x101010)));
    SetModificationTime(path, 1000000);
    ImageHandle handle;
    handle.Set(path.c_str());
    ASSERT_NE(handle.image, nullptr);
    Image* held = handle.image;
    EXPECT_EQ(held->fileTime, 1000000);

    WriteFile(path, Encode(Flat24(8, 8, 0x202020)));
    SetModificationTime(path, 2000000);
    handle.Set(dir.File("TEX.BMP").c_str());
    EXPECT_EQ(handle.image, held);
    EXPECT_EQ(held->width, 4);
    EXPECT_EQ(held->refCount, 1);

    // Another name releases the held image and takes the new one.
    const std::string other = dir.File("other.bmp");
    WriteFile(other, Encode(Flat24(2, 2, 0)));
    handle.Set(other.c_str());
    ASSERT_NE(handle.image, nullptr);
    EXPECT_EQ(handle.image->name, other);
    EXPECT_EQ(cache.ImageCount(), 1u);
    handle.Set(dir.File("missing.bmp").c_str());
    EXPECT_EQ(handle.image, nullptr);
    EXPECT_EQ(cache.ImageCount(), 0u);
}

TEST_F(ImageCacheTest, ChangedFileReloadsOnLoadAndOnRelease)
{
    const std::string path = dir.File("change.bmp");
    WriteFile(path, Encode(Flat24(4, 4, 0x010101)));
    SetModificationTime(path, 1000);
    Image* image = Take(path);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->fileTime, 1000);

    WriteFile(path, Encode(Flat24(2, 2, 0x030303)));
    SetModificationTime(path, 2000);
    EXPECT_EQ(Take(path), image);  // second reference, reloaded
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->rgb[0], 3);
    EXPECT_EQ(image->fileTime, 2000);
    EXPECT_EQ(image->refCount, 2);
    Take(path);  // unchanged: no reload, one more reference
    EXPECT_EQ(image->refCount, 3);

    WriteFile(path, Encode(Flat24(8, 2, 0x050505)));
    SetModificationTime(path, 3000);
    Give(path);  // one of several references: reload
    EXPECT_EQ(image->refCount, 2);
    EXPECT_EQ(image->width, 8);
    EXPECT_EQ(image->fileTime, 3000);
    Give(path);
    Give(path);  // the last one destroys it
    EXPECT_EQ(cache.ImageCount(), 0u);
    Give(path);  // unknown name: nothing
    Give(std::string());
}

TEST_F(ImageCacheTest, FailedReloadKeepsTheOldPixels)
{
    const std::string path = dir.File("break.bmp");
    WriteFile(path, Encode(Flat24(4, 2, 0x0A0B0C)));
    SetModificationTime(path, 500);
    Image* image = Take(path);
    ASSERT_NE(image, nullptr);
    const uint8_t* pixels = image->rgb.get();

    WriteFile(path, {'B', 'M', 0, 0});
    SetModificationTime(path, 600);
    EXPECT_EQ(Take(path), image);
    EXPECT_EQ(image->refCount, 2);
    EXPECT_EQ(image->width, 4);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->rgb.get(), pixels);
    EXPECT_EQ(image->rgb[0], 0x0A);
    EXPECT_EQ(image->fileTime, 500);  // still out of date: the next test retries

    // A file that grows but whose pixels are cut short is refused too.
    std::vector<uint8_t> cut = Encode(Flat24(16, 16, 0xFFFFFF));
    cut.erase(cut.end() - 5, cut.end());
    WriteFile(path, cut);
    SetModificationTime(path, 700);
    Give(path);
    EXPECT_EQ(image->width, 4);
    EXPECT_EQ(image->rgb.get(), pixels);

    WriteFile(path, Encode(Flat24(3, 3, 0x111111)));
    SetModificationTime(path, 800);
    Take(path);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->fileTime, 800);
}

TEST_F(ImageCacheTest, UnloadableNamesLeaveNothingCached)
{
    EXPECT_EQ(Take(dir.File("missing.bmp")), nullptr);
    const std::string junk = dir.File("junk.bmp");
    WriteFile(junk, {'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'});
    EXPECT_EQ(Take(junk), nullptr);
    EXPECT_EQ(Take(dir.File("picture.xyz")), nullptr);
    {
        CriticalSection::Guard guard(cache.lock);
        EXPECT_EQ(cache.Load(nullptr), nullptr);
        cache.Release(nullptr);
    }
    EXPECT_EQ(cache.ImageCount(), 0u);
}

TEST_F(ImageCacheTest, SizesBeyondTheBoundAreRefusedBeforeAnyBuffer)
{
    RegisterImageLoader("qmsized", &SizedInfo, &SizedLoad);
    // 60000 x 60000 would be a 14 GB colour chain: refused without a pixel
    // read (which only follows the allocation), and nothing is cached.
    const std::pair<int32_t, int32_t> refused[] = {
        {60000, 60000}, {32769, 1}, {1, 32769}, {16385, 16384}, {32768, 8193}, {0, 5}, {5, -1}};
    for (const auto& [w, h] : refused) {
        reportedWidth = w;
        reportedHeight = h;
        pixelReads = 0;
        EXPECT_EQ(Take("big.qmsized"), nullptr) << w << " x " << h;
        EXPECT_EQ(pixelReads, 0) << w << " x " << h;
    }
    EXPECT_EQ(cache.ImageCount(), 0u);

    // Sizes on the bound's edge are read.
    const std::pair<int32_t, int32_t> accepted[] = {{32768, 1}, {1, 32768}, {4096, 2}};
    for (const auto& [w, h] : accepted) {
        reportedWidth = w;
        reportedHeight = h;
        pixelReads = 0;
        const std::string name = "edge" + std::to_string(w) + ".qmsized";
        Image* image = Take(name);
        ASSERT_NE(image, nullptr) << w << " x " << h;
        EXPECT_EQ(image->width, w);
        EXPECT_EQ(pixelReads, 1);
        Give(name);
    }
    EXPECT_TRUE(Image::SizeAccepted(16384, 16384));
    EXPECT_TRUE(Image::SizeAccepted(32768, 8192));
    EXPECT_FALSE(Image::SizeAccepted(INT32_MAX, INT32_MAX));
}

TEST_F(ImageCacheTest, DestroyingTheCacheFreesImagesWhateverTheirCount)
{
    auto local = std::make_unique<ImageMan>();
    const std::string path = dir.File("kept.bmp");
    WriteFile(path, Encode(Flat24(2, 2, 0)));
    {
        CriticalSection::Guard guard(local->lock);
        ASSERT_NE(local->Load(path.c_str()), nullptr);
        ASSERT_NE(local->Load(path.c_str()), nullptr);
    }
    EXPECT_EQ(local->ImageCount(), 1u);
    local.reset();  // the sanitizer build checks that nothing leaks or dangles
}

TEST_F(ImageCacheTest, TwoThreadsLoadAndReleaseAtOnce)
{
    const std::string a = dir.File("a.bmp");
    const std::string b = dir.File("b.bmp");
    WriteFile(a, Encode(Flat24(8, 8, 0x112233)));
    WriteFile(b, Encode(Flat24(6, 3, 0x445566)));
    const std::string upperA = dir.File("A.BMP");

    auto worker = [&](int seed) {
        ImageHandle shared, own;
        for (int round = 0; round < 300; ++round) {
            shared.Set(((round + seed) % 2) ? a.c_str() : upperA.c_str());
            own.Set((round + seed) % 3 == 0 ? b.c_str() : a.c_str());
            if (shared.image) {
                EXPECT_EQ(shared.image->rgb[0], 0x11);
            }
            if (round % 5 == seed) {
                own.Release();
                shared.Release();
            }
        }
    };
    std::thread t1(worker, 0), t2(worker, 1);
    t1.join();
    t2.join();
    EXPECT_EQ(cache.ImageCount(), 0u);
}
