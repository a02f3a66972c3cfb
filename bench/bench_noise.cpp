// Per-call time of the granulix functions over a fixed set of varied points,
// and of libnoise's gradient coherent noise and Voronoi module on the same
// points when libnoise is available.
#include <benchmark/benchmark.h>

#include "bench_points.h"
#include "granulix.h"

#ifdef QM_HAVE_LIBNOISE
#include <noise.h>
#endif

namespace {

using benchpoints::PerPoint;

void BM_pnoise3(benchmark::State& s)
{
    PerPoint(s, [](const double* p) { return pnoise3(p); });
}
void BM_fBm4(benchmark::State& s)
{
    PerPoint(s, [](const double* p) { return fBm(p, 4, 2.0, 0.5); });
}
void BM_turbulence4(benchmark::State& s)
{
    PerPoint(s, [](const double* p) { return turbulence(p, 4, 2.0, 0.5); });
}
void BM_multifractal4(benchmark::State& s)
{
    PerPoint(s, [](const double* p) { return multifractal(p, 4, 2.0, 0.5, 0.7); });
}
void BM_vnoise(benchmark::State& s)
{
    PerPoint(s, [](const double* p) { return vnoise(p); });
}
void BM_gnoise(benchmark::State& s)
{
    PerPoint(s, [](const double* p) { return gnoise(p); });
}
void BM_vcnoise(benchmark::State& s)
{
    PerPoint(s, [](const double* p) { return vcnoise(p); });
}
void BM_scnoise(benchmark::State& s)
{
    PerPoint(s, [](const double* p) { return scnoise(p); });
}
void BM_voronoi_f1f2(benchmark::State& s)
{
    PerPoint(s, [](const double* p) {
        double f1, f2, pos1[3], pos2[3];
        voronoi_f1f2(p, 1.0, &f1, pos1, &f2, pos2);
        return f1 + f2;
    });
}
void BM_crumple4(benchmark::State& s)
{
    PerPoint(s, [](const double* p) { return crumple(p, 1.0, 4, 2.0, 0.5); });
}
void BM_cellnoise3(benchmark::State& s)
{
    PerPoint(s, [](const double* p) { return cellnoise3(p); });
}

BENCHMARK(BM_pnoise3);
BENCHMARK(BM_fBm4);
BENCHMARK(BM_turbulence4);
BENCHMARK(BM_multifractal4);
BENCHMARK(BM_vnoise);
BENCHMARK(BM_gnoise);
BENCHMARK(BM_vcnoise);
BENCHMARK(BM_scnoise);
BENCHMARK(BM_voronoi_f1f2);
BENCHMARK(BM_crumple4);
BENCHMARK(BM_cellnoise3);

#ifdef QM_HAVE_LIBNOISE
void BM_libnoise_GradientCoherentNoise3D(benchmark::State& s)
{
    PerPoint(s, [](const double* p) {
        return noise::GradientCoherentNoise3D(p[0], p[1], p[2], 0, noise::QUALITY_STD);
    });
}
void BM_libnoise_Voronoi(benchmark::State& s)
{
    noise::module::Voronoi voronoi;
    voronoi.EnableDistance(true);
    PerPoint(s, [&voronoi](const double* p) { return voronoi.GetValue(p[0], p[1], p[2]); });
}
BENCHMARK(BM_libnoise_GradientCoherentNoise3D);
BENCHMARK(BM_libnoise_Voronoi);
#endif

}  // namespace

BENCHMARK_MAIN();
