// Evaluation of the typical sample shader (examples/typical.shd: a root fed by
// noises, a turbulence, a compose, blends, a slope and a time node) the way a
// renderer drives a graph: BeginRender, then per sample ClearEvaluated on the
// root and EvaluateParam on each of its inputs, stored into the root's
// outputs, then EndRender. One iteration is one million samples.
//
// Reports samples per second and heap allocations per sample: this program
// replaces the global operator new and delete with counting versions, and
// the count is taken around the sample loop only.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "model/node_list.h"
#include "model/node_stream.h"
#include "registry/globals.h"
#include "startup/engine_startup.h"
#include "typical_shader.h"

namespace {

std::atomic<uint64_t> allocations{0};

void* Allocate(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void* AllocateAligned(std::size_t size, std::align_val_t align)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    const std::size_t a = static_cast<std::size_t>(align);
    const std::size_t rounded = ((size == 0 ? 1 : size) + a - 1) / a * a;
    if (void* p = std::aligned_alloc(a, rounded)) {
        return p;
    }
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size)
{
    return Allocate(size);
}
void* operator new[](std::size_t size)
{
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t align)
{
    return AllocateAligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align)
{
    return AllocateAligned(size, align);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}

namespace {

constexpr int64_t kSamples = 1000000;

// Sample positions and normals over a small patch of surface, varied by a
// fixed sequence; the frame advances every 100000 samples.
class SampleSource {
public:
    void Fill(EvalContext& c, int64_t n)
    {
        const double a = Next() * 8.0 - 4.0;
        const double b = Next() * 8.0 - 4.0;
        const double h = Next() * 2.0 - 1.0;
        c.objectPos[0] = a;
        c.objectPos[1] = h;
        c.objectPos[2] = b;
        c.worldPos[0] = a * 0.5 + 10.0;
        c.worldPos[1] = h * 0.5 - 3.0;
        c.worldPos[2] = b * 0.5 + 1.0;
        const double nx = Next() - 0.5;
        const double nz = Next() - 0.5;
        c.normal[0] = c.objectNormal[0] = c.baseNormal[0] = c.objectBaseNormal[0] = nx;
        c.normal[1] = c.objectNormal[1] = c.baseNormal[1] = c.objectBaseNormal[1] = 1.0;
        c.normal[2] = c.objectNormal[2] = c.baseNormal[2] = c.objectBaseNormal[2] = nz;
        c.incident[0] = 0.0;
        c.incident[1] = -0.6;
        c.incident[2] = -0.8;
        c.u = (a + 4.0) / 8.0;
        c.v = (b + 4.0) / 8.0;
        c.frame = static_cast<double>(n / 100000);
        c.filterSize = c.objectFilterSize = 0.001;
        c.du = c.dv = 0.001;
    }

private:
    double Next()
    {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state_ >> 11) * (1.0 / 9007199254740992.0);
    }
    uint64_t state_ = 0x2545F4914F6CDD1Dull;
};

void BM_TypicalGraph(benchmark::State& state)
{
    const EngineStartup engine;
    {
        NodeList list;
        Node* root = nullptr;
        const uint64_t beforeLoad = allocations.load(std::memory_order_relaxed);
        const bool loaded = LoadTypical(list);
        // Shows that the counting allocator is in place: loading allocates.
        const uint64_t loadAllocations = allocations.load(std::memory_order_relaxed) - beforeLoad;
        if (!loaded || (root = list.FindRoot()) == nullptr) {
            state.SkipWithError("cannot load " QM_EXAMPLES_DIR "/typical.shd");
        } else {
            uint64_t counted = 0;
            double checksum = 0.0;
            for (auto _ : state) {
                SampleSource samples;
                EvalContext c{};
                list.BeginRender();
                const uint64_t before = allocations.load(std::memory_order_relaxed);
                for (int64_t n = 0; n < kSamples; ++n) {
                    samples.Fill(c, n);
                    root->ClearEvaluated();
                    for (int32_t i = 0; i < root->paramCount; ++i) {
                        const NodeData v = root->EvaluateParam(root->params[i], &c);
                        std::memcpy(root->outputs[i].value.components, v.components,
                                    sizeof v.components);
                    }
                    checksum += root->outputs[0].value.components[0];
                }
                counted += allocations.load(std::memory_order_relaxed) - before;
                list.EndRender();
            }
            benchmark::DoNotOptimize(checksum);
            const double samplesRun = static_cast<double>(state.iterations() * kSamples);
            state.counters["samples_per_second"] =
                benchmark::Counter(samplesRun, benchmark::Counter::kIsRate);
            state.counters["allocations_per_sample"] = static_cast<double>(counted) / samplesRun;
            state.counters["allocations_to_load"] = static_cast<double>(loadAllocations);
        }
    }
}

BENCHMARK(BM_TypicalGraph)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
