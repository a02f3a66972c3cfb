// The editor's material preview of the typical sample shader
// (examples/typical.shd): the large Render-tab preview at 256 x 256 with
// anti-aliasing (2 x 2 samples per pixel, 262,144 samples) and a 64 x 64
// node thumbnail with one sample per pixel.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "image/dib24.h"
#include "material_preview.h"
#include "model/node_list.h"
#include "registry/globals.h"
#include "startup/engine_startup.h"
#include "typical_shader.h"

namespace {

void RenderTypical(benchmark::State& state, int size, int32_t samplesPerAxis)
{
    const EngineStartup engine;
    NodeList list;
    Node* root = nullptr;
    if (!LoadTypical(list) || (root = list.FindRoot()) == nullptr) {
        state.SkipWithError("cannot load " QM_EXAMPLES_DIR "/typical.shd");
        return;
    }
    dib24 target(size, size, 24);
    for (auto _ : state) {
        RenderPreview(&target, samplesPerAxis, root, &list);
        benchmark::DoNotOptimize(target.bits[0]);
    }
    const double samples =
        static_cast<double>(state.iterations()) * size * size * samplesPerAxis * samplesPerAxis;
    state.counters["samples_per_second"] = benchmark::Counter(samples, benchmark::Counter::kIsRate);
}

void BM_PreviewLarge(benchmark::State& state)
{
    RenderTypical(state, 256, 2);
}
void BM_PreviewThumbnail(benchmark::State& state)
{
    RenderTypical(state, 64, 1);
}

BENCHMARK(BM_PreviewLarge)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
