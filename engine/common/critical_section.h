#pragma once
// A re-entrant lock: the thread that holds it may enter it again and must
// leave it as often. Entered and left through the RAII Guard.

#include <mutex>

class CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }

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
    std::recursive_mutex mutex_;
};
