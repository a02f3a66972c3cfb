#include "core_globals.h"

#include <memory>

#include "registry/globals.h"

namespace {

std::unique_ptr<NHandleList> handleList;
std::unique_ptr<CriticalSection> apiLock;

}  // namespace

void InitCoreGlobals()
{
    InitGlobals();
    handleList = std::make_unique<NHandleList>();
    apiLock = std::make_unique<CriticalSection>();
}

void ExitCoreGlobals()
{
    apiLock.reset();
    handleList.reset();
    ExitGlobals();
}

NHandleList& CoreHandleList()
{
    return *handleList;
}

CriticalSection& ApiLock()
{
    return *apiLock;
}
