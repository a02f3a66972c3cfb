#include "shader_key.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

std::string MakeShaderKey(const char* name)
{
    try {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(name, error);
        if (!error && !absolute.empty()) {
            return absolute.lexically_normal().string();
        }
    } catch (...) {
        // Fall back on the name itself.
    }
    return name;
}

constexpr size_t kCacheBytes = 4096;

// Plain arrays: a thread-local with a destructor would pin the library in
// memory for as long as the thread lives. Zero-initialised: not valid.
struct KeyCache {
    bool valid;
    char name[kCacheBytes];
    char directory[kCacheBytes];  // for a relative name, the directory it was resolved in
    char key[kCacheBytes];
    size_t keyLength;
};

thread_local KeyCache cache;
thread_local char currentDirectory[kCacheBytes];

}  // namespace

std::string_view CachedShaderKey(const char* name, std::string& scratch)
{
    const size_t nameLength = std::strlen(name);
    const bool relative = name[0] != '/';
    bool cacheable = nameLength < kCacheBytes;
    if (relative && cacheable) {
        cacheable = getcwd(currentDirectory, sizeof currentDirectory) != nullptr;
    }
    if (cacheable && cache.valid && std::strcmp(cache.name, name) == 0 &&
        (!relative || std::strcmp(cache.directory, currentDirectory) == 0)) {
        return std::string_view(cache.key, cache.keyLength);
    }
    scratch = MakeShaderKey(name);
    if (!cacheable || scratch.size() >= kCacheBytes) {
        cache.valid = false;
        return scratch;
    }
    std::memcpy(cache.name, name, nameLength + 1);
    if (relative) {
        std::memcpy(cache.directory, currentDirectory, std::strlen(currentDirectory) + 1);
    }
    std::memcpy(cache.key, scratch.c_str(), scratch.size() + 1);
    cache.keyLength = scratch.size();
    cache.valid = true;
    return std::string_view(cache.key, cache.keyLength);
}
