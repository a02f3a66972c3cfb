#include "startup/engine_startup.h"

#include <cassert>

#include "image/image_loader.h"
#include "registry/globals.h"

namespace {

bool running = false;

}  // namespace

EngineStartup::EngineStartup()
{
    assert(!running && "one engine start-up at a time");
    running = true;
    InitImageLoaderMan();
    InitGlobals();
}

EngineStartup::~EngineStartup()
{
    ExitGlobals();
    ExitImageLoaderMan();
    running = false;
}
