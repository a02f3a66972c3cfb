// The re-entrant lock shared by qm_core, qm_dso and the image caches: one
// thread inside at a time however many ask, entries by the holder nest, no
// waiter is left asleep when the lock comes free, whether the lock is held
// briefly (waiters catch it while spinning) or long (they sleep), no thread
// waits without end while others take the lock again and again, nor long
// while one thread takes it again the moment it leaves it, real-time waiters
// do not keep it from the others, and a thread that does not hold the lock
// cannot leave it.
#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>

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

// One thread takes the lock again the moment it leaves it, for a few
// seconds, while many others ask for it now and then: none of them waits
// anywhere near that long, for one that has waited long gets the lock next.
// (Their longest waits are some tens of milliseconds at most; the bound
// leaves room for a busy machine and the sanitizers. A lock that lets
// whoever asks first take it keeps some of them waiting for seconds.)
TEST(CriticalSection, AThreadThatAsksAgainAtOnceKeepsNobodyWaiting)
{
    using Clock = std::chrono::steady_clock;
    CriticalSection section;
    constexpr int kWaiters = 63;
    std::vector<Clock::duration> longestWait(kWaiters, Clock::duration::zero());
    const auto until = Clock::now() + 3s;
    std::thread greedy([&] {
        while (Clock::now() < until) {
            CriticalSection::Guard guard(section);
            const auto busy = Clock::now() + 2us;
            while (Clock::now() < busy) {
            }
        }
    });
    OnThreads(kWaiters, [&](int t) {
        while (Clock::now() < until) {
            const auto asked = Clock::now();
            {
                CriticalSection::Guard guard(section);
            }
            longestWait[t] = std::max(longestWait[t], Clock::now() - asked);
            std::this_thread::sleep_for(100us);
        }
    });
    greedy.join();
    for (int t = 0; t < kWaiters; ++t) {
        EXPECT_LT(longestWait[t], 1000ms) << "thread " << t;
    }
}

// One thread holds the lock for spells of some milliseconds and takes it
// again the moment it leaves it; another that asks meanwhile gets the lock
// after a spell or two, for once it has waited long the lock goes to it
// next. (Else it would have to find the lock in the nanoseconds it is free
// between two spells. The bound counts spells, not time.)
TEST(CriticalSection, AThreadThatHasWaitedLongGetsTheLockNext)
{
    using Clock = std::chrono::steady_clock;
    CriticalSection section;
    constexpr int kSpells = 100;
    std::atomic<int> spells{0};
    std::thread greedy([&] {
        for (int i = 0; i < kSpells; ++i) {
            CriticalSection::Guard guard(section);
            ++spells;
            const auto busy = Clock::now() + 5ms;
            while (Clock::now() < busy) {
            }
        }
    });
    while (spells.load() == 0) {
        std::this_thread::yield();
    }
    int spellsBefore = 0;
    {
        CriticalSection::Guard guard(section);
        spellsBefore = spells.load();
    }
    greedy.join();
    EXPECT_LT(spellsBefore, 20);
}

// Six threads of normal priority take the lock back to back while two
// real-time threads take it every 50 microseconds, all on one processor, as
// a renderer's threads may: the lock changes hands all the while. A waiter
// that spins or yields on something that a thread of lower priority must
// finish keeps that thread off the processor, and the lock stands still
// until the kernel's real-time throttling (where it is on) steps in, near a
// second later. What starts such a stall is a preemption at the wrong
// instant, so the set-up runs on two processors at once, a lock each.
// Needs the right to real-time scheduling (root): skipped without it.
TEST(CriticalSection, RealTimeWaitersNeverStallThoseTheyWaitFor)
{
    using Clock = std::chrono::steady_clock;
    {
        bool mayUseFifo = false;
        std::thread([&] {
            sched_param fifo{};
            fifo.sched_priority = 1;
            mayUseFifo = pthread_setschedparam(pthread_self(), SCHED_FIFO, &fifo) == 0;
        }).join();
        if (!mayUseFifo) {
            GTEST_SKIP() << "this process may not use SCHED_FIFO (needs root or CAP_SYS_NICE)";
        }
    }
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    std::vector<int> processors;  // the last two this process may use
    for (int cpu = CPU_SETSIZE - 1; cpu >= 0 && processors.size() < 2; --cpu) {
        if (CPU_ISSET(cpu, &allowed)) processors.push_back(cpu);
    }
    constexpr int kNormal = 6;
    constexpr int kRealTime = 2;
    struct Trial {
        CriticalSection section;
        Clock::time_point last{};      // guarded by section
        Clock::duration longestGap{};  // guarded by section
    };
    std::vector<Trial> trials(processors.size());
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    std::vector<std::thread*> realTime;
    threads.reserve(processors.size() * (kNormal + kRealTime));
    for (size_t p = 0; p < processors.size(); ++p) {
        for (int t = 0; t < kNormal + kRealTime; ++t) {
            threads.emplace_back([&, p, t] {
                cpu_set_t one;
                CPU_ZERO(&one);
                CPU_SET(processors[p], &one);
                pthread_setaffinity_np(pthread_self(), sizeof one, &one);
                const bool fifo = t >= kNormal;
                if (fifo) {
                    sched_param priority{};
                    priority.sched_priority = 1;
                    pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
                }
                Trial& trial = trials[p];
                while (!stop.load(std::memory_order_relaxed)) {
                    {
                        CriticalSection::Guard guard(trial.section);
                        const auto now = Clock::now();
                        if (trial.last != Clock::time_point{}) {
                            trial.longestGap = std::max(trial.longestGap, now - trial.last);
                        }
                        trial.last = now;
                        const auto busy = now + 20us;
                        while (Clock::now() < busy) {
                        }
                    }
                    if (fifo) {
                        std::this_thread::sleep_for(50us);
                    }
                }
            });
            if (t >= kNormal) realTime.push_back(&threads.back());
        }
    }
    // This thread is bound to neither processor, so it runs on and ends the
    // real-time scheduling even where a lock stands still.
    std::this_thread::sleep_for(3s);
    stop = true;
    for (std::thread* thread : realTime) {
        const sched_param normal{};
        pthread_setschedparam(thread->native_handle(), SCHED_OTHER, &normal);
    }
    for (auto& thread : threads) thread.join();
    for (size_t p = 0; p < trials.size(); ++p) {
        EXPECT_LT(trials[p].longestGap, 50ms) << "processor " << processors[p];
    }
}

// A holder that entered twice keeps the lock until its second leave, and
// Leave by a thread that does not hold the lock changes nothing.
TEST(CriticalSection, OnlyTheHolderLeavesAndAsOftenAsItEntered)
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
