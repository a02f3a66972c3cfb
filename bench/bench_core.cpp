// qm_core's per-sample cost: QM_EvalShade samples per second on the engine
// benchmark's typical graph (examples/typical.shd: the root fed by two noise
// nodes, a turbulence, a compose, three blends, a slope and a time node), the
// same through qm_dso_shade (loaded at run time) to show its extra cost per
// call, and the heap allocations per evaluation (operator new is counted in
// this program).
//
// Render threads: 1, 2, 4 and 8 threads evaluating one shared handle
// (EvalShadeShared) and a handle of their own each, one copy of the file per
// thread (EvalShadeSeparate). qm_core evaluates one sample at a time in the
// whole process, so the best the threads can do together is what one thread
// does alone; "total_per_s" is the total over all threads (wall clock), to be
// compared with the one-thread figure. Beside it, how the lock shares the
// time out: "worst_ms" is the longest single call of any thread, and
// "share_min" and "share_max" are the fewest and the most samples a thread
// did while all of them were sampling (until the first had done its share),
// over the mean of the threads.
//
//   bench_core --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include <qm_core.h>

// ---- allocation counting ----------------------------------------------------

namespace {
// Per thread, so that a benchmark thread counts its own allocations only.
thread_local uint64_t allocations = 0;
}  // namespace

// Kept out of line so that the compiler does not pair an inlined malloc with
// an inlined free at the call sites and warn about the (intended) mix.
#define QM_NOINLINE __attribute__((noinline))

QM_NOINLINE void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
QM_NOINLINE void* operator new[](std::size_t size)
{
    return operator new(size);
}
QM_NOINLINE void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    ++allocations;
    return std::malloc(size ? size : 1);
}
QM_NOINLINE void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
QM_NOINLINE void operator delete(void* p) noexcept
{
    std::free(p);
}
QM_NOINLINE void operator delete[](void* p) noexcept
{
    std::free(p);
}
QM_NOINLINE void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
QM_NOINLINE void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// ---- samples -----------------------------------------------------------------

const std::string kTypical = std::string(QM_EXAMPLES_DIR) + "/typical.shd";
constexpr int kMaxThreads = 8;

NHandle* handle = nullptr;
// One handle per benchmark thread, each on its own copy of the file (a second
// open of the same name would share the first handle).
NHandle* ownHandles[kMaxThreads] = {};

// Sample i of a sweep over the surface and through 240 frames; both ways of
// calling evaluate the same points.
ShadeRecord Sample(int64_t i)
{
    ShadeRecord r{};
    const double t = static_cast<double>(i % 1000) * 0.001;
    for (int c = 0; c < 3; ++c) {
        r.worldPos[c] = r.objectPos[c] = t * (c + 1);
    }
    r.normal[0] = r.objectNormal[0] = r.baseNormal[0] = r.objectBaseNormal[0] = 0.6;
    r.normal[1] = r.objectNormal[1] = r.baseNormal[1] = r.objectBaseNormal[1] = 0.8;
    r.u = t;
    r.v = 1.0 - t;
    r.incident[2] = -1.0;
    r.frame = static_cast<double>(i % 240);
    r.filterSize = r.objectFilterSize = 0.001;
    return r;
}

void EvalShade(benchmark::State& state)
{
    int64_t i = 0;
    const uint64_t before = allocations;
    for (auto _ : state) {
        ShadeRecord r = Sample(i++);
        QM_EvalShade(handle, &r);
        benchmark::DoNotOptimize(r.color[0]);
    }
    const uint64_t counted = allocations - before;
    state.SetItemsProcessed(state.iterations());
    // Summed over the threads, per evaluation of each.
    state.counters["allocs_per_eval"] =
        benchmark::Counter(static_cast<double>(counted) / static_cast<double>(state.iterations()));
}
BENCHMARK(EvalShade);

// What each thread saw, kept by the thread itself inside the timed loop, so
// before the barrier at which the loop ends, and read by thread 0 after it.
struct alignas(64) ThreadTally {
    int64_t worstNs = 0;      // its longest call
    int64_t whileAllRan = 0;  // its samples until the first thread was done
};
ThreadTally tallies[kMaxThreads];
std::atomic<bool> oneDone{false};

