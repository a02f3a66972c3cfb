#pragma once
// One cached texture: its pixels as a mip chain (level 0, then successively
// halved levels stored one after another), its file name and its count of
// references handed out by the image cache.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class Image {
public:
    Image() = default;
    virtual ~Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // (Re)loads the image from the file and builds its mip chain. On failure
    // the image keeps what it held before (size, flag, pixels and time), so a
    // failed reload leaves the previous picture in place.
    bool Load(const char* fileName);

    // The filtered lookup: picks a mip level from the footprint, takes four
    // bilinear taps and combines them (mode 0 "normal", 1 "sharp"). Writes
    // nothing for an unnamed image or another mode. No allocation, no lock.
    void Sample(double s, double t, double du, double dv, double blur, int mode, double* colour,
                double* alphaOut) const;

    // The unfiltered lookup: one bilinear tap on level 0, the same tap Sample
    // takes. Writes nothing for an unnamed image.
    void SampleLevel0(double s, double t, double* colour, double* alphaOut) const;

    // Whether the cache takes an image of this size from a loader: both sides
    // positive, neither above QM_IMAGE_MAX_SIDE (32768) and at most
    // QM_IMAGE_MAX_TEXELS (2^28) texels, so the colour chain stays within
    // 1 GiB. A loader may report anything; a size outside is refused before
    // any buffer is allocated.
    static bool SizeAccepted(int32_t width, int32_t height);

    // Buffer sizes, in bytes, of the two chains for a level-0 texel count.
    static size_t RgbChainBytes(size_t texels) { return texels * 4; }
    static size_t AlphaChainBytes(size_t texels)
    {
        return texels % 3 == 0 ? texels * 4 / 3 : texels / 3 * 4 + 4;
    }

    int32_t fileTime = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint8_t hasAlpha = 0;
    std::unique_ptr<uint8_t[]> rgb;
    std::unique_ptr<uint8_t[]> alpha;  // null when hasAlpha is 0
    std::string name;
    int32_t refCount = 0;
};

// Builds every level after level 0 in both chains (alpha may be null).
void BuildMipChain(int32_t width, int32_t height, uint8_t* rgb, uint8_t* alpha);
