// Many renderer threads at once: eight threads evaluate a shared handle and
// handles of their own while another thread rewrites the shared file,
// begins renders (which reload it) and opens and closes handles. Every
// record must come from one whole version of the graph.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <qm_core.h>

#include "core_test_support.h"
#include "shader_files.h"

namespace {

using namespace shaderfiles;

constexpr int kThreads = 8;
constexpr int kSamples = 1500;
constexpr int kRounds = 30;  // the writer's rounds every evaluator outlasts
const double kVersions[] = {0.25, 0.5, 1.0};

bool IsVersion(double s)
{
    for (const double v : kVersions) {
        if (s == v) return true;
    }
    return false;
}

// The shade outputs of LinkedGraph(s), all derived from the one s.
bool Whole(const ShadeRecord& r)
{
    const double s = r.diffuse;
    return IsVersion(s) && r.transparency == s && r.color[0] == s + 0.5 &&
           r.color[1] == 2 * s + 0.5 && r.color[2] == 3 * s + 0.5 && r.specular == 0.25 &&
           r.eta == 1.0 && r.bumpTexture == 0.0;
}

TEST(CoreConcurrency, EvaluationsNeverSeeHalfAGraph)
{
    TempDir dir;
    const std::string shared = dir.File("shared.shd");
    std::vector<std::string> versions;
    for (const double v : kVersions) {
        versions.push_back(dir.File("version_" + std::to_string(versions.size()) + ".shd"));
        ASSERT_TRUE(Write(versions.back(), LinkedGraph, v));
    }
    ASSERT_TRUE(Write(shared, LinkedGraph, kVersions[0]));
    NHandle* sharedHandle = QM_Load(shared.c_str());
    ASSERT_NE(sharedHandle, nullptr);
    QM_BeginRender(sharedHandle);

    std::atomic<int> torn{0};
    std::atomic<int> running{kThreads};
    std::atomic<int> rounds{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        const std::string own = dir.File("own_" + std::to_string(t) + ".shd");
        ASSERT_TRUE(Write(own, LinkedGraph, kVersions[t % 3]));
        threads.emplace_back([&, own] {
            NHandle* mine = QM_Load(own.c_str());
            NHandle* common = QM_Copy(sharedHandle);
            QM_BeginRender(mine);
            for (int i = 0; i < kSamples || rounds.load() < kRounds; ++i) {
                ShadeRecord r = coretest::Sample();
                QM_EvalShade(i % 2 ? common : mine, &r);
                if (!Whole(r)) ++torn;
            }
            QM_EndRender(mine);
            QM_Close(common);
            QM_Close(mine);
            --running;
        });
    }

    // The other thread: replace the shared file by whole versions (rename is
    // atomic), touch it, begin renders that reload it, open and close.
    std::thread writer([&] {
        long time = 1'000'000'000;
        int round = 0;
        while (running.load() > 0) {
            const std::string next = shared + ".next";
            {
                std::FILE* in = std::fopen(versions[round % 3].c_str(), "rb");
                std::FILE* out = std::fopen(next.c_str(), "wb");
                if (in && out) {
                    char buffer[4096];
                    size_t n = 0;
                    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
                        std::fwrite(buffer, 1, n, out);
                    }
                }
                if (in) std::fclose(in);
                if (out) std::fclose(out);
            }
            SetFileTime(next, time += 10);
            std::rename(next.c_str(), shared.c_str());
            QM_BeginRender(sharedHandle);
            NHandle* again = QM_Load(shared.c_str());
            NHandle* other = QM_Load(versions[round % 3].c_str());
            QM_Close(other);
            QM_Close(again);
            QM_EndRender(sharedHandle);
            ++round;
            ++rounds;
        }
    });

    for (auto& thread : threads) thread.join();
    writer.join();
    EXPECT_EQ(torn.load(), 0);

    ShadeRecord r = coretest::Sample();
    QM_EvalShade(sharedHandle, &r);
    EXPECT_TRUE(Whole(r));
    QM_EndRender(sharedHandle);
    QM_Close(sharedHandle);
}

}  // namespace
