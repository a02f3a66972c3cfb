// The Voronoi search against its reference (the search before it was split
// into a candidate phase and a selection phase), both compiled into this
// program from the library's own objects, so that one run times both under
// the same conditions. The points are bench_noise's; libnoise's Voronoi is
// timed there beside the exported voronoi_f1f2.
//
//   bench_voronoi --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include "bench_points.h"
#include "granulix.h"
#include "voronoi_reference.h"

namespace {

using benchpoints::PerPoint;

void BM_voronoi_f1f2(benchmark::State& s)
{
    PerPoint(s, [](const double* p) {
        double f1, f2, pos1[3], pos2[3];
        voronoi_f1f2(p, 1.0, &f1, pos1, &f2, pos2);
        return f1 + f2 + pos1[0] + pos2[0];
    });
}
void BM_voronoi_f1f2_reference(benchmark::State& s)
{
    PerPoint(s, [](const double* p) {
        double f1, f2, pos1[3], pos2[3];
        voronoi_reference::f1f2(p, 1.0, &f1, pos1, &f2, pos2);
        return f1 + f2 + pos1[0] + pos2[0];
    });
}
void BM_voronoi_f1(benchmark::State& s)
{
    PerPoint(s, [](const double* p) {
        double f1, pos1[3];
        voronoi_f1(p, 1.0, &f1, pos1);
        return f1 + pos1[0];
    });
}
void BM_voronoi_f1_reference(benchmark::State& s)
{
    PerPoint(s, [](const double* p) {
        double f1, pos1[3];
        voronoi_reference::f1(p, 1.0, &f1, pos1);
        return f1 + pos1[0];
    });
}

BENCHMARK(BM_voronoi_f1f2);
BENCHMARK(BM_voronoi_f1f2_reference);
BENCHMARK(BM_voronoi_f1);
BENCHMARK(BM_voronoi_f1_reference);

}  // namespace

BENCHMARK_MAIN();
