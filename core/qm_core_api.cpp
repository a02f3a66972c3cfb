// The ten exports. Each one but QM_Load returns at once for a null handle;
// everything after that runs under the API lock, which a guard releases on
// every way out. Nothing thrown inside ever reaches the host. A handle being
// freed (a node plug-in's destroy calling in with it) is answered as a
// closed one, before anything of it is used.

#include "qm_core.h"

#include <memory>

#include "common/regular_file.h"
#include "core_globals.h"
#include "model/eval_context.h"
#include "nhandle.h"
#include "nodes/root_node.h"
#include "shade_eval.h"

static_assert(sizeof(EvalContext) == offsetof(ShadeRecord, color),
              "the record's inputs are an EvalContext");

extern "C" {

NHandle* QM_Load(const char* fileName)
{
    if (fileName == nullptr) {
        return nullptr;
    }
    try {
        CriticalSection::Guard guard(ApiLock());
        NHandleList& list = CoreHandleList();
        if (NHandle* found = list.Find(fileName)) {
            const HandleUse use(list, *found);
            if (use.Outermost()) {
                ReloadIfChanged(*found);
            }
            ++found->refCount;
            return found;
        }
        auto handle = std::make_unique<NHandle>();
        FILE* file = OpenRegularFile(fileName);
        if (file == nullptr) {
            return nullptr;
        }
        if (!LoadShaderGraph(file, *handle)) {
            return nullptr;
        }
        int32_t time = 0;
        if (ShaderFileTime(fileName, time)) {
            handle->fileTime = time;
        }
        handle->path = fileName;
        handle->refCount = 1;
        NHandle* result = handle.get();
        list.Append(std::move(handle));
        return result;
    } catch (...) {
        return nullptr;  // memory ran out: nothing was added
    }
}

NHandle* QM_Copy(NHandle* handle)
{
    if (handle == nullptr) {
        return nullptr;
    }
    CriticalSection::Guard guard(ApiLock());
    if (handle->freeing) {
        return nullptr;
    }
    ++handle->refCount;
    return handle;
}

void QM_Close(NHandle* handle)
{
    if (handle == nullptr) {
        return;
    }
    CriticalSection::Guard guard(ApiLock());
    NHandleList& list = CoreHandleList();
    // A handle whose last reference is already given back, still in use by
    // an outer call, is freed when that call ends; it has none left to give.
    if (!list.Contains(handle) || handle->refCount <= 0) {
        return;
    }
    if (--handle->refCount == 0 && handle->useDepth == 0) {
        list.Remove(handle);
    }
}

void QM_BeginRender(NHandle* handle)
{
    if (handle == nullptr) {
        return;
    }
    try {
        CriticalSection::Guard guard(ApiLock());
        if (handle->freeing) {
            return;
        }
        const HandleUse use(CoreHandleList(), *handle);
        if (use.Outermost()) {
            ReloadIfChanged(*handle);
            handle->nodes.BeginRender();
        }
    } catch (...) {
        // A node that cannot prepare (memory ran out) leaves the render as it is.
    }
}

void QM_EndRender(NHandle* handle)
{
    if (handle == nullptr) {
        return;
    }
    try {
        CriticalSection::Guard guard(ApiLock());
        if (handle->freeing) {
            return;
        }
        const HandleUse use(CoreHandleList(), *handle);
        if (use.Outermost()) {
            handle->nodes.EndRender();
        }
    } catch (...) {
    }
}

void QM_EvalShade(NHandle* handle, ShadeRecord* record)
{
    EvaluateRoot(handle, record, kShadeRange);
}

void QM_EvalBump(NHandle* handle, ShadeRecord* record)
{
    EvaluateRoot(handle, record, kBumpRange);
}

void QM_EvalUser(NHandle* handle, ShadeRecord* record)
{
    EvaluateRoot(handle, record, kUserRange);
}

int QM_IsTransparent(NHandle* handle)
{
    if (handle == nullptr) {
        return 0;
    }
    CriticalSection::Guard guard(ApiLock());
    if (handle->freeing) {
        return 0;
    }
    const NRoot* root = handle->root;
    if (root == nullptr) {
        return 0;
    }
    const NodeParam& transparency = root->params[NRoot::kTransparency];
    const double value = transparency.value.components[0];
    // Not-a-number compares unequal to everything; it counts as 0.
    return (transparency.source != nullptr || value < 0.0 || value > 0.0) ? 1 : 0;
}

int QM_IsBump(NHandle* handle)
{
    if (handle == nullptr) {
        return 0;
    }
    CriticalSection::Guard guard(ApiLock());
    if (handle->freeing) {
        return 0;
    }
    const NRoot* root = handle->root;
    return (root != nullptr && root->params[NRoot::kBumpTexture].source != nullptr) ? 1 : 0;
}

// Every export again under a leading underscore, the same entry.
#define QM_ALIAS(name) __attribute__((alias(#name), visibility("default")))
NHandle* _QM_Load(const char*) QM_ALIAS(QM_Load);
NHandle* _QM_Copy(NHandle*) QM_ALIAS(QM_Copy);
void _QM_Close(NHandle*) QM_ALIAS(QM_Close);
void _QM_BeginRender(NHandle*) QM_ALIAS(QM_BeginRender);
void _QM_EndRender(NHandle*) QM_ALIAS(QM_EndRender);
void _QM_EvalShade(NHandle*, ShadeRecord*) QM_ALIAS(QM_EvalShade);
void _QM_EvalBump(NHandle*, ShadeRecord*) QM_ALIAS(QM_EvalBump);
void _QM_EvalUser(NHandle*, ShadeRecord*) QM_ALIAS(QM_EvalUser);
int _QM_IsTransparent(NHandle*) QM_ALIAS(QM_IsTransparent);
int _QM_IsBump(NHandle*) QM_ALIAS(QM_IsBump);
#undef QM_ALIAS

}  // extern "C"
