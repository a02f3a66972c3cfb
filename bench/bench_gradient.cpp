// Gradients of 2, 5,000 and 40,000 keys: one lookup (Gradient::GetColor with
// alpha) as a gradient node makes it once per sample, and one whole shading
// sample of a graph whose root takes its colour from a colour gradient fed by
// a noise, driven as a renderer drives it. The keys are stored in shuffled
// order at distinct positions spread over 0..1, and read from a stored block
// as a file gives them; the lookups' positions are spread over the same range
// in a scattered order.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "gradient/gradient.h"
#include "gradient/gradient_nodes.h"
#include "model/node_list.h"
#include "model/node_stream.h"
#include "nodes/noise_nodes.h"
#include "nodes/root_node.h"
#include "startup/engine_startup.h"

namespace {

constexpr size_t kSamples = 4096;  // a power of two

void Fill(Gradient& gradient, int32_t count)
{
    std::mt19937_64 random(static_cast<uint64_t>(count));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> positions(static_cast<size_t>(count));
    for (size_t i = 0; i < positions.size(); ++i) {
        positions[i] = static_cast<double>(i) / static_cast<double>(count - 1);
    }
    std::shuffle(positions.begin(), positions.end(), random);

    NBufferStream block(1024);
    block.WriteInt(count);
    for (const double position : positions) {
        block.WriteDouble(unit(random));
        block.WriteDouble(unit(random));
        block.WriteDouble(unit(random));
        block.WriteDouble(unit(random));
        block.WriteDouble(position);
    }
    block.position = 0;
    gradient.Load(block);
}

void BM_GradientSample(benchmark::State& state)
{
    Gradient gradient;
    Fill(gradient, static_cast<int32_t>(state.range(0)));
    std::mt19937_64 random(1);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> xs(kSamples);
    for (double& x : xs) {
        x = unit(random);
    }

    size_t i = 0;
    for (auto _ : state) {
        double rgb[3];
        double alpha;
        gradient.GetColor(xs[i], rgb, &alpha);
        benchmark::DoNotOptimize(rgb);
        benchmark::DoNotOptimize(alpha);
        i = (i + 1) & (kSamples - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

// root "color" <- colour gradient "input" <- noise at the object position.
void BM_GradientShade(benchmark::State& state)
{
    const EngineStartup engine;
    NodeList list;
    list.nodes.push_back(NRoot::New());
    list.nodes.push_back(NGradientC::New());
    list.nodes.push_back(NNoise::New());
    Node& root = *list.nodes[0];
    auto& gradient = static_cast<NGradientC&>(*list.nodes[1]);
    Fill(*gradient.gradient, static_cast<int32_t>(state.range(0)));
    root.params[NRoot::kColor].source = &gradient;
    gradient.params[1].source = list.nodes[2].get();  // "input"

    std::mt19937_64 random(2);
    std::uniform_real_distribution<double> span(-4.0, 4.0);
    std::vector<EvalContext> samples(kSamples);
    for (EvalContext& c : samples) {
        c.objectPos[0] = span(random);
        c.objectPos[1] = span(random);
        c.objectPos[2] = span(random);
        c.normal[1] = c.objectNormal[1] = c.baseNormal[1] = c.objectBaseNormal[1] = 1.0;
        c.filterSize = c.objectFilterSize = c.du = c.dv = 0.001;
    }

    list.BeginRender();
    size_t i = 0;
    for (auto _ : state) {
        root.ClearEvaluated();
        for (int32_t p = 0; p < root.paramCount; ++p) {
            const NodeData v = root.EvaluateParam(root.params[p], &samples[i]);
            benchmark::DoNotOptimize(v.components);
        }
        i = (i + 1) & (kSamples - 1);
    }
    list.EndRender();
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_GradientSample)->Arg(2)->Arg(5000)->Arg(40000);
BENCHMARK(BM_GradientShade)->Arg(2)->Arg(5000)->Arg(40000);

BENCHMARK_MAIN();
