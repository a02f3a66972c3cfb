#include "core_spy.h"

#include <dlfcn.h>

namespace corespy {

namespace {

thread_local Capture* active = nullptr;

using EvalFunc = void (*)(NHandle*, ShadeRecord*);

EvalFunc Next(const char* name)
{
    return reinterpret_cast<EvalFunc>(dlsym(RTLD_NEXT, name));
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
    static const EvalFunc real = Next("QM_EvalShade");
    real(handle, record);
}

void RealEvalBump(NHandle* handle, ShadeRecord* record)
{
    static const EvalFunc real = Next("QM_EvalBump");
    real(handle, record);
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

}  // extern "C"
