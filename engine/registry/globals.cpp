#include "registry/globals.h"

#include "image/image_handle.h"

Globals globals;

namespace {

// The registry first (its prototypes may hold image handles), then the cache;
// handles stop reaching a cache that is gone.
void DestroyPair(Globals& holder)
{
    holder.nodeFactory.reset();
    if (holder.imageMan != nullptr && ProcessImageMan() == holder.imageMan.get()) {
        SetProcessImageMan(nullptr);
    }
    holder.imageMan.reset();
}

}  // namespace

Globals::~Globals()
{
    DestroyPair(*this);
}

void InitGlobals()
{
    globals.imageMan = std::make_unique<ImageMan>();
    SetProcessImageMan(globals.imageMan.get());
    globals.nodeFactory = std::make_unique<NodeFactory>();
}

void ExitGlobals()
{
    DestroyPair(globals);
}
