#include "image/image_man.h"

#include <sys/stat.h>

#include "common/text_case.h"

void DebugLog(const char* format, const char* text)
{
    (void)format;
    (void)text;
}

namespace {

// True when the image's file can be stat'ed and has changed since its load.
bool NeedsReload(const Image& image)
{
    if (image.name.empty()) return false;
    struct stat st {};
    if (::stat(image.name.c_str(), &st) != 0) return false;
    return static_cast<int32_t>(st.st_mtime) != image.fileTime;
}

void ReloadIfChanged(Image& image)
{
    if (!NeedsReload(image)) return;
    const std::string ownName = image.name;  // Load rewrites name on success
    image.Load(ownName.c_str());
}

}  // namespace

ImageMan::~ImageMan()
{
    for (const auto& image : images_) DebugLog("ImageMan: cleanup %s", image->name.c_str());
    images_.clear();
}

Image* ImageMan::Find(const char* fileName) const
{
    if (!fileName) return nullptr;
    for (const auto& image : images_)
        if (EqualNoCase(image->name, fileName)) return image.get();
    return nullptr;
}

Image* ImageMan::Load(const char* fileName)
{
    if (!fileName) return nullptr;
    if (Image* cached = Find(fileName)) {
        ReloadIfChanged(*cached);
        ++cached->refCount;
        return cached;
    }
    auto image = std::make_unique<Image>();
    if (!image->Load(fileName)) return nullptr;
    DebugLog("ImageMan: image loaded %s", fileName);
    image->refCount = 1;
    images_.push_back(std::move(image));
    return images_.back().get();
}

void ImageMan::Release(const char* fileName)
{
    if (!fileName) return;
    for (auto it = images_.begin(); it != images_.end(); ++it) {
        Image& image = **it;
        if (!EqualNoCase(image.name, fileName)) continue;
        if (--image.refCount != 0) {
            ReloadIfChanged(image);
        } else {
            DebugLog("ImageMan: image freed %s", image.name.c_str());
            images_.erase(it);
        }
        return;
    }
}
