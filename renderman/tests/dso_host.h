#pragma once
// A renderer's side of qm_dso.so: the library loaded with dlopen, its
// shadeop table, and argument vectors of floats laid out as the three
// signatures declare them.

#include <dlfcn.h>

#include <cstring>
#include <string>

namespace dsotest {

struct ShadeopEntry {
    const char* signature;
    const char* init;
    const char* cleanup;
};

using ShadeopFunc = int (*)(void* initData, int argc, void** argv);
using CleanupFunc = void (*)(void* initData);

class DsoLibrary {
public:
    DsoLibrary() : handle(dlopen(QM_DSO_LIBRARY, RTLD_NOW | RTLD_LOCAL))
    {
        if (handle == nullptr) return;
        table = static_cast<const ShadeopEntry*>(dlsym(handle, "qm_dso_shadeops"));
        shade = reinterpret_cast<ShadeopFunc>(dlsym(handle, "qm_dso_shade"));
        bump = reinterpret_cast<ShadeopFunc>(dlsym(handle, "qm_dso_bump"));
        user = reinterpret_cast<ShadeopFunc>(dlsym(handle, "qm_dso_user"));
        cleanup = reinterpret_cast<CleanupFunc>(dlsym(handle, "qm_dso_cleanup"));
    }
    ~DsoLibrary() { Close(); }
    DsoLibrary(const DsoLibrary&) = delete;
    DsoLibrary& operator=(const DsoLibrary&) = delete;

    void Close()
    {
        if (handle != nullptr) dlclose(handle);
        handle = nullptr;
    }
    bool Ready() const { return table && shade && bump && user && cleanup; }

    void* handle;
    const ShadeopEntry* table = nullptr;
    ShadeopFunc shade = nullptr;
    ShadeopFunc bump = nullptr;
    ShadeopFunc user = nullptr;
    CleanupFunc cleanup = nullptr;
};

constexpr float kUntouched = -9.0f;

// Storage of one call: the result, the name, the fourteen inputs and up to
// ten outputs (the largest is qm_dso_shade's colour and nine floats).
struct Call {
    explicit Call(std::string fileName) : name(std::move(fileName))
    {
        namePointer = name.c_str();
        for (float& f : storage) f = 0.0f;
        for (float& f : outputs) f = kUntouched;
        // Inputs in argv order: point, point, 4 vectors, u, v, vector,
        // frame, filterSize, objectFilterSize, du, dv.
        const int sizes[] = {3, 3, 3, 3, 3, 3, 1, 1, 3, 1, 1, 1, 1, 1};
        int at = 0;
        argv[0] = &result;
        argv[1] = &namePointer;
        for (int i = 0; i < 14; ++i) {
            argv[2 + i] = &storage[at];
            inputs[i] = &storage[at];
            at += sizes[i];
        }
        for (int i = 0; i < 10; ++i) argv[16 + i] = &outputs[3 * i];
        // Frame 1, every normal along +Y, the eye looking down.
        for (int n = 2; n <= 5; ++n) inputs[n][1] = 1.0f;
        inputs[8][1] = -1.0f;
        inputs[9][0] = 1.0f;
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    // The storage of the output argument at argv index (three floats each).
    float* Output(int argvIndex) { return static_cast<float*>(argv[argvIndex]); }

    float result = kUntouched;
    std::string name;
    const char* namePointer;
    float storage[32];
    float* inputs[14];
    float outputs[30];
    void* argv[26];
};

}  // namespace dsotest