// Every thread samples its own stretch of the sweep on the handle it is given.
// Besides Google Benchmark's figures (which average the threads' own times,
// flattering a lock that lets threads finish at different times), thread 0
// reports "total_per_s": the samples of all threads over the wall-clock time
// from the common start until the last thread is done; and the worst call
// and the shares of the threads (see the top of this file).
void EvalThreads(benchmark::State& state, NHandle* h)
{
    using Clock = std::chrono::steady_clock;
    ThreadTally& tally = tallies[state.thread_index()];
    tally = ThreadTally{};
    int64_t i = state.thread_index() * 1000003;
    int64_t done = 0;
    Clock::time_point start;
    Clock::time_point last;
    bool first = true;
    for (auto _ : state) {
        if (first) {
            start = last = Clock::now();  // every thread passed the start barrier together
            first = false;
        }
        ShadeRecord r = Sample(i++);
        QM_EvalShade(h, &r);
        benchmark::DoNotOptimize(r.color[0]);
        // One clock read a sample: the call ends where the next one begins.
        const Clock::time_point now = Clock::now();
        const auto took = std::chrono::duration_cast<std::chrono::nanoseconds>(now - last);
        tally.worstNs = std::max<int64_t>(tally.worstNs, took.count());
        last = now;
        if (!oneDone.load(std::memory_order_relaxed)) {
            tally.whileAllRan = ++done;
            if (done == static_cast<int64_t>(state.max_iterations)) {
                oneDone.store(true, std::memory_order_relaxed);
            }
        }
    }
    // The loop ends after every thread has finished its iterations.
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0 && wall > 0.0) {
        const int threads = state.threads();
        state.counters["total_per_s"] =
            benchmark::Counter(static_cast<double>(state.iterations()) * threads / wall);
        int64_t worst = 0;
        int64_t fewest = tallies[0].whileAllRan;
        int64_t most = 0;
        double sum = 0.0;
        for (int t = 0; t < threads; ++t) {
            worst = std::max(worst, tallies[t].worstNs);
            fewest = std::min(fewest, tallies[t].whileAllRan);
            most = std::max(most, tallies[t].whileAllRan);
            sum += static_cast<double>(tallies[t].whileAllRan);
        }
        const double mean = sum / threads;
        state.counters["worst_ms"] = benchmark::Counter(static_cast<double>(worst) * 1e-6);
        state.counters["share_min"] = benchmark::Counter(static_cast<double>(fewest) / mean);
        state.counters["share_max"] = benchmark::Counter(static_cast<double>(most) / mean);
    }
    if (state.thread_index() == 0) {
        oneDone.store(false, std::memory_order_relaxed);  // for the next run
    }
}

void EvalShadeShared(benchmark::State& state)
{
    EvalThreads(state, handle);
}
BENCHMARK(EvalShadeShared)->RangeMultiplier(2)->ThreadRange(1, kMaxThreads)->UseRealTime();

void EvalShadeSeparate(benchmark::State& state)
{
    EvalThreads(state, ownHandles[state.thread_index()]);
}
BENCHMARK(EvalShadeSeparate)->RangeMultiplier(2)->ThreadRange(1, kMaxThreads)->UseRealTime();

// ---- qm_dso_shade -----------------------------------------------------------

using ShadeopFunc = int (*)(void*, int, void**);
ShadeopFunc dsoShade = nullptr;

// The shadeop's argument vector: result, file name, the fourteen inputs (as
// floats: points and vectors three each) and the ten outputs.
struct DsoCall {
    explicit DsoCall(const char* file) : name(file)
    {
        argv[0] = &result;
        argv[1] = &name;
        const int sizes[] = {3, 3, 3, 3, 3, 3, 1, 1, 3, 1, 1, 1, 1, 1};
        int at = 0;
        for (int k = 0; k < 14; ++k) {
            argv[2 + k] = &inputs[at];
            at += sizes[k];
        }
        for (int k = 0; k < 10; ++k) argv[16 + k] = &outputs[3 * k];
    }

    // The record's inputs (bytes 0 to 223) as the renderer passes them.
    void Set(const ShadeRecord& r)
    {
        const double* in = reinterpret_cast<const double*>(&r);
        for (int k = 0; k < 28; ++k) inputs[k] = static_cast<float>(in[k]);
    }

    float result = 0.0f;
    const char* name;
    float inputs[28] = {};
    float outputs[30] = {};
    void* argv[26];
};

void DsoShade(benchmark::State& state)
{
    DsoCall call(kTypical.c_str());
    call.Set(Sample(0));
    dsoShade(nullptr, 26, call.argv);  // the first call loads the file
    int64_t i = 0;
    const uint64_t before = allocations;
    for (auto _ : state) {
        call.Set(Sample(i++));
        dsoShade(nullptr, 26, call.argv);
        benchmark::DoNotOptimize(call.outputs[0]);
    }
    const uint64_t counted = allocations - before;
    state.SetItemsProcessed(state.iterations());
    state.counters["allocs_per_eval"] =
        benchmark::Counter(static_cast<double>(counted) / static_cast<double>(state.iterations()));
}
BENCHMARK(DsoShade);
BENCHMARK(DsoShade)->Threads(8)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    const uint64_t beforeLoad = allocations;
    handle = QM_Load(kTypical.c_str());
    if (handle == nullptr) {
        std::fprintf(stderr, "cannot load %s\n", kTypical.c_str());
        return 1;
    }
    // Loading a graph allocates its nodes inside libqm_core.so: unless the
    // counter saw that, a count of zero per evaluation would prove nothing.
    if (allocations == beforeLoad) {
        std::fprintf(stderr, "operator new of this program does not reach qm_core\n");
        return 1;
    }
    QM_BeginRender(handle);

    // The copies for the separate handles, in a directory removed at the end.
    char pattern[] = "/tmp/qm_bench_core_XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (dir == nullptr) return 1;
    for (int t = 0; t < kMaxThreads; ++t) {
        const std::string copy = std::string(dir) + "/typical_" + std::to_string(t) + ".shd";
        std::filesystem::copy_file(kTypical, copy);
        ownHandles[t] = QM_Load(copy.c_str());
        if (ownHandles[t] == nullptr) return 1;
        QM_BeginRender(ownHandles[t]);
    }
    std::filesystem::remove_all(dir);

    void* dso = dlopen(QM_DSO_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (dso == nullptr) return 1;
    dsoShade = reinterpret_cast<ShadeopFunc>(dlsym(dso, "qm_dso_shade"));
    if (dsoShade == nullptr) return 1;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    for (NHandle* own : ownHandles) {
        QM_EndRender(own);
        QM_Close(own);
    }
    QM_EndRender(handle);
    QM_Close(handle);
    dlclose(dso);
    return 0;
}
