// Eight host threads evaluate samples at once while a ninth keeps starting
// new frames, which empties the UV cache under them. Every sample must come
// out as it does alone: texture coordinates, footprint and surface values.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "lw_test_support.h"

namespace {

using namespace lwtest;

constexpr int kThreads = 8;
constexpr int kRounds = 40;
constexpr int kFrame = 5;

struct Expected {
    void* instance;
    ShaderAccess access;
    double u, v, du, dv;
    double color[3];
    double normal[3];
};

bool Same(const Expected& e, const ShadeRecord& r, const ShaderAccess& a)
{
    return r.u == e.u && r.v == e.v && r.du == e.du && r.dv == e.dv && a.color[0] == e.color[0] &&
           a.color[1] == e.color[1] && a.color[2] == e.color[2] &&
           a.worldNormal[0] == e.normal[0] && a.worldNormal[1] == e.normal[1] &&
           a.worldNormal[2] == e.normal[2];
}

using LwThreads = LwTest;

TEST_F(LwThreads, SamplesAtOnceWhileFramesChange)
{
    void* mapped = Loaded(kTypical);
    void* plain = Loaded(kTypical, kPlainSurface);
    module.rend.newTime(mapped, kFrame, 0.2);

    std::vector<Expected> samples;
    const double points[][3] = {{0.5, 0, 0.25}, {0.25, 0, 0.75}, {1.5, 0, 0.2}, {1.8, 0, 0.9}};
    for (void* instance : {mapped, plain}) {
        for (const uint32_t polygon : {kQuad, kSeam, kSeam2, kPentagon}) {
            for (const auto& p : points) {
                Expected e{
                    instance, Access(kObject, polygon, p[0], p[1], p[2], 0.03), 0, 0, 0, 0, {}, {}};
                ShaderAccess a = e.access;
                const ShadeRecord r = Shade(instance, a);
                e.u = r.u;
                e.v = r.v;
                e.du = r.du;
                e.dv = r.dv;
                std::copy(a.color, a.color + 3, e.color);
                std::copy(a.worldNormal, a.worldNormal + 3, e.normal);
                samples.push_back(e);
            }
        }
    }
    ASSERT_GT(samples.front().du, 0.0);

    std::atomic<int> wrong{0};
    std::atomic<int> running{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            corespy::Capture spy;
            for (int round = 0; round < kRounds; ++round) {
                for (size_t i = 0; i < samples.size(); ++i) {
                    const Expected& e = samples[(i + t * 5) % samples.size()];
                    ShaderAccess a = e.access;
                    spy.shades.clear();
                    module.local.evaluate(e.instance, &a);
                    if (spy.shades.size() != 1 || !Same(e, spy.shades.back(), a)) ++wrong;
                }
                spy.bumps.clear();
            }
            --running;
        });
    }
    int frames = 0;
    while (running.load() > 0) {
        module.rend.newTime(mapped, kFrame, 0.2);
        ++frames;
        std::this_thread::yield();
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_GT(frames, 1);
    EXPECT_EQ(host.badArguments.load(), 0);
}

}  // namespace
