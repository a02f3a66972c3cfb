#pragma once
// The engine's two process-wide objects: the node registry every node is made
// from, and the image cache image nodes share.

#include <memory>

#include "image/image_man.h"
#include "registry/node_factory.h"

struct Globals {
    std::unique_ptr<NodeFactory> nodeFactory;
    std::unique_ptr<ImageMan> imageMan;

    Globals() = default;
    Globals(const Globals&) = delete;
    Globals& operator=(const Globals&) = delete;
    // Destroys what ExitGlobals has not: the registry first, then the cache.
    ~Globals();
};

// The one instance; both pointers are null before InitGlobals.
extern Globals globals;

// Start-up: the image cache, then the node registry (built-in types, then the
// node plug-ins). The image loader registry is set up before this.
void InitGlobals();
// Exit: the node registry (every prototype), then the image cache.
void ExitGlobals();
