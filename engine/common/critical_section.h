#pragma once
// A re-entrant lock: the thread that holds it may enter it again and must
// leave it as often. Entered and left through the RAII Guard.
//
// Made for a lock that several threads take for a short while each, over and
// over (render threads asking for one sample after another), where handing
// it from thread to thread must stay cheap:
//   - Taking a free lock is one atomic or; leaving it, when nobody sleeps on
//     it, one atomic subtraction. Nothing goes to the kernel.
//   - Of the threads that find it taken, one stays awake and spins for a
//     bounded while, rereading the lock word only now and then so that the
//     holder keeps the word's cache line; the others sleep in the kernel at
//     once. A release wakes a sleeper only when nobody is awake and waiting,
//     so the holder pays for a wake-up now and then instead of on every
//     release, and no waiter is woken only to find the lock taken again.
//   - The lock is not handed over in turn: a thread that leaves it and asks
//     again at once may take it again before the waiter sees it free. That
//     keeps the lock, and what it guards, in one core's cache for a while;
//     the awake waiter takes over when it finds the lock free, or goes to
//     sleep when its spin ends, and the next release wakes another.
//
// Under ThreadSanitizer the lock announces itself as a mutex, so that the
// order in which the system's locks are taken is checked as for any mutex.

#include <atomic>
#include <cstdint>

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
            // Sleepers' counts may stand in the word while it is free.
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
        QM_TSAN_MUTEX(__tsan_mutex_pre_unlock(this, 0));
        if (--depth_ == 0) {
            owner_.store(0, std::memory_order_relaxed);
            const uint32_t state =
                state_.fetch_sub(kLocked, std::memory_order_release) - kLocked;
            if (NeedsWaking(state)) {
                WakeOne();
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
    // The lock word: the holder bit, the awake-waiter bit, and the number of
    // sleeping threads above them.
    static constexpr uint32_t kLocked = 1;
    static constexpr uint32_t kAwake = 2;    // a waiter is awake; releases wake nobody
    static constexpr uint32_t kSleeper = 4;  // one sleeping thread
    // How long the awake waiter spins: kSpinRounds rereads of the lock word,
    // the pause before each doubling up to kMaxPauses pause instructions
    // (some microseconds), in all about a hundred microseconds.
    static constexpr int kSpinRounds = 32;
    static constexpr int kMaxPauses = 512;

    static uintptr_t ThisThread() { return static_cast<uintptr_t>(pthread_self()); }

    // A release must wake a sleeper when there is one, nobody took the lock
    // meanwhile and no waiter is awake already.
    static bool NeedsWaking(uint32_t state)
    {
        return state >= kSleeper && (state & (kLocked | kAwake)) == 0;
    }

    static void Pause(int round)
    {
        const int pauses = round < 9 ? 1 << round : kMaxPauses;
        for (int i = 0; i < pauses; ++i) {
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
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
            // One waiter at a time stays awake and spins; the others sleep.
            if (!awake && (state & kAwake) == 0) {
                if (state_.compare_exchange_weak(state, state | kAwake,
                                                 std::memory_order_relaxed)) {
                    awake = true;
                }
                continue;
            }
            if (awake && round < kSpinRounds) {
                Pause(round++);
                state = state_.load(std::memory_order_relaxed);
                continue;
            }
            // Go to sleep, counted, and no longer awake. The word still says
            // locked here, so the holder's release sees the sleeper.
            const uint32_t next = (state + kSleeper) & ~(awake ? kAwake : 0u);
            if (!state_.compare_exchange_weak(state, next, std::memory_order_relaxed)) {
                continue;
            }
            Sleep();
            // The waker took this thread off the count and set the awake bit
            // for it.
            awake = true;
            round = 0;
            state = state_.load(std::memory_order_relaxed);
        }
    }

    // Takes one sleeper off the count, marks a waiter awake and wakes it,
    // unless the word changed so that nobody needs waking.
    __attribute__((noinline)) void WakeOne()
    {
        uint32_t state = state_.load(std::memory_order_relaxed);
        do {
            if (!NeedsWaking(state)) {
                return;
            }
        } while (!state_.compare_exchange_weak(state, (state - kSleeper) | kAwake,
                                               std::memory_order_relaxed));
        wakeups_.fetch_add(1, std::memory_order_release);
        syscall(SYS_futex, &wakeups_, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
    }

    // Waits for a wake-up and takes it.
    void Sleep()
    {
        for (;;) {
            uint32_t tokens = wakeups_.load(std::memory_order_acquire);
            while (tokens > 0) {
                if (wakeups_.compare_exchange_weak(tokens, tokens - 1,
                                                   std::memory_order_acquire)) {
                    return;
                }
            }
            syscall(SYS_futex, &wakeups_, FUTEX_WAIT_PRIVATE, 0, nullptr, nullptr, 0);
        }
    }

    std::atomic<uint32_t> state_{0};
    std::atomic<uint32_t> wakeups_{0};  // wake-ups handed out and not yet taken
    std::atomic<uintptr_t> owner_{0};   // the holder's id, 0 when free
    uint32_t depth_ = 0;                // entries of the holder; only it touches this
};

#undef QM_TSAN_MUTEX
