#pragma once
// The registry of image loaders. Each loader claims a list of file extensions
// and offers a size/alpha query and a pixel reader; the image cache reaches
// them through GetImageInfo and LoadImagePixels, which pick the loader by the
// file name's extension. The built-in "bmp" loader is always first.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/critical_section.h"

// The two function types of an image plug-in, stored as they are.
using ImageInfoFunc = int32_t (*)(const char* fileName, int32_t* width, int32_t* height,
                                  int32_t* hasAlpha);
using ImageLoadFunc = int32_t (*)(const char* fileName, uint8_t* rgb, uint8_t* alpha);

class ImageLoader {
public:
    ImageLoader(std::string extensionList, ImageInfoFunc info, ImageLoadFunc loadPixels)
        : extensions(std::move(extensionList)), getInfo(info), load(loadPixels)
    {
    }
    virtual ~ImageLoader() = default;

    std::string extensions;  // without dots, separated by "\n"
    ImageInfoFunc getInfo;
    ImageLoadFunc load;
};

class ImageLoaderMan {
public:
    // Starts with the built-in "bmp" loader. Plug-in loaders are added by the
    // start-up entry, InitImageLoaderMan, so a registry made here (tests) holds
    // the built-in loader only.
    ImageLoaderMan();
    virtual ~ImageLoaderMan() = default;
    ImageLoaderMan(const ImageLoaderMan&) = delete;
    ImageLoaderMan& operator=(const ImageLoaderMan&) = delete;

    // Appends a loader. A null extension list or a null function is refused:
    // such a loader is never stored, so its functions are never called.
    void Add(const char* extensionList, ImageInfoFunc getInfo, ImageLoadFunc load);

    // The first loader whose list holds the file name's extension, or null.
    // The loader stays owned by the registry and valid until it is destroyed.
    ImageLoader* Find(const char* fileName);

    size_t LoaderCount();

private:
    std::vector<std::unique_ptr<ImageLoader>> loaders_;
    CriticalSection lock_;
};

// Start-up and exit entries of the process's one registry. The exit entry
// destroys it in place; afterwards lookups find no loader.
void InitImageLoaderMan();
void ExitImageLoaderMan();

// The process's registry, or null before start-up / after exit.
ImageLoaderMan* TheImageLoaderMan();

// The image plug-ins' scan of the plug-in home (ending in a separator) into
// loaders; without arguments, of GetHomeDir() into the process's registry.
void LoadImagePlugins(const std::string& home, ImageLoaderMan& loaders);
void LoadImagePlugins();

void RegisterImageLoader(const char* extensionList, ImageInfoFunc getInfo, ImageLoadFunc load);
bool GetImageInfo(const char* fileName, int32_t* width, int32_t* height, int32_t* hasAlpha);
bool LoadImagePixels(const char* fileName, uint8_t* rgb, uint8_t* alpha);

std::string FileExtension(const char* fileName);
bool MatchExtension(const char* extensionList, const char* fileName);
std::string Substring(const std::string& text, int32_t first, int32_t last);
