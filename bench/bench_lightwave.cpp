// QM_Shader.p's per-sample cost: the shader handler's evaluate call, driven
// by a fake LightWave host (loaded at run time like a host loads it), on
// examples/typical.shd with its bump link and on a copy without it, against
// QM_EvalShade alone; on UV-mapped meshes of 100 and of 100,000 quads. A UV
// lookup finds its polygon through an index by id, with no search that grows
// with the mesh; the large mesh still costs a little more when the samples
// jump at random over it, as they then miss the caches. Samples are spread at
// random over the mesh (mesh 0: 100 quads, mesh 1: 100,000 quads), or, on
// the large mesh, taken in polygon order as a renderer's neighbouring
// samples mostly are (mesh 2). FirstSampleOfAFrame is the UV cache's rebuild
// of the large mesh after each new frame.
//
//   bench_lightwave --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <qm_core.h>

#include "lw_fake_host.h"
#include "nodes/root_node.h"
#include "startup/engine_startup.h"
#include "typical_shader.h"

namespace {

using lwtest::FakeHost;
using lwtest::FakeMesh;
using lwtest::FakeTexture;
using lwtest::Module;

const std::string kTypical = std::string(QM_EXAMPLES_DIR) + "/typical.shd";
constexpr uint32_t kSurface = 7;
constexpr uint32_t kSmallObject = 1;
constexpr uint32_t kLargeObject = 2;
constexpr int kSamples = 4096;

// A grid of columns x rows unit quads in the plane y = 0, mapped onto the
// unit square; polygon ids count from 1000.
struct Grid {
    Grid(int columns, int rows) : columns(columns), rows(rows)
    {
        for (int r = 0; r <= rows; ++r) {
            for (int c = 0; c <= columns; ++c) {
                mesh.AddPoint(static_cast<float>(c), 0.0f, static_cast<float>(r),
                              static_cast<float>(c) / static_cast<float>(columns),
                              static_cast<float>(r) / static_cast<float>(rows));
            }
        }
        const auto point = [&](int c, int r) {
            return FakeMesh::kFirstPoint + static_cast<uint32_t>(r * (columns + 1) + c);
        };
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                mesh.AddPolygon(
                    Id(c, r), {point(c, r), point(c + 1, r), point(c + 1, r + 1), point(c, r + 1)});
            }
        }
    }
    uint32_t Id(int c, int r) const { return 1000 + static_cast<uint32_t>(r * columns + c); }

    int map = 0;
    int columns;
    int rows;
    FakeMesh mesh{&map};
};

// Samples spread over the whole grid, each inside its polygon; in polygon
// order when sorted.
std::vector<ShaderAccess> SamplesOn(const Grid& grid, uint32_t object, bool sorted)
{
    std::vector<ShaderAccess> samples;
    uint64_t state = 0x2545F4914F6CDD1Dull;
    const auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) * (1.0 / 9007199254740992.0);
    };
    for (int i = 0; i < kSamples; ++i) {
        const int c = static_cast<int>(next() * grid.columns);
        const int r = static_cast<int>(next() * grid.rows);
        samples.push_back(
            lwtest::Access(object, grid.Id(c, r), c + next(), 0.0, r + next(), 0.001));
    }
    if (sorted) {
        std::sort(samples.begin(), samples.end(), [](const ShaderAccess& a, const ShaderAccess& b) {
            return a.polygon < b.polygon;
        });
    }
    return samples;
}

// The typical shader with its bump texture unlinked, written next to nothing
// else in a temporary directory.
std::string TypicalWithoutBump()
{
    const EngineStartup engine;
    NodeList list;
    Node* root = LoadTypical(list) ? list.FindRoot() : nullptr;
    if (root == nullptr) return "";
    root->params[NRoot::kBumpTexture].source = nullptr;
    char pattern[] = "/tmp/qm_bench_lightwave_XXXXXX";
    if (mkdtemp(pattern) == nullptr) return "";
    const std::string name = std::string(pattern) + "/typical_no_bump.shd";
    FILE* out = std::fopen(name.c_str(), "wb");
    if (out == nullptr) return "";
    NFileStream writer(out);
    list.Save(writer);
    return name;
}

struct Scene {
    FakeHost host;
    Grid small{10, 10};
    Grid large{400, 250};
    FakeTexture texture;
    Module module;
    void* withBump = nullptr;
    void* withoutBump = nullptr;
    std::vector<ShaderAccess> samples[3];  // by mesh argument
};
Scene* scene = nullptr;

