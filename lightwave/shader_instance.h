#pragma once
// One shader on one surface: the .shd file chosen for it, its bump boost and
// the qm_core handle loaded for that file, with the host's instance, item and
// render callbacks and the handler's flags.

#include <cstdint>

#include "lw_host.h"
#include "qm_core.h"

constexpr int kFileNameSize = 261;  // 260 characters and a NUL
constexpr int kDescriptionSize = 131;
constexpr const char* kShaderTitle = "Quillmere shader version 0.10 [alpha]";

struct ShaderInstance {
    char fileName[kFileNameSize];    // always NUL-terminated
    double bumpBoost;                // 1.0 = 100 %
    NHandle* handle;                 // loaded for loadedName; null = none
    uint32_t surface;                // the host's surface id: the UV cache's key
    char loadedName[kFileNameSize];  // "" when handle is null
    char description[kDescriptionSize];
};

// Instance callbacks.
void* ShaderCreate(void* priv, void* context, const char** error);
void ShaderDestroy(void* instance);
const char* ShaderCopy(void* to, void* from);
const char* ShaderLoad(void* instance, const LoadState* state);
const char* ShaderSave(void* instance, const SaveState* state);
const char* ShaderDescribe(void* instance);

// Item callbacks.
const void* ShaderUseItems(void* instance);
void ShaderChangeID(void* instance, const void* ids);

// Render callbacks.
const char* ShaderInit(void* instance, int mode);
void ShaderCleanup(void* instance);
const char* ShaderNewTime(void* instance, int frame, double time);

unsigned ShaderFlags(void* instance);
