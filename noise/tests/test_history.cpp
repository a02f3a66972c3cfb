// The gradient tables are built from the state of the thread that first needs
// them; the seeded tables never depend on history. Every scenario runs in a
// forked child of this process, which itself never builds a table.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "granulix.h"
#include "granulix_internal.h"

namespace {

using namespace granulix;
using Report = std::vector<double>;

// Runs fn in a fresh child process and returns what it reports.
Report InFreshProcess(const std::function<Report()>& fn)
{
    EXPECT_EQ(perlin_pending, 1) << "the test process must not build tables itself";
    EXPECT_EQ(cell_pending, 1);
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "pipe";
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const Report r = fn();
        const char* data = reinterpret_cast<const char*>(r.data());
        size_t left = r.size() * sizeof(double);
        while (left > 0) {
            const ssize_t n = write(fds[1], data, left);
            if (n <= 0) _exit(2);
            data += n;
            left -= static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    Report r;
    double v;
    char* dst = reinterpret_cast<char*>(&v);
    size_t have = 0;
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            dst[have++] = buf[i];
            if (have == sizeof v) {
                r.push_back(v);
                have = 0;
            }
        }
    }
    close(fds[0]);
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    return r;
}

// An independent replay of the generator, to name states deep in a sequence.
struct Replay {
    uint32_t state;
    int Next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
    Replay& Skip(int n)
    {
        for (int i = 0; i < n; ++i) Next();
        return *this;
    }
};

double GradientComponent(int r)
{
    return ((r % 512) - 256) * 0.00390625;
}

// The first gradient of the table set built from the state `from`.
double FirstG1From(uint32_t from)
{
    return GradientComponent(Replay{from}.Next());
}

const double kPoints[][3] = {{0.3, -1.7, 5.55}, {12.125, 0.5, -3.0625}, {-77.7, 33.3, 0.01}};

// The first gradient and a few noise values after `prelude` ran first.
Report GradientsAfter(const std::function<void()>& prelude)
{
    return InFreshProcess([&] {
        prelude();
        Report r{pnoise3(kPoints[0])};
        r.push_back(perlin_g1[0]);
        for (const auto& p : kPoints) r.push_back(pnoise3(p));
        return r;
    });
}

TEST(History, FreshThreadBuildsTheSameGradientsEveryTime)
{
    const Report a = InFreshProcess([] {
        const double n = pnoise3(kPoints[1]);
        Report r{perlin_g1[0],          perlin_g2[0][0],
                 perlin_g2[0][1],       n,
                 double(perlin_p[256]), double(perlin_p[0]),
                 double(perlin_p[513]), double(perlin_p[257])};
        for (int i = 0; i < 256; ++i) r.push_back(perlin_p[i]);
        return r;
    });
    ASSERT_EQ(a.size(), 8u + 256u);
    EXPECT_EQ(a[0], -0.83984375);                  // draw 41
    const double x = -0.86328125, y = -0.2578125;  // draws 18467 and 6334
    const double len = std::sqrt(x * x + y * y);
    EXPECT_EQ(a[1], x / len);
    EXPECT_EQ(a[2], y / len);
    EXPECT_EQ(a[4], a[5]);  // the extension repeats entries 0 to 257
    EXPECT_EQ(a[6], a[7]);
    std::vector<int> seen(256, 0);  // the shuffled entries are a permutation
    for (size_t i = 8; i < a.size(); ++i) ++seen.at(static_cast<size_t>(a[i]));
    for (int i = 0; i < 256; ++i) EXPECT_EQ(seen[i], 1) << i;

    const Report b = InFreshProcess([] {
        const double n = pnoise3(kPoints[1]);
        return Report{perlin_g1[0], perlin_g2[0][0], perlin_g2[0][1], n};
    });
    ASSERT_EQ(b.size(), 4u);
    for (size_t i = 0; i < b.size(); ++i) EXPECT_EQ(a[i], b[i]) << i;
}

TEST(History, EveryThreadStartsFromStateOne)
{
    const Report r = InFreshProcess([] {
        noise_srand(4242);
        init_value_table();  // moves the main thread's state
        double g1 = 0.0;
        std::thread t([&] {
            pnoise3(kPoints[0]);
            g1 = perlin_g1[0];
        });
        t.join();
        return Report{g1, double(noise_rand())};
    });
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], -0.83984375);
    EXPECT_EQ(r[1], Replay{665}.Skip(256).Next());  // the main thread's state was untouched
}

