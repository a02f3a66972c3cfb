#pragma once
// The image cache: one Image per file name (compared case-insensitively),
// shared through reference counts, reloaded when its file's modification time
// changes. Callers of Load and Release hold `lock`; the loader registry's own
// lock is only ever taken inside it.

#include <memory>
#include <vector>

#include "common/critical_section.h"
#include "image/image.h"

class ImageMan {
public:
    ImageMan() = default;
    virtual ~ImageMan();
    ImageMan(const ImageMan&) = delete;
    ImageMan& operator=(const ImageMan&) = delete;

    // One reference to the image of that name, loaded when not cached; null
    // for a null name or an image that cannot be loaded. Caller holds `lock`.
    Image* Load(const char* fileName);
    // Gives back one reference; the last one destroys the image. Caller holds
    // `lock`.
    void Release(const char* fileName);

    // The cached image of that name, or null (no reference taken).
    Image* Find(const char* fileName) const;
    size_t ImageCount() const { return images_.size(); }

    CriticalSection lock;

private:
    std::vector<std::unique_ptr<Image>> images_;
};

// The cache's log hook: the messages are produced and shown nowhere.
void DebugLog(const char* format, const char* text);
