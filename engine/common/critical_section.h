#pragma once
// A re-entrant lock: the thread that holds it may enter it again and must
// leave it as often. Entered and left through the RAII Guard.
//
// Made for a lock that several threads take for a short while each, over and
// over (render threads asking for one sample after another), where handing
// it from thread to thread must stay cheap:
//   - Taking a free lock is one atomic or; leaving it, when nobody sleeps on
//     it, one atomic subtraction. Nothing goes to the kernel.
//   - Of the threads that find it taken, one stays awake: it spins for a few
//     microseconds, then naps in the kernel for short timed spells, rereading
//     the lock word between them, so that the holder keeps the word's cache
//     line and never has to wake it. The others sleep in the kernel, in a
//     queue, in the order they came.
//   - The lock is not handed over in turn: a holder that leaves it and asks
//     again at once may take it again before the awake waiter sees it free.
//     That keeps the lock, and what it guards, in one core's cache for a
//     while, and the holder never waits for a sleeper to wake up.
//   - Up to a point (kLongWait): an awake waiter that has waited that long,
//     asleep and awake, reserves the lock. A reserved lock counts as taken
//     for every thread but that one, the heir, which takes it when its holder
//     leaves it; the holder leaves it as always, with one subtraction. So a
//     thread that has waited long gets the lock next.
//   - Waking a sleeper is the waiters' work wherever it can be, for a wake-up
//     costs the waker microseconds: an awake waiter whose wait ends hands its
//     part to the longest sleeper and takes that one's place at the end of
//     the queue, and a thread that finds the lock taken with nobody awake
//     does the same when the longest sleeper has waited kLongWait, so that
//     every thread gets its turn. A release wakes a sleeper only when there
//     are sleepers, no waiter is awake and the lock is not reserved.
//   - A sleeper that has waited long is woken even while others are awake,
//     up to kMostAwake awake waiters: by a thread that asks, by an awake
//     waiter, or, near the head of the queue, by itself, once every
//     kLongWait for as long as it sleeps. Woken one after the other, each
//     would wait for the one before it to get a processor, and on a busy
//     machine a woken thread may wait a scheduler tick for one; a waiter
//     counted awake may get none for long (one of idle priority among busy
//     threads), and the sleepers must not wait on it.
//   - No wait inside the lock spins on work that another thread has to
//     finish: whatever waits for the queue lock, too, sleeps in the kernel
//     after a few pauses, so that a holder of lower priority than the
//     waiters gets a processor to finish with.
//
// Leave by a thread that does not hold the lock does nothing.
//
// Under ThreadSanitizer the lock announces itself as a mutex, so that the
// order in which the system's locks are taken is checked as for any mutex.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <ctime>

#include <linux/futex.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#define QM_TSAN_MUTEX(call) call
#else
#define QM_TSAN_MUTEX(call) static_cast<void>(0)
#endif