TEST(History, EarlierTableBuildsMoveTheGradientSet)
{
    const Report fresh = GradientsAfter([] {});
    struct Case {
        const char* name;
        std::function<void()> prelude;
        uint32_t seed;
        int draws;
    };
    const double p[3] = {0.5, 0.25, 0.125};
    const Case cases[] = {
        {"cellnoise3", [p] { cellnoise3(p); }, 808, 8192},
        {"crumple with no octaves", [p] { crumple(p, 1.0, 0, 2.0, 0.5); }, 808, 8192},
        {"vnoise", [p] { vnoise(p); }, 665, 256},
        {"vcnoise", [p] { vcnoise(p); }, 665, 256},
        {"gnoise", [p] { gnoise(p); }, 665, 512},
        {"gvnoise", [p] { gvnoise(p); }, 665, 512},
        {"scnoise", [p] { scnoise(p); }, 665, 1024},
    };
    for (const Case& c : cases) {
        const Report r = GradientsAfter(c.prelude);
        ASSERT_EQ(r.size(), 5u) << c.name;
        Replay replay{c.seed};
        replay.Skip(c.draws);
        EXPECT_EQ(r[1], FirstG1From(replay.state)) << c.name;
        EXPECT_NE(r[2], fresh[2]) << c.name;
    }
}

TEST(History, PnoiseWithNoDimensionsBuildsNothing)
{
    const Report r = GradientsAfter([] {
        const double p[3] = {0.5, 0.5, 0.5};
        pnoise(p, 0);
        if (perlin_pending != 1) _exit(3);
        noise_srand(31337);
    });
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[1], FirstG1From(31337));
}

TEST(History, VnoiseAndVcnoiseEachBuildTheValueTableOnce)
{
    const double p[3] = {0.5, 0.25, 0.125};
    // vnoise after vcnoise rebuilds: the state jumps back to 256 draws after 665.
    const Report rebuilt = GradientsAfter([p] {
        vcnoise(p);
        noise_srand(4242);
        vnoise(p);
    });
    ASSERT_EQ(rebuilt.size(), 5u);
    EXPECT_EQ(rebuilt[1], FirstG1From(Replay{665}.Skip(256).state));
    // ... and the other way round.
    const Report rebuilt2 = GradientsAfter([p] {
        vnoise(p);
        noise_srand(4242);
        vcnoise(p);
    });
    EXPECT_EQ(rebuilt2[1], FirstG1From(Replay{665}.Skip(256).state));
    // gvnoise sets the vnoise flag: a later vnoise does not rebuild.
    const Report once = GradientsAfter([p] {
        gvnoise(p);
        noise_srand(4242);
        vnoise(p);
    });
    EXPECT_EQ(once[1], FirstG1From(4242));
}

TEST(History, LatticeNoisesDoNotDependOnHistory)
{
    auto sample = [] {
        Report r;
        for (const auto& p : kPoints) {
            r.push_back(vnoise(p));
            r.push_back(gnoise(p));
            r.push_back(gvnoise(p));
            r.push_back(vcnoise(p));
            r.push_back(scnoise(p));
            r.push_back(cellnoise3(p));
        }
        return r;
    };
    const Report first = InFreshProcess(sample);
    const Report after = InFreshProcess([&] {
        cellnoise3(kPoints[0]);
        pnoise3(kPoints[0]);
        noise_srand(99);
        return sample();
    });
    ASSERT_EQ(first.size(), 18u);
    EXPECT_EQ(first, after);
}

// Finds a generator state whose draws number skip + 1 and skip + 2 both give
// a zero gradient component (r mod 512 = 256, i.e. state bit 24 set and bits
// 16-23 clear). Those bits depend only on the low 25 bits of the state, so the
// low 16 bits are all there is to search. (Three such draws in a row never
// occur, so a zero 3-D gradient cannot be built; a zero 2-D one can.)
uint32_t StateBeforeTwoZeroDraws(int skip)
{
    const uint32_t a = 214013u, c = 2531011u;
    uint32_t inv = a;  // inverse of a modulo 2^32 (Newton's iteration)
    for (int i = 0; i < 5; ++i) inv *= 2u - a * inv;
    for (uint32_t lo = 0; lo < 65536; ++lo) {
        const uint32_t after_first = (1u << 24) | lo;
        if (GradientComponent(Replay{after_first}.Next()) != 0.0) continue;
        uint32_t s = after_first;
        for (int i = 0; i <= skip; ++i) s = (s - c) * inv;  // step back
        return s;
    }
    ADD_FAILURE() << "no such state";
    return 0;
}

TEST(History, AllZeroGradientStaysZeroInsteadOfNaN)
{
    // Entry 0 draws g1 first, then the two components of g2.
    const uint32_t zero_g2 = StateBeforeTwoZeroDraws(1);
    Replay check{zero_g2};
    check.Next();
    ASSERT_EQ(GradientComponent(check.Next()), 0.0);
    ASSERT_EQ(GradientComponent(check.Next()), 0.0);

    const Report r = InFreshProcess([zero_g2] {
        noise_srand(zero_g2);
        Report out{pnoise2(kPoints[0]), perlin_g2[0][0], perlin_g2[0][1], perlin_g2[256][1]};
        for (int i = 0; i < 256; ++i) {
            const double q[2] = {i + 0.5, i * 0.37};
            out.push_back(pnoise2(q));
        }
        return out;
    });
    ASSERT_EQ(r.size(), 260u);
    EXPECT_EQ(r[1], 0.0);
    EXPECT_EQ(r[2], 0.0);
    EXPECT_EQ(r[3], 0.0);
    for (double v : r) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
