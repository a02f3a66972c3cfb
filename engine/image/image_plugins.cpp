// Image plug-ins: the "Image/" scan of the plug-in home adds one loader for
// every image record a library's table activates.

#include "image/image_loader.h"
#include "plugin/plugin_call.h"
#include "plugin/plugin_library.h"
#include "plugin/qm_plugin.h"

void LoadImagePlugins(const std::string& home, ImageLoaderMan& loaders)
{
    ScanPluginLibraries(home + "Image/", QM_PLUGIN_IMAGE_CLASS, [&](PluginActivate activate) {
        ImagePluginInfo info{};
        // Add refuses a loader without its list or either function, so
        // nothing of such a loader is ever called. An activate that throws
        // declines, whatever it filled in.
        if (CallPluginOr(0, [&] { return activate(&info); }) != 0) {
            loaders.Add(info.extensions, info.getInfo, info.load);
        }
    });
}

void LoadImagePlugins()
{
    if (ImageLoaderMan* loaders = TheImageLoaderMan()) {
        LoadImagePlugins(GetHomeDir(), *loaders);
    }
}
