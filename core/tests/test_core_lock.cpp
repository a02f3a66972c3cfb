// qm_core evaluates one sample at a time in the whole process: node plug-ins
// and the image cache rely on it. A sample node plug-in ("overlap probe")
// counts its calls that run while another of its calls is running; qm_core,
// loaded as a host loads it with the probe in its plug-in home, is driven by
// many threads at once over shared and separate handles with every export
// that reaches the graph, and the probe must never see two calls meet.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <qm_core.h>

#include "graph_test_support.h"
#include "model/eval_context.h"
#include "nodes/root_node.h"
#include "registry/node_factory.h"
#include "shader_files.h"

namespace {

using graph_test::InputRecord;
using graph_test::StreamBuilder;

// The exports of one load of the library.
struct CoreApi {
    explicit CoreApi(const std::string& home)
    {
        setenv("QMERE_HOME", home.c_str(), 1);
        library = dlopen(QM_CORE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        unsetenv("QMERE_HOME");
        if (library == nullptr) return;
        Bind(load, "QM_Load");
        Bind(copy, "QM_Copy");
        Bind(close, "QM_Close");
        Bind(beginRender, "QM_BeginRender");
        Bind(endRender, "QM_EndRender");
        Bind(evalShade, "QM_EvalShade");
        Bind(evalBump, "QM_EvalBump");
        Bind(evalUser, "QM_EvalUser");
    }
    ~CoreApi()
    {
        if (library != nullptr) dlclose(library);
    }
    CoreApi(const CoreApi&) = delete;
    CoreApi& operator=(const CoreApi&) = delete;

    template <typename F>
    void Bind(F& function, const char* name)
    {
        function = reinterpret_cast<F>(dlsym(library, name));
        ready = ready && function != nullptr;
    }

    void* library = nullptr;
    bool ready = true;
    NHandle* (*load)(const char*) = nullptr;
    NHandle* (*copy)(NHandle*) = nullptr;
    void (*close)(NHandle*) = nullptr;
    void (*beginRender)(NHandle*) = nullptr;
    void (*endRender)(NHandle*) = nullptr;
    void (*evalShade)(NHandle*, ShadeRecord*) = nullptr;
    void (*evalBump)(NHandle*, ShadeRecord*) = nullptr;
    void (*evalUser)(NHandle*, ShadeRecord*) = nullptr;
};

// A plug-in home holding the probe in its Node/ folder.
struct ProbeHome {
    ProbeHome()
    {
        std::filesystem::create_directory(dir.File("Node"));
        std::filesystem::copy_file(QM_FIXTURE_OVERLAP_PLUGIN, dir.File("Node/overlap_probe.so"));
    }
    shaderfiles::TempDir dir;
};

// A material whose colour and first user colour are the probe's counts and
// whose bump texture is its number of calls, so that every evaluation
// export runs the probe.
bool WriteProbeShader(const std::string& fileName)
{
    std::vector<InputRecord> root(NRoot::kPortCount);
    root[NRoot::kColor] = {2, 0, {}, ""};
    root[NRoot::kBumpTexture] = {2, 1, {}, ""};
    root[NRoot::kUser1] = {2, 0, {}, ""};
    const graph_test::Bytes bytes = StreamBuilder()
                                        .Int(2)
                                        .Record("Root", "root", root)
                                        .Record("Test", "overlap probe", {})
                                        .Done();
    FILE* file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

struct Counts {
    double overlaps;
    double calls;
};

Counts ReadCounts(const CoreApi& core, NHandle* h)
{
    ShadeRecord r{};
    core.evalShade(h, &r);
    return {r.color[0], r.color[1]};
}

TEST(CoreLock, NoTwoThreadsEverRunTheGraphAtOnce)
{
    ProbeHome home;
    const std::string shared = home.dir.File("shared.shd");
    ASSERT_TRUE(WriteProbeShader(shared));
    CoreApi core(home.dir.path);
    ASSERT_NE(core.library, nullptr) << dlerror();
    ASSERT_TRUE(core.ready);
    NHandle* sharedHandle = core.load(shared.c_str());
    ASSERT_NE(sharedHandle, nullptr);
    core.beginRender(sharedHandle);
    const Counts before = ReadCounts(core, sharedHandle);
    EXPECT_GE(before.calls, 1.0) << "the probe did not run: it is not in the graph";

    constexpr int kThreads = 8;
    constexpr int kSamples = 600;
    std::atomic<int> running{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        const std::string own = home.dir.File("own_" + std::to_string(t) + ".shd");
        ASSERT_TRUE(WriteProbeShader(own));
        threads.emplace_back([&, own] {
            NHandle* mine = core.load(own.c_str());
            NHandle* common = core.copy(sharedHandle);
            core.beginRender(mine);
            for (int i = 0; i < kSamples; ++i) {
                NHandle* h = i % 2 ? common : mine;
                ShadeRecord r{};
                switch (i % 3) {
                case 0:
                    core.evalShade(h, &r);
                    break;
                case 1:
                    core.evalBump(h, &r);
                    break;
                default:
                    core.evalUser(h, &r);
                    break;
                }
            }
            core.endRender(mine);
            core.close(common);
            core.close(mine);
            --running;
        });
    }
    // Renders begin and end, and handles open and close, in between.
    std::thread other([&] {
        const std::string extra = home.dir.File("extra.shd");
        WriteProbeShader(extra);
        while (running.load() > 0) {
            core.beginRender(sharedHandle);
            NHandle* h = core.load(extra.c_str());
            core.beginRender(h);
            core.endRender(h);
            core.close(h);
            core.endRender(sharedHandle);
        }
    });
    for (auto& thread : threads) thread.join();
    other.join();

    const Counts after = ReadCounts(core, sharedHandle);
    EXPECT_EQ(after.overlaps - before.overlaps, 0.0);
    EXPECT_GE(after.calls - before.calls, kThreads * kSamples);
    core.endRender(sharedHandle);
    core.close(sharedHandle);
}

// The probe itself: two nodes of it evaluated on two threads at once, with
// no lock around them, do meet (given time, on a busy machine).
TEST(CoreLock, TheProbeSeesCallsThatMeet)
{
    ProbeHome home;
    NodeFactory factory(NodeFactory::kEmpty);
    LoadNodePlugins(home.dir.path + "/", factory);
    const Node* prototype = factory.Find("overlap probe", "Test");
    ASSERT_NE(prototype, nullptr);
    std::unique_ptr<Node> nodes[2] = {prototype->Create(), prototype->Create()};
    const EvalContext context{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::atomic<bool> met{false};
    std::vector<std::thread> threads;
    for (auto& node : nodes) {
        threads.emplace_back([&, n = node.get()] {
            while (!met.load() && std::chrono::steady_clock::now() < deadline) {
                n->Evaluate(context);
                if (n->outputs[0].value.components[0] > 0.0) met = true;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    nodes[0]->Evaluate(context);
    const double* counts = nodes[0]->outputs[0].value.components;
    EXPECT_GT(counts[0], 0.0) << "no overlap seen";
    EXPECT_EQ(counts[2], 2.0);  // the most calls inside at once
}

}  // namespace
