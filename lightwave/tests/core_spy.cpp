#include "core_spy.h"

#include <dlfcn.h>

namespace corespy {

namespace {

thread_local Capture* active = nullptr;

using EvalFunc = void (*)(NHandle*, ShadeRecord*);
using RenderFunc = void (*)(NHandle*);

template <typename Func>
Func Next(const char* name)
{
    return reinterpret_cast<Func>(dlsym(RTLD_NEXT, name));
}

}  // namespace

Capture::Capture()
{
    active = this;
}

Capture::~Capture()
{
    active = nullptr;
}

void RealEvalShade(NHandle* handle, ShadeRecord* record)
{
    static const EvalFunc real = Next<EvalFunc>("QM_EvalShade");
    real(handle, record);
}

void RealEvalBump(NHandle* handle, ShadeRecord* record)
{
    static const EvalFunc real = Next<EvalFunc>("QM_EvalBump");
    real(handle, record);
}

void RealBeginRender(NHandle* handle)
{
    static const RenderFunc real = Next<RenderFunc>("QM_BeginRender");
    real(handle);
}

void RealEndRender(NHandle* handle)
{
    static const RenderFunc real = Next<RenderFunc>("QM_EndRender");
    real(handle);
}

}  // namespace corespy

extern "C" {

void QM_EvalShade(NHandle* handle, ShadeRecord* record)
{
    corespy::RealEvalShade(handle, record);
    if (corespy::active != nullptr && record != nullptr) corespy::active->shades.push_back(*record);
}

void QM_EvalBump(NHandle* handle, ShadeRecord* record)
{
    corespy::RealEvalBump(handle, record);
    if (corespy::active != nullptr && record != nullptr) corespy::active->bumps.push_back(*record);
}

void QM_BeginRender(NHandle* handle)
{
    corespy::RealBeginRender(handle);
    if (corespy::active != nullptr) corespy::active->begins.push_back(handle);
}

void QM_EndRender(NHandle* handle)
{
    corespy::RealEndRender(handle);
    if (corespy::active != nullptr) corespy::active->ends.push_back(handle);
}

}  // extern "C"
