#include "image/image_loader.h"

#include <algorithm>
#include <new>

#include "common/text_case.h"
#include "image/bmp_loader.h"
#include "plugin/plugin_call.h"

ImageLoaderMan::ImageLoaderMan()
{
    CriticalSection::Guard guard(lock_);
    loaders_.push_back(std::make_unique<ImageLoader>("bmp", &BmpImageInfo, &BmpImageLoad));
}

void ImageLoaderMan::Add(const char* extensionList, ImageInfoFunc getInfo, ImageLoadFunc load)
{
    if (!extensionList || !getInfo || !load) return;
    auto loader = std::make_unique<ImageLoader>(extensionList, getInfo, load);
    CriticalSection::Guard guard(lock_);
    loaders_.push_back(std::move(loader));
}

ImageLoader* ImageLoaderMan::Find(const char* fileName)
{
    if (!fileName) return nullptr;
    CriticalSection::Guard guard(lock_);
    for (const auto& loader : loaders_)
        if (MatchExtension(loader->extensions.c_str(), fileName)) return loader.get();
    return nullptr;
}

size_t ImageLoaderMan::LoaderCount()
{
    CriticalSection::Guard guard(lock_);
    return loaders_.size();
}

// ---- the process's registry --------------------------------------------------

namespace {

// Static storage: the exit entry destroys the registry without freeing it.
alignas(ImageLoaderMan) unsigned char registryStorage[sizeof(ImageLoaderMan)];
ImageLoaderMan* registry = nullptr;

}  // namespace

void InitImageLoaderMan()
{
    if (registry) return;
    registry = new (registryStorage) ImageLoaderMan();
    // Image plug-ins join here, after the built-in "bmp" loader and before
    // any image is read.
    LoadImagePlugins();
}

void ExitImageLoaderMan()
{
    if (!registry) return;
    ImageLoaderMan* gone = registry;
    registry = nullptr;
    gone->~ImageLoaderMan();
}

ImageLoaderMan* TheImageLoaderMan()
{
    return registry;
}

void RegisterImageLoader(const char* extensionList, ImageInfoFunc getInfo, ImageLoadFunc load)
{
    if (registry) registry->Add(extensionList, getInfo, load);
}

bool GetImageInfo(const char* fileName, int32_t* width, int32_t* height, int32_t* hasAlpha)
{
    ImageLoader* loader = registry ? registry->Find(fileName) : nullptr;
    if (!loader) return false;
    // A loader that throws has read nothing, as one that returns 0.
    return CallPluginOr(false,
                        [&] { return loader->getInfo(fileName, width, height, hasAlpha) != 0; });
}

bool LoadImagePixels(const char* fileName, uint8_t* rgb, uint8_t* alpha)
{
    ImageLoader* loader = registry ? registry->Find(fileName) : nullptr;
    if (!loader) return false;
    return CallPluginOr(false, [&] { return loader->load(fileName, rgb, alpha) != 0; });
}

// ---- extensions ----------------------------------------------------------------

std::string FileExtension(const char* fileName)
{
    if (!fileName) return "";
    // Names are bytes in UTF-8 or a single-byte code page: a '.' byte is never
    // part of a multi-byte character, so every '.' byte is a dot.
    const char* lastDot = nullptr;
    for (const char* p = fileName; *p; ++p)
        if (*p == '.') lastDot = p;
    return lastDot ? std::string(lastDot + 1) : std::string();
}

std::string Substring(const std::string& text, int32_t first, int32_t last)
{
    if (last < first || first < 0 || static_cast<size_t>(first) >= text.size()) return "";
    const size_t end = std::min(text.size(), static_cast<size_t>(last) + 1);
    return text.substr(static_cast<size_t>(first), end - static_cast<size_t>(first));
}

bool MatchExtension(const char* extensionList, const char* fileName)
{
    const std::string extension = FileExtension(fileName);
    if (extension.empty() || !extensionList) return false;
    const std::string list(extensionList);
    int32_t first = 0;
    const int32_t length = static_cast<int32_t>(list.size());
    for (int32_t i = 0; i <= length; ++i) {
        if (i < length && list[static_cast<size_t>(i)] != '\n') continue;
        const std::string entry = Substring(list, first, i - 1);
        if (!entry.empty() && EqualNoCase(entry, extension)) return true;
        first = i + 1;
    }
    return false;
}
