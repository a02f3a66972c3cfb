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
//   - Waking a sleeper is the waiters' work wherever it can be, for a wake-up
//     costs the waker microseconds: an awake waiter whose wait ends hands its
//     part to the longest sleeper and takes that one's place at the end of
//     the queue, and a thread that finds the lock taken with nobody awake
//     does the same when no sleeper has been woken for a while (kTurnAfter),
//     so that every thread gets its turn. A release wakes a sleeper only when
//     there are sleepers and no waiter is awake.
//
// Leave by a thread that does not hold the lock does nothing.
//
// Under ThreadSanitizer the lock announces itself as a mutex, so that the
// order in which the system's locks are taken is checked as for any mutex.

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
            // Other bits may be set while the lock is free.
            if ((state_.fetch_or(kLocked, std::memory_order_acquire) & kLocked) != 0) {
                Contend();
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
    // The lock word: the holder bit, the awake-waiter bit, the bit that
    // guards the sleepers' queue, and the number of sleepers above them.
    static constexpr uint32_t kLocked = 1;
    static constexpr uint32_t kAwake = 2;        // a waiter is awake, or being woken
    static constexpr uint32_t kQueueLocked = 4;  // a thread is changing the queue
    static constexpr uint32_t kSleeper = 8;      // one thread in the queue
    // How the awake waiter waits: kPauseRounds rereads of the lock word with
    // a doubling number of pause instructions before each (a few
    // microseconds in all), then kNapRounds naps of kNap nanoseconds (longer
    // by the kernel's timer slack) in the kernel, rereading the word after
    // each. Napping rather than spinning leaves the processor to others while
    // the holder keeps the lock; the holder never has to wake the napper.
    static constexpr int kPauseRounds = 8;
    static constexpr int kNapRounds = 32;
    static constexpr long kNap = 60'000;
    // How often at most a sleeper is woken to take its turn while the lock
    // stays in demand, in nanoseconds: a waiter that finds nobody awake wakes
    // the longest sleeper in its place when no sleeper has been woken for
    // that long, and waits awake itself otherwise. So turns cost a wake-up
    // now and then rather than at every change of holder (each change to a
    // thread that has slept costs the new holder a cold cache as well), and
    // a thread sleeps about this long times the number of sleepers ahead of
    // it at most.
    static constexpr int64_t kTurnAfter = 8'000'000;

    // A sleeping thread, on its own stack, in the queue until woken.
    struct Sleeper {
        std::atomic<uint32_t> woken{0};
        Sleeper* next = nullptr;
    };

    static int64_t Now()
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }

    // A sleeper's turn is due: none has been woken for kTurnAfter (read
    // without the queue lock; a stale answer only moves a turn by one
    // decision).
    bool TurnDue() const { return Now() - lastWake_.load(std::memory_order_relaxed) >= kTurnAfter; }

    static uintptr_t ThisThread() { return static_cast<uintptr_t>(pthread_self()); }

    // After a release: a sleeper must be woken when there is one, nobody took
    // the lock meanwhile and no waiter is awake.
    static bool NeedsWaking(uint32_t state)
    {
        return state >= kSleeper && (state & (kLocked | kAwake)) == 0;
    }

    // One round of the awake waiter's wait while the word reads state.
    void Wait(int round, uint32_t state)
    {
        if (round < kPauseRounds) {
            for (int i = 0; i < 1 << round; ++i) {
#if defined(__x86_64__) || defined(__i386__)
                __builtin_ia32_pause();
#endif
            }
            return;
        }
        // Returns at once when the word no longer reads state.
        timespec nap{0, kNap};
        syscall(SYS_futex, &state_, FUTEX_WAIT_PRIVATE, state, &nap, nullptr, 0);
    }

    __attribute__((noinline)) void Contend()
    {
        bool awake = false;  // this thread holds the awake bit
        int round = 0;
        uint32_t state = state_.load(std::memory_order_relaxed);
        for (;;) {
            if ((state & kLocked) == 0) {
                const uint32_t next = (state | kLocked) & ~(awake ? kAwake : 0u);
                if (state_.compare_exchange_weak(state, next, std::memory_order_acquire,
                                                 std::memory_order_relaxed)) {
                    return;
                }
                continue;
            }
            // Nobody awake: this thread is the awake waiter, unless a sleeper's
            // turn is due; then that one is woken in its place.
            if (!awake && (state & kAwake) == 0 && (state < kSleeper || !TurnDue())) {
                if (state_.compare_exchange_weak(state, state | kAwake,
                                                 std::memory_order_relaxed)) {
                    awake = true;
                }
                continue;
            }
            if (awake && round < kPauseRounds + kNapRounds) {
                Wait(round++, state);
                state = state_.load(std::memory_order_relaxed);
                continue;
            }
            if (Sleep(awake)) {
                awake = true;  // woken as the awake waiter, its wait begins afresh
                round = 0;
            }
            state = state_.load(std::memory_order_relaxed);
        }
    }

    // Queues this thread and sleeps until it is woken as the awake waiter.
    // When no other waiter is awake and others sleep, the longest sleeper is
    // woken to be the awake waiter instead. False, without sleeping, when
    // the lock came free meanwhile.
    bool Sleep(bool awake)
    {
        Sleeper self;
        LockQueue();
        uint32_t state = state_.load(std::memory_order_relaxed);
        bool handOver = false;
        for (;;) {
            if ((state & kLocked) == 0) {
                UnlockQueue();
                return false;
            }
            const bool otherAwake = (state & kAwake) != 0 && !awake;
            handOver = !otherAwake && state >= kSleeper;
            // Handing over keeps the count (one leaves the queue, one joins)
            // and the awake bit; otherwise one more sleeper and nobody awake
            // on this thread's account.
            const uint32_t next =
                handOver ? (state | kAwake) : (state + kSleeper) & ~(awake ? kAwake : 0u);
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
        while (self.woken.load(std::memory_order_acquire) == 0) {
            syscall(SYS_futex, &self.woken, FUTEX_WAIT_PRIVATE, 0, nullptr, nullptr, 0);
        }
        return true;
    }

    // Wakes the longest sleeper as the awake waiter, unless the word changed
    // so that nobody needs waking.
    __attribute__((noinline)) void WakeForRelease()
    {
        LockQueue();
        uint32_t state = state_.load(std::memory_order_relaxed);
        do {
            if (!NeedsWaking(state)) {
                UnlockQueue();
                return;
            }
        } while (!state_.compare_exchange_weak(state, (state - kSleeper) | kAwake,
                                               std::memory_order_relaxed));
        Sleeper* longest = PopQueue();
        UnlockQueue();
        Wake(*longest);
    }

    // The sleeper may return and leave its frame as soon as it sees the flag;
    // the wake call only uses the address as a key.
    void Wake(Sleeper& sleeper)
    {
        lastWake_.store(Now(), std::memory_order_relaxed);
        sleeper.woken.store(1, std::memory_order_release);
        syscall(SYS_futex, &sleeper.woken, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
    }

    void LockQueue()
    {
        while ((state_.fetch_or(kQueueLocked, std::memory_order_acquire) & kQueueLocked) != 0) {
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
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
        }
        tail_ = &sleeper;
    }
    Sleeper* PopQueue()
    {
        Sleeper* first = head_;
        head_ = first->next;
        if (head_ == nullptr) {
            tail_ = nullptr;
        }
        return first;
    }

    std::atomic<uint32_t> state_{0};
    std::atomic<uintptr_t> owner_{0};  // the holder's id, 0 when free
    uint32_t depth_ = 0;               // entries of the holder; only it touches this
    Sleeper* head_ = nullptr;          // the longest sleeper
    Sleeper* tail_ = nullptr;
    std::atomic<int64_t> lastWake_{0};  // when a sleeper was last woken
};

#undef QM_TSAN_MUTEX
