// libFuzzer target: dib24::LoadBMP over arbitrary bytes. A load that succeeds
// must describe a bitmap whose pixel rows lie inside its own memory.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "image/dib24.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file) return 0;
    dib24 picture(2, 2, 24);
    if (picture.LoadBMP(file) == 1) {
        if (!picture.bits || picture.width <= 0 || picture.height <= 0 ||
            static_cast<size_t>(picture.rowBytes) * static_cast<size_t>(picture.height) > size)
            std::abort();
        // Touch the first and last pixel bytes so that the sanitizer sees any
        // short buffer.
        volatile uint8_t sink = picture.bits[0];
        sink =
            picture
                .bits[static_cast<size_t>(picture.rowBytes) * static_cast<size_t>(picture.height) -
                      1];
        (void)sink;
    }
    fclose(file);
    return 0;
}
