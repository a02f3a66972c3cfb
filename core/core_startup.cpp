// qm_core has no initialisation call: loading the library makes its
// process-wide objects and unloading destroys them (see core_globals.h).
//
// This file is linked after the whole engine (see CMakeLists.txt), so its
// object is constructed after every static object of the engine and
// destroyed before any of them: the engine's own statics (among them the
// Globals holder, whose destructor would otherwise tear the registry and the
// cache down under the open handles) outlive the core's shut-down.

#include "core_globals.h"

namespace {

CoreGlobals coreGlobals;

}  // namespace

NHandleList& CoreHandleList()
{
    return coreGlobals.handleList;
}

CriticalSection& ApiLock()
{
    return coreGlobals.apiLock;
}
