// The canary of a sanitizer tree: every sanitizer the tree was configured with
// (QM_SANITIZE) must really be compiled in and must catch its kind of fault,
// made on purpose here in a child process. A tree whose flags got lost on the
// way fails here, instead of passing every other test unchecked.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <memory>
#include <thread>

#ifndef __has_feature
#define __has_feature(x) 0
#endif

namespace {

// Read and written through volatile, so the compiler neither knows the
// values nor drops the faulty accesses.
volatile int source = 0;
volatile int sink = 0;

#ifdef QM_CANARY_ADDRESS
__attribute__((noinline)) void ReadPastTheEnd()
{
    const auto block = std::make_unique<int[]>(4);
    sink = block[source];
}

TEST(SanitizerCanary, AddressSanitizerCatchesAHeapOverflow)
{
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
    const bool compiledIn = true;
#else
    const bool compiledIn = false;
#endif
    EXPECT_TRUE(compiledIn) << "the tree was configured with address but not compiled with it";
    source = 4;
    EXPECT_DEATH(ReadPastTheEnd(), "AddressSanitizer: heap-buffer-overflow");
}
#endif

#ifdef QM_CANARY_UNDEFINED
__attribute__((noinline)) void AddOne()
{
    sink = source + 1;
}

// Dies only when the overflow is both caught and fatal (the tree builds with
// -fno-sanitize-recover, so that a report fails the test that caused it).
TEST(SanitizerCanary, UndefinedBehaviourSanitizerCatchesASignedOverflow)
{
    source = INT_MAX;
    EXPECT_DEATH(AddOne(), "runtime error: signed integer overflow");
}
#endif

#ifdef QM_CANARY_THREAD
// Two threads write one volatile int; the relaxed flag orders them in time but gives
// the sanitizer no happens-before edge, so the second write is a race.
__attribute__((noinline)) void RaceTwoWrites()
{
    std::atomic<bool> written{false};
    std::thread first([&] {
        sink = 1;
        written.store(true, std::memory_order_relaxed);
    });
    std::thread second([&] {
        while (!written.load(std::memory_order_relaxed)) {
        }
        sink = 2;
    });
    first.join();
    second.join();
}

TEST(SanitizerCanary, ThreadSanitizerCatchesADataRace)
{
#if defined(__SANITIZE_THREAD__) || __has_feature(thread_sanitizer)
    const bool compiledIn = true;
#else
    const bool compiledIn = false;
#endif
    EXPECT_TRUE(compiledIn) << "the tree was configured with thread but not compiled with it";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The report is what counts: with halt_on_error the child stops at it,
    // without it the child goes on and ends here.
    EXPECT_EXIT(
        {
            RaceTwoWrites();
            std::_Exit(0);
        },
        [](int) { return true; }, "ThreadSanitizer: data race");
}
#endif

}  // namespace
