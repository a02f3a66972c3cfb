// qm_dso.so: the RenderMan shadeop library. Three shading-language functions
// take a .shd file name and the sample's geometry and return the graph's
// material, bump or user values through their output arguments. One qm_core
// handle is kept per shader file for the life of the library.

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/critical_section.h"
#include "handle_list.h"
#include "qm_core.h"
#include "shader_key.h"

#define QM_DSO_EXPORT __attribute__((visibility("default")))

extern "C" {

// One record of the renderer's shadeop table.
struct ShadeopEntry {
    const char* signature;
    const char* init;
    const char* cleanup;
};

// Read by the renderer when it loads the library; ended by an empty signature.
QM_DSO_EXPORT extern const ShadeopEntry qm_dso_shadeops[4];
const ShadeopEntry qm_dso_shadeops[4] = {
    {"float qm_dso_shade(string, point, point, vector, vector, vector, vector, float, float, "
     "vector, float, float, float, float, float, color, float, float, float, float, float, "
     "float, float, float, float)",
     "", "qm_dso_cleanup"},
    {"float qm_dso_bump(string, point, point, vector, vector, vector, vector, float, float, "
     "vector, float, float, float, float, float, float, float)",
     "", "qm_dso_cleanup"},
    {"float qm_dso_user(string, point, point, vector, vector, vector, vector, float, float, "
     "vector, float, float, float, float, float, color, color, color, color)",
     "", "qm_dso_cleanup"},
    {"", nullptr, nullptr},
};

}  // extern "C"

namespace {

// The library's list of shader files and the lock that guards it; both exist
// between InitHandleList and ExitHandleList.
std::optional<HandleList> handleList;
std::optional<CriticalSection> libraryLock;

// Library load: the empty list, then the lock.
void InitHandleList()
{
    handleList.emplace();
    libraryLock.emplace();
}

// Library unload: the lock first, then every handle still open is closed
// (without an end of render) and its entry freed.
void ExitHandleList()
{
    libraryLock.reset();
    handleList.reset();
}

struct HandleListLifetime {
    HandleListLifetime() { InitHandleList(); }
    ~HandleListLifetime() { ExitHandleList(); }
    HandleListLifetime(const HandleListLifetime&) = delete;
    HandleListLifetime& operator=(const HandleListLifetime&) = delete;
} handleListLifetime;

// The handle for a shader file name: the one already in the list, or a new
// one loaded and begun here, once. Null when the file cannot be loaded (the
// failure is not remembered: the next call tries again).
NHandle* HandleFor(const char* name)
{
    std::string scratch;
    const std::string_view key = CachedShaderKey(name, scratch);
    CriticalSection::Guard guard(*libraryLock);
    if (NHandle* handle = handleList->Find(key)) {
        return handle;
    }
    auto entry = std::make_unique<HandleData>();
    const std::string path(key);
    NHandle* handle = QM_Load(path.c_str());
    if (handle == nullptr) {
        return nullptr;
    }
    entry->handle = handle;
    entry->path = path;
    QM_BeginRender(handle);
    handleList->Append(std::move(entry));
    return handle;
}

// argv[i] as the float storage of argument i.
const float* In(void** argv, int i)
{
    return static_cast<const float*>(argv[i]);
}

float* Out(void** argv, int i)
{
    return static_cast<float*>(argv[i]);
}

void Widen(const float* from, double* to, int count)
{
    for (int c = 0; c < count; ++c) {
        to[c] = static_cast<double>(from[c]);
    }
}

void Narrow(const double* from, float* to, int count)
{
    for (int c = 0; c < count; ++c) {
        to[c] = static_cast<float>(from[c]);
    }
}

// The inputs in argv 2 to 15, widened into the record.
void ReadInputs(void** argv, ShadeRecord& record)
{
    Widen(In(argv, 2), record.worldPos, 3);
    Widen(In(argv, 3), record.objectPos, 3);
    Widen(In(argv, 4), record.normal, 3);
    Widen(In(argv, 5), record.objectNormal, 3);
    Widen(In(argv, 6), record.baseNormal, 3);
    Widen(In(argv, 7), record.objectBaseNormal, 3);
    Widen(In(argv, 8), &record.u, 1);
    Widen(In(argv, 9), &record.v, 1);
    Widen(In(argv, 10), record.incident, 3);
    Widen(In(argv, 11), &record.frame, 1);
    Widen(In(argv, 12), &record.filterSize, 1);
    Widen(In(argv, 13), &record.objectFilterSize, 1);
    Widen(In(argv, 14), &record.du, 1);
    Widen(In(argv, 15), &record.dv, 1);
}

void WriteShade(void** argv, const ShadeRecord& record)
{
    Narrow(record.color, Out(argv, 16), 3);
    const double* floats[] = {&record.diffuse,    &record.specular,       &record.roughness,
                              &record.luminosity, &record.reflection,     &record.transparency,
                              &record.eta,        &record.colorHighlight, &record.colorFilter};
    for (int i = 0; i < 9; ++i) {
        Narrow(floats[i], Out(argv, 17 + i), 1);
    }
}

void WriteBump(void** argv, const ShadeRecord& record)
{
    Narrow(&record.bumpAmplitude, Out(argv, 16), 1);
    Narrow(&record.bumpTexture, Out(argv, 17), 1);
}

void WriteUser(void** argv, const ShadeRecord& record)
{
    Narrow(record.user1, Out(argv, 16), 3);
    Narrow(record.user2, Out(argv, 17), 3);
    Narrow(record.user3, Out(argv, 18), 3);
    Narrow(record.user4, Out(argv, 19), 3);
}

using EvalFunc = void (*)(NHandle*, ShadeRecord*);
using WriteFunc = void (*)(void**, const ShadeRecord&);

// The algorithm the three shadeops share. The signature needs count argv
// entries (the result, the name, the inputs and the function's outputs); the
// renderer passed argc. The result is 1.0 when the file was evaluated, 0.0
// (outputs untouched) when it could not be loaded, an argument has no
// storage or argc is short of count. Nothing past argv[argc - 1] is read.
int Shade(int argc, void** argv, int count, EvalFunc evaluate, WriteFunc write)
{
    if (argv == nullptr || argc < 1 || argv[0] == nullptr) {
        return 0;
    }
    float* result = Out(argv, 0);
    if (argc < count) {
        *result = 0.0f;
        return 0;
    }
    for (int i = 1; i < count; ++i) {
        if (argv[i] == nullptr) {
            *result = 0.0f;
            return 0;
        }
    }
    NHandle* handle = nullptr;
    try {
        const char* name = *static_cast<const char* const*>(argv[1]);
        if (name != nullptr) {
            handle = HandleFor(name);
        }
    } catch (...) {
        handle = nullptr;  // memory ran out: as if the file could not be loaded
    }
    if (handle == nullptr) {
        *result = 0.0f;
        return 0;
    }
    // Zeroed: qm_core writes defaults for every output but the user colours,
    // which a graph without a material root leaves as they were.
    ShadeRecord record{};
    ReadInputs(argv, record);
    evaluate(handle, &record);  // outside the library lock
    write(argv, record);
    *result = 1.0f;
    return 0;
}

}  // namespace

