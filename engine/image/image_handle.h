#pragma once
// An image node's counted reference to a cached image. Set and Release take
// the process cache's lock around the cache calls.

#include "image/image.h"

class ImageMan;

class ImageHandle {
public:
    ImageHandle() = default;
    virtual ~ImageHandle();
    ImageHandle(const ImageHandle&) = delete;
    ImageHandle& operator=(const ImageHandle&) = delete;

    // Refers to the image of that name: kept when the name matches the held
    // image case-insensitively, otherwise released and looked up anew.
    void Set(const char* fileName);
    void Release();

    Image* image = nullptr;
};

// The process's image cache that handles use. The engine globals own it and
// install it here at start-up (null before: handles then hold no image).
ImageMan* ProcessImageMan();
void SetProcessImageMan(ImageMan* cache);
