#pragma once
// The one owner of the engine's process-wide objects. Making it starts the
// engine; destroying it stops the engine:
//   1. the image loader registry: the built-in "bmp" loader, then the image
//      plug-ins of the plug-in home;
//   2. the image cache;
//   3. the node registry: the built-in node types, then the node plug-ins;
// torn down in the reverse order (node registry, image cache, loader
// registry). Every host of the engine starts it through this owner: qm_core
// at library load (holding its own objects after it), the editor before its
// window, and the tests, benchmarks and fuzzers.
//
// At most one owner exists at a time, made and destroyed on one thread while
// no other thread uses the engine. Plug-in libraries stay loaded after it is
// gone.

class EngineStartup {
public:
    EngineStartup();
    ~EngineStartup();
    EngineStartup(const EngineStartup&) = delete;
    EngineStartup& operator=(const EngineStartup&) = delete;
};
