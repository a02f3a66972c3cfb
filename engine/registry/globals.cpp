#include "registry/globals.h"

#include "image/image_handle.h"

Globals globals;

Globals::~Globals()
{
    ExitGlobals();
}

void InitGlobals()
{
    globals.imageMan = std::make_unique<ImageMan>();
    SetProcessImageMan(globals.imageMan.get());
    globals.nodeFactory = std::make_unique<NodeFactory>();
}

void ExitGlobals()
{
    globals.nodeFactory.reset();
    if (globals.imageMan != nullptr && ProcessImageMan() == globals.imageMan.get()) {
        SetProcessImageMan(nullptr);
    }
    globals.imageMan.reset();
}
