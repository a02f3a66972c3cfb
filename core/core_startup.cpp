// qm_core has no initialisation call: loading the library builds the image
// loader registry (with the image plug-ins), then the core globals (image
// cache, node registry with the node plug-ins, handle list, API lock);
// unloading takes them down in the reverse order.
//
// This file is linked after the whole engine (see CMakeLists.txt), so its
// object is constructed after every static object of the engine and
// destroyed before any of them: the engine's own statics (among them the
// Globals holder, whose destructor would otherwise tear the registry and the
// cache down under the open handles) outlive the core's shut-down.

#include "core_globals.h"
#include "image/image_loader.h"

namespace {

struct ImageLoaderManLifetime {
    ImageLoaderManLifetime() { InitImageLoaderMan(); }
    ~ImageLoaderManLifetime() { ExitImageLoaderMan(); }
    ImageLoaderManLifetime(const ImageLoaderManLifetime&) = delete;
    ImageLoaderManLifetime& operator=(const ImageLoaderManLifetime&) = delete;
};

struct CoreGlobalsLifetime {
    CoreGlobalsLifetime() { InitCoreGlobals(); }
    ~CoreGlobalsLifetime() { ExitCoreGlobals(); }
    CoreGlobalsLifetime(const CoreGlobalsLifetime&) = delete;
    CoreGlobalsLifetime& operator=(const CoreGlobalsLifetime&) = delete;
};

// Constructed in this order, destroyed in the reverse one.
ImageLoaderManLifetime imageLoaderManLifetime;
CoreGlobalsLifetime coreGlobalsLifetime;

}  // namespace
