// qm_core's per-sample cost: QM_EvalShade samples per second on the engine
// benchmark's typical graph (examples/typical.shd: the root fed by two noise
// nodes, a turbulence, a compose, three blends, a slope and a time node), on
// one thread and on eight (which share the API lock), the same through
// qm_dso_shade (loaded at run time) to show its extra cost per call, and the
// heap allocations per evaluation (operator new is counted in this program).
//
//   bench_core --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include <qm_core.h>

// ---- allocation counting ----------------------------------------------------

namespace {
// Per thread, so that a benchmark thread counts its own allocations only.
thread_local uint64_t allocations = 0;
}  // namespace

// Kept out of line so that the compiler does not pair an inlined malloc with
// an inlined free at the call sites and warn about the (intended) mix.
#define QM_NOINLINE __attribute__((noinline))

QM_NOINLINE void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
QM_NOINLINE void* operator new[](std::size_t size) { return operator new(size); }
QM_NOINLINE void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    ++allocations;
    return std::malloc(size ? size : 1);
}
QM_NOINLINE void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
QM_NOINLINE void operator delete(void* p) noexcept { std::free(p); }
QM_NOINLINE void operator delete[](void* p) noexcept { std::free(p); }
QM_NOINLINE void operator delete(void* p, std::size_t) noexcept { std::free(p); }
QM_NOINLINE void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// ---- samples -----------------------------------------------------------------

const std::string kTypical = std::string(QM_EXAMPLES_DIR) + "/typical.shd";

NHandle* handle = nullptr;

// Sample i of a sweep over the surface and through 240 frames; both ways of
// calling evaluate the same points.
ShadeRecord Sample(int64_t i)
{
    ShadeRecord r{};
    const double t = static_cast<double>(i % 1000) * 0.001;
    for (int c = 0; c < 3; ++c) {
        r.worldPos[c] = r.objectPos[c] = t * (c + 1);
    }
    r.normal[0] = r.objectNormal[0] = r.baseNormal[0] = r.objectBaseNormal[0] = 0.6;
    r.normal[1] = r.objectNormal[1] = r.baseNormal[1] = r.objectBaseNormal[1] = 0.8;
    r.u = t;
    r.v = 1.0 - t;
    r.incident[2] = -1.0;
    r.frame = static_cast<double>(i % 240);
    r.filterSize = r.objectFilterSize = 0.001;
    return r;
}

void EvalShade(benchmark::State& state)
{
    int64_t i = 0;
    const uint64_t before = allocations;
    for (auto _ : state) {
        ShadeRecord r = Sample(i++);
        QM_EvalShade(handle, &r);
        benchmark::DoNotOptimize(r.color[0]);
    }
    const uint64_t counted = allocations - before;
    state.SetItemsProcessed(state.iterations());
    // Summed over the threads, per evaluation of each.
    state.counters["allocs_per_eval"] = benchmark::Counter(
        static_cast<double>(counted) / static_cast<double>(state.iterations()));
}
BENCHMARK(EvalShade);
BENCHMARK(EvalShade)->Threads(8)->UseRealTime();

// ---- qm_dso_shade -----------------------------------------------------------

using ShadeopFunc = int (*)(void*, int, void**);
ShadeopFunc dsoShade = nullptr;

// The shadeop's argument vector: result, file name, the fourteen inputs (as
// floats: points and vectors three each) and the ten outputs.
struct DsoCall {
    explicit DsoCall(const char* file) : name(file)
    {
        argv[0] = &result;
        argv[1] = &name;
        const int sizes[] = {3, 3, 3, 3, 3, 3, 1, 1, 3, 1, 1, 1, 1, 1};
        int at = 0;
        for (int k = 0; k < 14; ++k) {
            argv[2 + k] = &inputs[at];
            at += sizes[k];
        }
        for (int k = 0; k < 10; ++k) argv[16 + k] = &outputs[3 * k];
    }

    // The record's inputs (bytes 0 to 223) as the renderer passes them.
    void Set(const ShadeRecord& r)
    {
        const double* in = reinterpret_cast<const double*>(&r);
        for (int k = 0; k < 28; ++k) inputs[k] = static_cast<float>(in[k]);
    }

    float result = 0.0f;
    const char* name;
    float inputs[28] = {};
    float outputs[30] = {};
    void* argv[26];
};

void DsoShade(benchmark::State& state)
{
    DsoCall call(kTypical.c_str());
    call.Set(Sample(0));
    dsoShade(nullptr, 26, call.argv);  // the first call loads the file
    int64_t i = 0;
    const uint64_t before = allocations;
    for (auto _ : state) {
        call.Set(Sample(i++));
        dsoShade(nullptr, 26, call.argv);
        benchmark::DoNotOptimize(call.outputs[0]);
    }
    const uint64_t counted = allocations - before;
    state.SetItemsProcessed(state.iterations());
    state.counters["allocs_per_eval"] = benchmark::Counter(
        static_cast<double>(counted) / static_cast<double>(state.iterations()));
}
BENCHMARK(DsoShade);
BENCHMARK(DsoShade)->Threads(8)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    const uint64_t beforeLoad = allocations;
    handle = QM_Load(kTypical.c_str());
    if (handle == nullptr) {
        std::fprintf(stderr, "cannot load %s\n", kTypical.c_str());
        return 1;
    }
    // Loading a graph allocates its nodes inside libqm_core.so: unless the
    // counter saw that, a count of zero per evaluation would prove nothing.
    if (allocations == beforeLoad) {
        std::fprintf(stderr, "operator new of this program does not reach qm_core\n");
        return 1;
    }
    QM_BeginRender(handle);

    void* dso = dlopen(QM_DSO_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (dso == nullptr) return 1;
    dsoShade = reinterpret_cast<ShadeopFunc>(dlsym(dso, "qm_dso_shade"));
    if (dsoShade == nullptr) return 1;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    QM_EndRender(handle);
    QM_Close(handle);
    dlclose(dso);
    return 0;
}
