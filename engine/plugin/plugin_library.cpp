#include "plugin/plugin_library.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "plugin/qm_plugin.h"

namespace {

// The regular files named *.so in dir, in byte order of their names.
std::vector<std::string> LibraryNames(const std::string& dir)
{
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(dir, ec);
    if (ec) {
        return names;
    }
    for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            break;
        }
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) {
            continue;
        }
        const std::string name = it->path().filename().string();
        if (name.size() >= 3 && name.compare(name.size() - 3, 3, ".so") == 0) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string WithSeparator(std::string dir)
{
    if (dir.empty() || (dir.back() != '/' && dir.back() != '\\')) {
        dir += '/';
    }
    return dir;
}

}  // namespace

void ScanPluginLibraries(const std::string& dir, const char* className,
                         const std::function<void(PluginActivate)>& onEntry)
{
    for (const std::string& name : LibraryNames(dir)) {
        const std::string path = dir + name;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        const bool loadedHere = handle == nullptr;
        if (loadedHere) {
            handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        }
        if (handle == nullptr) {
            continue;
        }
        const auto* table = static_cast<const PluginEntry*>(dlsym(handle, "_n_activate_table"));
        if (table == nullptr) {
            // Unloads it when loaded here; otherwise gives back only the
            // reference the look-up took.
            dlclose(handle);
            continue;
        }
        for (const PluginEntry* entry = table; entry->activate != nullptr; ++entry) {
            if (entry->className != nullptr && std::strcmp(entry->className, className) == 0) {
                onEntry(entry->activate);
            }
        }
    }
}

std::string GetHomeDir()
{
    const char* home = std::getenv("QMERE_HOME");
    if (home != nullptr && home[0] != '\0') {
        return WithSeparator(home);
    }
    // A current directory that cannot be named (removed while in use) stays
    // the current directory: "./", never the file system's root.
    std::error_code ec;
    const std::string dir = std::filesystem::current_path(ec).string();
    return WithSeparator(ec || dir.empty() ? std::string(".") : dir);
}
