// qm_core's per-sample cost: QM_EvalShade samples per second on a typical
// graph of eleven nodes, on one thread and on eight (which share the API
// lock), the extra cost of a call through qm_dso_shade, and the heap
// allocations per evaluation (operator new is counted in this program).
//
//   bench_core --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include <qm_core.h>

#include "model/node_list.h"
#include "model/node_stream.h"
#include "nodes/animation_nodes.h"
#include "nodes/blend_nodes.h"
#include "nodes/operator_nodes.h"
#include "nodes/root_node.h"
#include "nodes/slope_nodes.h"

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

// ---- the typical graph ------------------------------------------------------

template <typename T>
T& Add(NodeList& list)
{
    list.nodes.push_back(T::New());
    return static_cast<T&>(*list.nodes.back());
}

void Link(Node& to, int32_t input, Node& from)
{
    to.params[input].source = &from;
    to.params[input].sourceOutput = 0;
}

void SetColor(Node& node, int32_t input, double r, double g, double b)
{
    double* c = node.params[input].value.components;
    c[0] = r;
    c[1] = g;
    c[2] = b;
}

// root <- screen(clamp(overlay(mix(incident(slope), add(velocity(time))), slope)),
//                pow(add)); diffuse <- pow, specular <- incident, luminosity <- time.
bool WriteTypicalGraph(const std::string& fileName)
{
    NodeList list;
    NRoot& root = Add<NRoot>(list);
    NTime& time = Add<NTime>(list);
    time.params[0].value.components[0] = 24.0;
    NVelocity& velocity = Add<NVelocity>(list);
    Link(velocity, 0, time);
    SetColor(velocity, 1, 0.01, 0.02, 0.03);
    NSlope& slope = Add<NSlope>(list);
    SetColor(slope, 2, 0.9, 0.8, 0.7);
    SetColor(slope, 3, 0.2, 0.3, 0.4);
    NIncident& incident = Add<NIncident>(list);
    Link(incident, 0, slope);
    SetColor(incident, 1, 0.1, 0.1, 0.2);
    NAdd& add = Add<NAdd>(list);
    Link(add, 0, velocity);
    SetColor(add, 1, 0.1, 0.2, 0.3);
    NMix& mix = Add<NMix>(list);
    Link(mix, 0, incident);
    Link(mix, 1, add);
    SetColor(mix, 2, 0.5, 0.5, 0.5);
    NOverlay& overlay = Add<NOverlay>(list);
    Link(overlay, 0, mix);
    Link(overlay, 1, slope);
    overlay.params[2].value.components[0] = 0.7;
    NClamp& clamp = Add<NClamp>(list);
    clamp.params[0].value.components[0] = 1.0;
    clamp.params[1].value.components[0] = 0.0;
    Link(clamp, 2, overlay);
    NPow& power = Add<NPow>(list);
    Link(power, 0, add);
    power.params[1].value.components[0] = 2.0;
    NScreen& screen = Add<NScreen>(list);
    Link(screen, 0, clamp);
    Link(screen, 1, power);
    Link(root, NRoot::kColor, screen);
    Link(root, NRoot::kDiffuse, power);
    Link(root, NRoot::kSpecular, incident);
    Link(root, NRoot::kLuminosity, time);

    FILE* file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr) return false;
    NFileStream stream(file);
    return list.Save(stream);
}

std::string graphFile;
NHandle* handle = nullptr;

ShadeRecord Sample(int64_t i)
{
    ShadeRecord r{};
    const double t = static_cast<double>(i % 1000) * 0.001;
    r.worldPos[0] = r.objectPos[0] = t;
    r.normal[0] = r.objectNormal[0] = t;
    r.normal[1] = r.objectNormal[1] = 1.0 - t;
    r.incident[2] = -1.0;
    r.frame = static_cast<double>(i % 240);
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

void DsoShade(benchmark::State& state)
{
    float result = 0.0f;
    const char* name = graphFile.c_str();
    float inputs[32] = {};
    float outputs[30] = {};
    void* argv[26];
    argv[0] = &result;
    argv[1] = &name;
    const int sizes[] = {3, 3, 3, 3, 3, 3, 1, 1, 3, 1, 1, 1, 1, 1};
    int at = 0;
    for (int k = 0; k < 14; ++k) {
        argv[2 + k] = &inputs[at];
        at += sizes[k];
    }
    for (int k = 0; k < 10; ++k) argv[16 + k] = &outputs[3 * k];
    inputs[7] = 1.0f;  // normal +Y
    inputs[26] = -1.0f;
    int64_t i = 0;
    dsoShade(nullptr, 25, argv);  // the first call loads the file
    const uint64_t before = allocations;
    for (auto _ : state) {
        inputs[0] = static_cast<float>(i % 1000) * 0.001f;
        inputs[27] = static_cast<float>(i++ % 240);  // frame
        dsoShade(nullptr, 25, argv);
        benchmark::DoNotOptimize(outputs[0]);
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
    char pattern[] = "/tmp/qm_bench_core_XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (dir == nullptr) return 1;
    graphFile = std::string(dir) + "/typical.shd";
    if (!WriteTypicalGraph(graphFile)) return 1;
    handle = QM_Load(graphFile.c_str());
    if (handle == nullptr) return 1;
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
    std::filesystem::remove_all(dir);
    return 0;
}
