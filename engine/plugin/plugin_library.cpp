#include "plugin/plugin_library.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <system_error>
#include <vector>

#include "image/image_loader.h"
#include "plugin/plugin_node.h"
#include "registry/node_factory.h"

namespace {

constexpr int32_t kPluginImageIndex = 11;

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

// Loads each library of dir and hands every table record of className to
// activate. A library without the table is unloaded again when this scan
// loaded it; one with the table stays loaded for the life of the process.
void Scan(const std::string& dir, const char* className,
          const std::function<void(int32_t (*)(void*))>& activate)
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
                activate(entry->activate);
            }
        }
    }
}

std::string WithSeparator(std::string dir)
{
    if (dir.empty() || (dir.back() != '/' && dir.back() != '\\')) {
        dir += '/';
    }
    return dir;
}

}  // namespace

std::string GetHomeDir()
{
    const char* home = std::getenv("QMERE_HOME");
    std::string dir;
    if (home != nullptr && home[0] != '\0') {
        dir = home;
    } else {
        // A current directory that cannot be named (removed while in use)
        // stays the current directory: "./", never the file system's root.
        std::error_code ec;
        dir = std::filesystem::current_path(ec).string();
        if (ec || dir.empty()) {
            dir = ".";
        }
    }
    return WithSeparator(dir);
}

bool UsableNodeDesc(const NodePluginDesc* desc)
{
    return desc != nullptr && desc->name != nullptr && desc->category != nullptr &&
           desc->inputCount >= 0 && desc->outputCount >= 0 &&
           (desc->inputCount == 0 || desc->inputs != nullptr) &&
           (desc->outputCount == 0 || desc->outputs != nullptr);
}

void LoadImagePlugins(const std::string& home, ImageLoaderMan& loaders)
{
    Scan(home + "Image/", QM_PLUGIN_IMAGE_CLASS, [&](int32_t (*activate)(void*)) {
        ImagePluginInfo info{};
        // Add refuses a loader without its list or either function, so
        // nothing of such a loader is ever called.
        if (activate(&info) != 0) {
            loaders.Add(info.extensions, info.getInfo, info.load);
        }
    });
}

void LoadNodePlugins(const std::string& home, NodeFactory& factory)
{
    Scan(home + "Node/", QM_PLUGIN_NODE_CLASS, [&](int32_t (*activate)(void*)) {
        NodePluginInfo info{};
        if (activate(&info) == 0) {
            return;
        }
        // A description no node can be set up from is passed over before
        // anything of the type (not even create) is called.
        if (!UsableNodeDesc(info.desc)) {
            return;
        }
        std::unique_ptr<Node> prototype = NPlugin::New(info);
        // A refused prototype is destroyed here, which gives its instance
        // back through the plug-in's destroy.
        factory.Add(std::move(prototype), kPluginImageIndex);
    });
}

void LoadImagePlugins()
{
    if (ImageLoaderMan* loaders = TheImageLoaderMan()) {
        LoadImagePlugins(GetHomeDir(), *loaders);
    }
}

void LoadNodePlugins(NodeFactory& factory)
{
    LoadNodePlugins(GetHomeDir(), factory);
}
