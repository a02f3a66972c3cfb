#include "shader_instance.h"

#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "calc_uv.h"
#include "common/text_case.h"
#include "module_globals.h"

namespace {

ShaderInstance* Instance(void* instance)
{
    return static_cast<ShaderInstance*>(instance);
}

constexpr int kBoostSize = static_cast<int>(sizeof(double));

}  // namespace

void* ShaderCreate(void* /*priv*/, void* context, const char** /*error*/)
{
    auto* instance = new (std::nothrow) ShaderInstance{};  // owned by the host until destroy
    if (instance == nullptr) {
        return nullptr;
    }
    instance->fileName[0] = '\0';
    instance->loadedName[0] = '\0';
    instance->bumpBoost = 1.0;
    instance->handle = nullptr;
    instance->surface = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(context));
    return instance;
}

void ShaderDestroy(void* instance)
{
    const std::unique_ptr<ShaderInstance> owned(Instance(instance));
    if (owned && owned->handle != nullptr) {
        QM_Close(owned->handle);
    }
}

const char* ShaderCopy(void* to, void* from)
{
    ShaderInstance* target = Instance(to);
    const ShaderInstance* source = Instance(from);
    if (target == nullptr || source == nullptr || target == source) {
        return nullptr;
    }
    // The target's own reference is given back: the copy replaces it.
    NHandle* replaced = target->handle;
    *target = *source;
    if (source->handle != nullptr) {
        target->handle = QM_Copy(source->handle);
    }
    if (replaced != nullptr) {
        QM_Close(replaced);
    }
    return nullptr;
}

const char* ShaderLoad(void* instance, const LoadState* state)
{
    ShaderInstance* self = Instance(instance);
    if (self == nullptr || state == nullptr || state->ioMode != QM_LW_IO_OBJECT ||
        state->read == nullptr) {
        return nullptr;
    }
    state->read(state->readData, self->fileName, kFileNameSize);
    state->read(state->readData, &self->bumpBoost, kBoostSize);
    // A damaged object may store 261 characters: the last gives way to a NUL.
    self->fileName[kFileNameSize - 1] = '\0';
    return nullptr;
}

const char* ShaderSave(void* instance, const SaveState* state)
{
    ShaderInstance* self = Instance(instance);
    if (self == nullptr || state == nullptr || state->ioMode != QM_LW_IO_OBJECT ||
        state->write == nullptr) {
        return nullptr;
    }
    state->write(state->writeData, self->fileName, kFileNameSize);
    state->write(state->writeData, &self->bumpBoost, kBoostSize);
    return nullptr;
}

const char* ShaderDescribe(void* instance)
{
    ShaderInstance* self = Instance(instance);
    if (self == nullptr) {
        return kShaderTitle;
    }
    std::strncpy(self->description, kShaderTitle, kDescriptionSize - 1);
    self->description[kDescriptionSize - 1] = '\0';
    return self->description;
}

const void* ShaderUseItems(void* /*instance*/)
{
    return nullptr;
}

void ShaderChangeID(void* /*instance*/, const void* /*ids*/) {}

const char* ShaderInit(void* instance, int /*mode*/)
{
    CalcUV::Reset(HostGlobal());
    ShaderInstance* self = Instance(instance);
    if (self == nullptr) {
        return nullptr;
    }
    if (!EqualNoCase(self->loadedName, self->fileName)) {
        if (self->handle != nullptr) {
            QM_Close(self->handle);
            self->handle = nullptr;
        }
        self->handle = QM_Load(self->fileName);
        if (self->handle != nullptr) {
            std::memcpy(self->loadedName, self->fileName, kFileNameSize);
        } else {
            self->loadedName[0] = '\0';
        }
    }
    if (self->handle != nullptr) {
        QM_BeginRender(self->handle);
    }
    return nullptr;
}

void ShaderCleanup(void* instance)
{
    const ShaderInstance* self = Instance(instance);
    if (self != nullptr && self->handle != nullptr) {
        QM_EndRender(self->handle);
    }
    CalcUV::Reset(HostGlobal());
}

const char* ShaderNewTime(void* /*instance*/, int frame, double /*time*/)
{
    SetCurrentFrame(frame);
    CalcUV::Reset(HostGlobal());
    return nullptr;
}

unsigned ShaderFlags(void* instance)
{
    const ShaderInstance* self = Instance(instance);
    NHandle* handle = self != nullptr ? self->handle : nullptr;
    return QM_IsTransparent(handle) == 1 ? QM_LW_FLAGS_TRANSPARENT : QM_LW_FLAGS_OPAQUE;
}