class CriticalSection {
public:
    CriticalSection() { QM_TSAN_MUTEX(__tsan_mutex_create(this, __tsan_mutex_write_reentrant)); }
    ~CriticalSection() { QM_TSAN_MUTEX(__tsan_mutex_destroy(this, 0)); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter()
    {
        QM_TSAN_MUTEX(__tsan_mutex_pre_lock(this, 0));
        const uintptr_t self = ThisThread();
        // Only this thread ever stores its own id here, so a match means it
        // holds the lock already.
        if (owner_.load(std::memory_order_relaxed) == self) {
            ++depth_;
        } else {
            // Other bits may be set while the lock is free; a reserved lock is
            // not free but for its heir.
            const uint32_t before = state_.fetch_or(kLocked, std::memory_order_acquire);
            if ((before & (kLocked | kReserved)) != 0) {
                Contend(before);
            }
            owner_.store(self, std::memory_order_relaxed);
            depth_ = 1;
        }
        QM_TSAN_MUTEX(__tsan_mutex_post_lock(this, 0, 0));
    }

    void Leave()
    {
        if (owner_.load(std::memory_order_relaxed) != ThisThread()) {
            return;  // not the holder: it has nothing to leave
        }
        QM_TSAN_MUTEX(__tsan_mutex_pre_unlock(this, 0));
        if (--depth_ == 0) {
            owner_.store(0, std::memory_order_relaxed);
            const uint32_t state = state_.fetch_sub(kLocked, std::memory_order_release) - kLocked;
            if (NeedsWaking(state)) {
                WakeForRelease();
            } else if ((state & kHeirSleeps) != 0) {
                WakeHeir();
            }
        }
        QM_TSAN_MUTEX(__tsan_mutex_post_unlock(this, 0));
    }

    class Guard {
    public:
        explicit Guard(CriticalSection& section) : section_(section) { section_.Enter(); }
        ~Guard() { section_.Leave(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        CriticalSection& section_;
    };

private:
    // The lock word: the holder bit, the number of awake waiters, the bit
    // that guards the sleepers' queue, the reservation and whether its heir
    // sleeps, and the number of sleepers above them.
    static constexpr uint32_t kLocked = 1;
    static constexpr uint32_t kAwake = 2;        // one awake waiter, or one being woken
    static constexpr uint32_t kAwakeMask = 6;    // room for kMostAwake of them
    static constexpr uint32_t kQueueLocked = 8;  // a thread is changing the queue
    static constexpr uint32_t kReserved = 16;    // the lock is the heir's when it comes free
    static constexpr uint32_t kHeirSleeps = 32;  // the heir waits to be woken by the release
    static constexpr uint32_t kSleeper = 64;     // one thread in the queue
    static constexpr uint32_t kMostAwake = 3;
    // How an awake waiter waits: kPauseRounds rereads of the lock word with
    // a doubling number of pause instructions before each (a few
    // microseconds in all), then kNapRounds naps of kNap nanoseconds (longer
    // by the kernel's timer slack) in the kernel, rereading the word after
    // each. Napping rather than spinning leaves the processor to others while
    // the holder keeps the lock; the holder never has to wake the napper.
    // One that has waited long and finds the lock reserved for another naps
    // kLongNap: the next turn is not due before the heir has had its own.
    // The heir pauses the same way, then sleeps until the release wakes it.
    static constexpr int kPauseRounds = 8;
    static constexpr int kNapRounds = 32;
    static constexpr long kNap = 60'000;
    static constexpr long kLongNap = 250'000;
    // How long, in nanoseconds, a thread may wait before the lock goes to it
    // next: an awake waiter that has waited this long reserves the lock, and
    // a sleeper that has waited this long is woken ahead of threads that ask
    // later. Short beside a render thread's patience, long beside one
    // sample, so that a thread that asks again at once mostly takes the lock
    // again: each hand-over to a waiter costs the new holder cold caches,
    // and while threads queue each has its turn about once per this long
    // (at 1 ms, eight threads sampling one shader did some 6% fewer).
    static constexpr int64_t kLongWait = 2'000'000;
    // Sleepers that join the queue with fewer than this many ahead of them
    // wake up by themselves once they have waited kLongWait; the others
    // would only find kMostAwake awake and sleep again.
    static constexpr uint32_t kSelfWaking = 8;
    // Pauses before a thread that waits for the queue lock naps, and the nap.
    static constexpr int kQueueSpins = 100;
    static constexpr long kQueueNap = 20'000;

    // A sleeping thread, on its own stack, in the queue until woken.
    struct Sleeper {
        std::atomic<uint32_t> woken{0};
        int64_t since = 0;  // when it began to wait
        Sleeper* next = nullptr;
    };

    static int64_t Now()
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }

    // The longest sleeper has waited kLongWait (read without the queue lock;
    // a stale answer only moves a turn by one decision).
    bool HeadWaitedLong() const
    {
        return Now() - headSince_.load(std::memory_order_relaxed) >= kLongWait;
    }

    // Another sleeper may be woken: there is one, fewer than kMostAwake are
    // awake and the longest sleeper has waited long.
    bool MayWakeAnother(uint32_t state) const
    {
        return state >= kSleeper && (state & kAwakeMask) < kMostAwake * kAwake && HeadWaitedLong();
    }

    static uintptr_t ThisThread() { return static_cast<uintptr_t>(pthread_self()); }

    // After a release: a sleeper must be woken when there is one, nobody took
    // the lock meanwhile, no waiter is awake and no heir is about to take it
    // (the heir's own release sees to the sleepers).
    static bool NeedsWaking(uint32_t state)
    {
        return state >= kSleeper && (state & (kLocked | kAwakeMask | kReserved)) == 0;
    }

    static void Pause()
    {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }

    // One round of a waiter's wait while the word reads state.
    void Wait(int round, uint32_t state, long nap)
    {
        if (round < kPauseRounds) {
            for (int i = 0; i < 1 << round; ++i) {
                Pause();
            }
            return;
        }
        Nap(state, nap);
    }

    // Sleeps up to nap nanoseconds in the kernel; returns at once when the
    // word no longer reads state.
    void Nap(uint32_t state, long nap)
    {
        const timespec length{0, nap};
        syscall(SYS_futex, &state_, FUTEX_WAIT_PRIVATE, state, &length, nullptr, 0);
    }

    // before: the word as this thread's or found it.
    __attribute__((noinline)) void Contend(uint32_t before)
    {
        if ((before & kLocked) == 0) {
            // The lock was free but reserved: this thread's or took it from
            // the heir, and gives it back at once.
            if ((state_.fetch_and(~kLocked, std::memory_order_relaxed) & kHeirSleeps) != 0) {
                WakeHeir();
            }
        }
        const int64_t asked = Now();
        bool awake = false;  // this thread is one of the awake waiters
        bool heir = false;   // this thread reserved the lock
        int round = 0;
        uint32_t state = state_.load(std::memory_order_relaxed);
        for (;;) {
            if ((state & kLocked) == 0 && (heir || (state & kReserved) == 0)) {
                const uint32_t next = heir ? (state | kLocked) & ~(kReserved | kHeirSleeps)
                                           : (state | kLocked) - (awake ? kAwake : 0u);
                if (state_.compare_exchange_weak(state, next, std::memory_order_acquire,
                                                 std::memory_order_relaxed)) {
                    return;
                }
                continue;
            }
            if (heir) {
                if (round < kPauseRounds) {
                    Wait(round++, state, kNap);
                } else if ((state & kHeirSleeps) == 0) {
                    // Held longer than the pauses last: whoever frees the
                    // lock for this thread is to wake it.
                    if (!state_.compare_exchange_weak(state, state | kHeirSleeps,
                                                      std::memory_order_relaxed)) {
                        continue;
                    }
                } else {
                    // Returns at once when the word no longer reads state.
                    syscall(SYS_futex, &state_, FUTEX_WAIT_PRIVATE, state, nullptr, nullptr, 0);
                }
                state = state_.load(std::memory_order_relaxed);
                continue;
            }
            if (awake) {
                // Waited long: reserve the lock as soon as nobody else has, and
                // wait awake till then.
                const bool waitedLong = Now() - asked >= kLongWait;
                if (waitedLong && (state & kReserved) == 0) {
                    if (Reserve(state)) {
                        heir = true;
                        awake = false;
                        round = 0;  // the holder leaves soon: back to pausing
                    }
                    state = state_.load(std::memory_order_relaxed);
                    continue;
                }
                if (MayWakeAnother(state)) {
                    WakeAnother();
                    state = state_.load(std::memory_order_relaxed);
                    continue;
                }
                if (waitedLong || round < kPauseRounds + kNapRounds) {
                    Wait(round, state, waitedLong ? kLongNap : kNap);
                    round = std::min(round + 1, kPauseRounds + kNapRounds);
                    state = state_.load(std::memory_order_relaxed);
                    continue;
                }
            } else if ((state & kAwakeMask) == 0 && (state < kSleeper || !HeadWaitedLong())) {
                // Nobody awake: this thread is the awake waiter, unless the
                // longest sleeper has waited long; then that one is woken in
                // its place.
                if (state_.compare_exchange_weak(state, state + kAwake,
                                                 std::memory_order_relaxed)) {
                    awake = true;
                }
                continue;
            }
            if (Sleep(awake, asked)) {
                awake = true;  // woken as an awake waiter
                round = 0;
            }
            state = state_.load(std::memory_order_relaxed);
        }
    }

    // An awake waiter reserves the taken lock and is no longer awake. False
    // when the lock came free or was reserved meanwhile.
    bool Reserve(uint32_t state)
    {
        do {
            if ((state & (kLocked | kReserved)) != kLocked) {
                return false;
            }
        } while (!state_.compare_exchange_weak(state, (state | kReserved) - kAwake,
                                               std::memory_order_relaxed));
        return true;
    }

    // Queues this thread and sleeps until it is woken as an awake waiter.
    // The longest sleeper is woken as it goes to sleep, to be awake in its
    // place when it was awake or nobody is, or besides those awake when it
    // may be. False, without sleeping, when the lock came free meanwhile.
    bool Sleep(bool awake, int64_t since)
    {
        Sleeper self;
        self.since = since;
        LockQueue();
        uint32_t state = state_.load(std::memory_order_relaxed);
        bool handOver = false;
        for (;;) {
            if ((state & (kLocked | kReserved)) == 0) {
                UnlockQueue();
                return false;
            }
            handOver =
                state >= kSleeper && (awake || (state & kAwakeMask) == 0 || MayWakeAnother(state));
            // Handing over keeps the number of sleepers (one leaves the queue,
            // one joins), and one more is awake unless this thread was.
            // Otherwise one more sleeper, and one fewer awake if this thread
            // was.
            const uint32_t next =
                handOver ? state + (awake ? 0u : kAwake) : state + kSleeper - (awake ? kAwake : 0u);
            if (state_.compare_exchange_weak(state, next, std::memory_order_relaxed)) {
                break;
            }
        }
        Sleeper* longest = handOver ? PopQueue() : nullptr;
        PushQueue(self);
        UnlockQueue();
        if (longest != nullptr) {
            Wake(*longest);
        }
        const uint32_t ahead = state / kSleeper - (handOver ? 1 : 0);
        const bool timed = ahead < kSelfWaking;
        int64_t due = since + kLongWait;
        while (self.woken.load(std::memory_order_acquire) == 0) {
            const int64_t now = Now();
            const int64_t left = due - now;
            if (timed && left <= 0) {
                if (WakeLongest(self)) {
                    return true;
                }
                due = now + kLongWait;  // and again while nobody wakes it
                continue;
            }
            const timespec timeout{0, static_cast<long>(std::max<int64_t>(left, 0))};
            syscall(SYS_futex, &self.woken, FUTEX_WAIT_PRIVATE, 0, timed ? &timeout : nullptr,
                    nullptr, 0);
        }
        return true;
    }

    // A sleeper that has waited long wakes the longest sleeper as one more
    // awake waiter, if fewer than kMostAwake are awake. True when that is
    // itself: it is out of the queue then and need not be woken.
    bool WakeLongest(Sleeper& self)
    {
        LockQueue();
        uint32_t state = state_.load(std::memory_order_relaxed);
        do {
            if (state < kSleeper || (state & kAwakeMask) >= kMostAwake * kAwake) {
                UnlockQueue();
                return false;
            }
        } while (!state_.compare_exchange_weak(state, state - kSleeper + kAwake,
                                               std::memory_order_relaxed));
        Sleeper* longest = PopQueue();
        UnlockQueue();
        if (longest == &self) {
            return true;
        }
        Wake(*longest);
        return false;
    }

    // Wakes the longest sleeper as the awake waiter, unless the word changed
    // so that nobody needs waking.
    __attribute__((noinline)) void WakeForRelease() { WakeLongestIf(NeedsWaking); }

    // An awake waiter wakes the longest sleeper as one more, unless the word
    // changed so that it may not.
    __attribute__((noinline)) void WakeAnother()
    {
        WakeLongestIf([this](uint32_t state) { return MayWakeAnother(state); });
    }

    // Wakes the longest sleeper as one more awake waiter while the word,
    // read under the queue lock, answers due.
    template <typename Due>
    void WakeLongestIf(Due due)
    {
        LockQueue();
        uint32_t state = state_.load(std::memory_order_relaxed);
        do {
            if (!due(state)) {
                UnlockQueue();
                return;
            }
        } while (!state_.compare_exchange_weak(state, state - kSleeper + kAwake,
                                               std::memory_order_relaxed));
        Sleeper* longest = PopQueue();
        UnlockQueue();
        Wake(*longest);
    }

    // Whoever frees the lock for a sleeping heir wakes it (and the awake
    // waiters napping on the word with it; there are few).
    __attribute__((noinline)) void WakeHeir()
    {
        syscall(SYS_futex, &state_, FUTEX_WAKE_PRIVATE, INT32_MAX, nullptr, nullptr, 0);
    }

    // The sleeper may return and leave its frame as soon as it sees the flag;
    // the wake call only uses the address as a key.
    static void Wake(Sleeper& sleeper)
    {
        sleeper.woken.store(1, std::memory_order_release);
        syscall(SYS_futex, &sleeper.woken, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
    }

    // The queue is locked for a few instructions at a time, but the thread
    // that holds it may lose its processor meanwhile: then the others nap
    // rather than spin on. A yield would not do: a thread of higher priority
    // that yields gets its processor straight back, and the holder never
    // runs again while such threads wait.
    void LockQueue()
    {
        int spins = 0;
        while ((state_.fetch_or(kQueueLocked, std::memory_order_acquire) & kQueueLocked) != 0) {
            for (uint32_t state = state_.load(std::memory_order_relaxed);
                 (state & kQueueLocked) != 0; state = state_.load(std::memory_order_relaxed)) {
                if (++spins < kQueueSpins) {
                    Pause();
                } else {
                    Nap(state, kQueueNap);
                }
            }
        }
    }
    void UnlockQueue()
    {
        state_.fetch_and(~kQueueLocked, std::memory_order_release);
    }

    // The queue, changed only while kQueueLocked is held; its length is the
    // count in the word.
    void PushQueue(Sleeper& sleeper)
    {
        sleeper.next = nullptr;
        if (tail_ != nullptr) {
            tail_->next = &sleeper;
        } else {
            head_ = &sleeper;
            headSince_.store(sleeper.since, std::memory_order_relaxed);
        }
        tail_ = &sleeper;
    }
    Sleeper* PopQueue()
    {
        Sleeper* first = head_;
        head_ = first->next;
        if (head_ == nullptr) {
            tail_ = nullptr;
        } else {
            headSince_.store(head_->since, std::memory_order_relaxed);
        }
        return first;
    }

    std::atomic<uint32_t> state_{0};
    std::atomic<uintptr_t> owner_{0};  // the holder's id, 0 when free
    uint32_t depth_ = 0;               // entries of the holder; only it touches this
    Sleeper* head_ = nullptr;          // the longest sleeper
    Sleeper* tail_ = nullptr;
    std::atomic<int64_t> headSince_{0};  // when the longest sleeper began to wait
};

#undef QM_TSAN_MUTEX