extern "C" {

QM_DSO_EXPORT int qm_dso_shade(void*, int argc, void** argv)
{
    return Shade(argc, argv, 26, &QM_EvalShade, &WriteShade);
}

QM_DSO_EXPORT int qm_dso_bump(void*, int argc, void** argv)
{
    return Shade(argc, argv, 18, &QM_EvalBump, &WriteBump);
}

QM_DSO_EXPORT int qm_dso_user(void*, int argc, void** argv)
{
    return Shade(argc, argv, 20, &QM_EvalUser, &WriteUser);
}

// The end of a render: every file's render ends; the handles stay, so later
// calls evaluate the loaded graphs without beginning again.
QM_DSO_EXPORT void qm_dso_cleanup(void*)
{
    CriticalSection::Guard guard(*libraryLock);
    for (const auto& entry : handleList->Entries()) {
        QM_EndRender(entry->handle);
    }
}

// Every export again under a leading underscore.
#define QM_DSO_ALIAS(name) __attribute__((alias(#name), visibility("default")))
extern const ShadeopEntry _qm_dso_shadeops[4] QM_DSO_ALIAS(qm_dso_shadeops);
int _qm_dso_shade(void*, int, void**) QM_DSO_ALIAS(qm_dso_shade);
int _qm_dso_bump(void*, int, void**) QM_DSO_ALIAS(qm_dso_bump);
int _qm_dso_user(void*, int, void**) QM_DSO_ALIAS(qm_dso_user);
void _qm_dso_cleanup(void*) QM_DSO_ALIAS(qm_dso_cleanup);
#undef QM_DSO_ALIAS

}  // extern "C"
