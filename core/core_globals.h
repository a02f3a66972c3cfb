#pragma once
// qm_core's process-wide objects: the engine, started through its one owner
// (image loader registry with the image plug-ins, image cache, node registry
// with the node plug-ins), then the list of open shader handles, then the API
// lock that serialises every export. They are made when the library is
// loaded and destroyed in the reverse order when it is unloaded: the lock
// first, then every handle still open (its images go back to a cache that
// still exists), then the engine.

#include "common/critical_section.h"
#include "nhandle.h"
#include "startup/engine_startup.h"

struct CoreGlobals {
    EngineStartup engine;
    NHandleList handleList;
    CriticalSection apiLock;
};

// Both exist while the library is loaded.
NHandleList& CoreHandleList();
CriticalSection& ApiLock();