// An instance on the benchmarks' surface with the file set and a render
// begun; null, with a message, when init got no shader handle for it, since
// its evaluate would return at once and time nothing.
void* LoadedInstance(const std::string& file)
{
    Module& m = scene->module;
    void* instance = m.inst.create(nullptr, reinterpret_cast<void*>(uintptr_t{kSurface}), nullptr);
    InterfaceLocal ui{instance, nullptr, nullptr, nullptr};
    if (m.Activate("ShaderInterface", 4, &ui) != 0) return nullptr;
    scene->host.panelLog.set(instance, QM_LW_ID_FILE_NAME, const_cast<char*>(file.c_str()));
    m.rend.init(instance, 0);
    // Only an instance with a handle writes a sample's colour.
    ShaderAccess probe = lwtest::Access(kSmallObject, scene->small.Id(0, 0), 0.5, 0.0, 0.5, 0.001);
    m.local.evaluate(instance, &probe);
    if (lwtest::Untouched(probe.color[0])) {
        std::fprintf(stderr, "init got no shader handle for %s\n", file.c_str());
        m.rend.cleanup(instance);
        m.inst.destroy(instance);
        return nullptr;
    }
    return instance;
}

// args: the mesh (see the top), and 0 or 1 for the bump link.
void ShaderEvaluate(benchmark::State& state)
{
    void* instance = state.range(1) != 0 ? scene->withBump : scene->withoutBump;
    const std::vector<ShaderAccess>& samples = scene->samples[state.range(0)];
    scene->module.rend.newTime(instance, 1, 0.0);
    ShaderAccess warm = samples[0];
    scene->module.local.evaluate(instance, &warm);  // builds the mesh's UV data
    size_t i = 0;
    for (auto _ : state) {
        ShaderAccess a = samples[i++ % samples.size()];
        scene->module.local.evaluate(instance, &a);
        benchmark::DoNotOptimize(a.color[0]);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ShaderEvaluate)->ArgNames({"mesh", "bump"})->ArgsProduct({{0, 1, 2}, {0, 1}});

// The same samples as qm_core records, evaluated directly.
void EvalShadeAlone(benchmark::State& state)
{
    NHandle* handle = QM_Load(kTypical.c_str());
    QM_BeginRender(handle);
    std::vector<ShadeRecord> records;
    for (const ShaderAccess& a : scene->samples[1]) {
        ShadeRecord r{};
        for (int c = 0; c < 3; ++c) {
            r.worldPos[c] = a.wPos[c];
            r.objectPos[c] = a.oPos[c];
            r.normal[c] = r.objectNormal[c] = r.baseNormal[c] = r.objectBaseNormal[c] =
                a.worldNormal[c];
        }
        r.incident[1] = -1.0;
        r.u = a.oPos[0] / 400.0;
        r.v = 1.0 - a.oPos[2] / 250.0;
        r.frame = 1.0;
        r.filterSize = r.objectFilterSize = 0.001;
        r.du = r.dv = 0.001;
        records.push_back(r);
    }
    size_t i = 0;
    for (auto _ : state) {
        ShadeRecord r = records[i++ % records.size()];
        QM_EvalShade(handle, &r);
        benchmark::DoNotOptimize(r.color[0]);
    }
    state.SetItemsProcessed(state.iterations());
    QM_EndRender(handle);
    QM_Close(handle);
}
BENCHMARK(EvalShadeAlone);

// A new frame empties the UV cache; the next sample of the mesh scans it
// again (the 100,000-quad mesh here).
void FirstSampleOfAFrame(benchmark::State& state)
{
    for (auto _ : state) {
        scene->module.rend.newTime(scene->withoutBump, 1, 0.0);
        ShaderAccess a = scene->samples[1][0];
        scene->module.local.evaluate(scene->withoutBump, &a);
        benchmark::DoNotOptimize(a.color[0]);
    }
}
BENCHMARK(FirstSampleOfAFrame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    const std::string noBump = TypicalWithoutBump();
    if (noBump.empty()) {
        std::fprintf(stderr, "cannot write a copy of %s\n", kTypical.c_str());
        return 1;
    }
    auto owned = std::make_unique<Scene>();
    scene = owned.get();
    scene->host.meshes[kSmallObject] = &scene->small.mesh;
    scene->host.meshes[kLargeObject] = &scene->large.mesh;
    // One UV layer; both grids answer for the same map tag.
    scene->large.mesh.uvMap = &scene->small.map;
    scene->texture.layers = {{0, QM_LW_PROJECTION_UV, &scene->small.map}};
    scene->host.textures[kSurface] = &scene->texture;
    if (scene->module.lib == nullptr || !scene->module.ActivateHandler()) {
        std::fprintf(stderr, "cannot load %s: %s\n", QM_SHADER_MODULE, dlerror());
        return 1;
    }
    scene->withBump = LoadedInstance(kTypical);
    scene->withoutBump = LoadedInstance(noBump);
    scene->samples[0] = SamplesOn(scene->small, kSmallObject, false);
    scene->samples[1] = SamplesOn(scene->large, kLargeObject, false);
    scene->samples[2] = SamplesOn(scene->large, kLargeObject, true);
    if (scene->withBump == nullptr || scene->withoutBump == nullptr) return 1;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    for (void* instance : {scene->withBump, scene->withoutBump}) {
        scene->module.rend.cleanup(instance);
        scene->module.inst.destroy(instance);
    }
    owned.reset();
    std::remove(noBump.c_str());
    std::remove(noBump.substr(0, noBump.rfind('/')).c_str());
    return 0;
}
