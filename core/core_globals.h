#pragma once
// qm_core's process-wide objects beyond the engine's two globals: the list of
// open shader handles and the API lock that serialises every export.

#include "image/critical_section.h"
#include "nhandle.h"

// Start-up, after the image loader registry: the image cache and the node
// registry (the engine globals, with the node plug-ins), then the empty
// handle list, then the API lock.
void InitCoreGlobals();
// Unload: the API lock first, then every handle still open (its images go
// back to a cache that still exists), the node registry, the image cache.
void ExitCoreGlobals();

// Both exist between InitCoreGlobals and ExitCoreGlobals only.
NHandleList& CoreHandleList();
CriticalSection& ApiLock();
