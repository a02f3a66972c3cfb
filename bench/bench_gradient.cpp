// One gradient lookup (Gradient::GetColor with alpha) through gradients of
// 2, 5,000 and 40,000 keys, as a gradient node makes it once per sample. The
// keys are stored in shuffled order at distinct positions spread over 0..1,
// and read from a stored block as a file gives them; the samples are spread
// over the same range in a scattered order.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "gradient/gradient.h"
#include "model/node_stream.h"

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

}  // namespace

BENCHMARK(BM_GradientSample)->Arg(2)->Arg(5000)->Arg(40000);

BENCHMARK_MAIN();
