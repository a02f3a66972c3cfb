// The re-entrant lock shared by qm_core, qm_dso and the image caches: one
// thread inside at a time however many ask, entries by the holder nest, no
// waiter is left asleep when the lock comes free, whether the lock is held
// briefly (waiters catch it while spinning) or long (they sleep), no thread
// waits without end while others take the lock again and again, and a
// thread that does not hold the lock cannot leave it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "common/critical_section.h"

namespace {

using namespace std::chrono_literals;

// Runs body on count threads that start together.
template <typename Body>
void OnThreads(int count, Body body)
{
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < count) {
                std::this_thread::yield();
            }
            body(t);
        });
    }
    for (auto& thread : threads) thread.join();
}

// Every thread enters, sometimes twice over, and finds nobody else inside.
// The plain counter is guarded by the lock alone.
void ExpectOneInsideAtATime(int threads, int rounds, std::chrono::microseconds hold)
{
    CriticalSection section;
    std::atomic<int> inside{0};
    std::atomic<int> met{0};
    long counter = 0;
    OnThreads(threads, [&](int t) {
        for (int i = 0; i < rounds; ++i) {
            CriticalSection::Guard guard(section);
            if (inside.fetch_add(1) != 0) ++met;
            if ((i + t) % 3 == 0) {
                CriticalSection::Guard again(section);  // the holder enters again
                ++counter;
            } else {
                ++counter;
            }
            if (hold.count() > 0) {
                const auto until = std::chrono::steady_clock::now() + hold;
                while (std::chrono::steady_clock::now() < until) {
                }
            }
            inside.fetch_sub(1);
        }
    });
    EXPECT_EQ(met.load(), 0);
    EXPECT_EQ(counter, static_cast<long>(threads) * rounds);
}

TEST(CriticalSection, ShortHoldsByManyThreads)
{
    ExpectOneInsideAtATime(8, 20000, 0us);
}

// Holds far longer than a waiter spins: waiters go to sleep and must each be
// woken in turn.
TEST(CriticalSection, LongHoldsPutWaitersToSleepAndWakeThemAll)
{
    ExpectOneInsideAtATime(8, 40, 400us);
}

// Eight threads take the lock over and over for a while, holding it about
// as long as a shading sample: each one gets it, and none waits anywhere
// near the whole while, though the holder could take it again at once every
// time. (Turns keep the longest wait to some tens of milliseconds; the bound
// here leaves room for a busy machine.)
TEST(CriticalSection, EveryThreadGetsItsTurn)
{
    using Clock = std::chrono::steady_clock;
    CriticalSection section;
    constexpr int kThreads = 8;
    std::vector<long> entries(kThreads, 0);
    std::vector<Clock::duration> longestWait(kThreads, Clock::duration::zero());
    const auto until = Clock::now() + 1500ms;
    OnThreads(kThreads, [&](int t) {
        while (Clock::now() < until) {
            const auto asked = Clock::now();
            CriticalSection::Guard guard(section);
            longestWait[t] = std::max(longestWait[t], Clock::now() - asked);
            ++entries[t];
            const auto busy = Clock::now() + 300ns;
            while (Clock::now() < busy) {
            }
        }
    });
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_GT(entries[t], 0) << "thread " << t;
        EXPECT_LT(longestWait[t], 1000ms) << "thread " << t;
    }
}

// A holder that entered twice keeps the lock until its second leave.
TEST(CriticalSection, TheHolderLeavesAsOftenAsItEntered)
{
    CriticalSection section;
    std::atomic<bool> otherIn{false};
    section.Enter();
    section.Enter();
    section.Leave();
    std::thread other([&] {
        CriticalSection::Guard guard(section);
        otherIn = true;
    });
    std::this_thread::sleep_for(20ms);  // past any spin: the other thread sleeps
    EXPECT_FALSE(otherIn.load());
    section.Leave();
    other.join();
    EXPECT_TRUE(otherIn.load());
}

// Leave by a thread that does not hold the lock changes nothing: the holder
// that entered twice still keeps it until its own second leave.
TEST(CriticalSection, LeaveByAThreadThatDoesNotHoldItDoesNothing)
{
    CriticalSection section;
    std::atomic<bool> otherIn{false};
    section.Enter();
    section.Enter();
    std::thread([&] { section.Leave(); }).join();
    section.Leave();
    std::thread other([&] {
        CriticalSection::Guard guard(section);
        otherIn = true;
    });
    std::this_thread::sleep_for(20ms);  // past any spin: the other thread sleeps
    EXPECT_FALSE(otherIn.load());
    section.Leave();
    other.join();
    EXPECT_TRUE(otherIn.load());
}

}  // namespace
