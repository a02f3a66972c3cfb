// The points the noise benchmarks sample, and the loop that times one call
// per point.
#pragma once

#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace benchpoints {

using Point = std::array<double, 3>;

// 4096 points spread over [-64, 64)^3 by a fixed linear congruential sequence.
inline const std::vector<Point>& Points()
{
    static const std::vector<Point> points = [] {
        std::vector<Point> v(4096);
        uint64_t s = 0x2545F4914F6CDD1Dull;
        auto next = [&s] {
            s = s * 6364136223846793005ull + 1442695040888963407ull;
            return static_cast<double>(s >> 11) * (1.0 / 9007199254740992.0) * 128.0 - 64.0;
        };
        for (Point& p : v) p = {next(), next(), next()};
        return v;
    }();
    return points;
}

// Runs f(point) once per iteration, cycling through the points.
template <class F>
void PerPoint(benchmark::State& state, F f)
{
    const std::vector<Point>& pts = Points();
    const size_t mask = pts.size() - 1;
    f(pts[0].data());  // builds the tables outside the timing
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f(pts[i & mask].data()));
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace benchpoints
