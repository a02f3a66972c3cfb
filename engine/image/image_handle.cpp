#include "image/image_handle.h"

#include <atomic>

#include "common/text_case.h"
#include "image/image_man.h"

namespace {
std::atomic<ImageMan*> processImageMan{nullptr};
}

ImageMan* ProcessImageMan()
{
    return processImageMan.load();
}
void SetProcessImageMan(ImageMan* cache)
{
    processImageMan.store(cache);
}

ImageHandle::~ImageHandle()
{
    Release();
}

void ImageHandle::Release()
{
    if (!image) return;
    if (ImageMan* cache = ProcessImageMan()) {
        CriticalSection::Guard guard(cache->lock);
        cache->Release(image->name.c_str());
    }
    image = nullptr;
}

void ImageHandle::Set(const char* fileName)
{
    if (image && fileName && EqualNoCase(image->name, fileName)) return;
    if (image) Release();
    ImageMan* cache = ProcessImageMan();
    if (!cache) return;
    CriticalSection::Guard guard(cache->lock);
    image = cache->Load(fileName);
}
