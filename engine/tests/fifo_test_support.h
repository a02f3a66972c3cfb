#pragma once
// Named pipes (FIFOs) in place of the files a test opens, and a watchdog that
// turns an open blocked on one into a test failure rather than a hang.
//
// An open of a FIFO for reading waits until some process opens it for
// writing. The watchdog is that process: once the call under test has run
// for longer than it may, it opens the FIFO for writing without blocking
// (which succeeds only while a reader is waiting) and closes it at once, as
// often as needed. The stuck reader then returns and reads end of file, and
// the test goes on to fail instead of waiting forever.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fifotest {

// A FIFO at path, readable and writable by the owner; false when mkfifo fails.
inline bool MakeFifo(const std::string& path)
{
    return mkfifo(path.c_str(), 0600) == 0;
}

// Runs call on this thread (the editor's calls must stay on the GUI thread)
// while a watchdog waits patience for it. True when call returned by itself;
// false when it had to be released because it sat in an open of the FIFO at
// fifo past patience.
template <typename Call>
bool ReturnsWithoutAWriter(const std::string& fifo, Call&& call,
                           std::chrono::milliseconds patience = std::chrono::seconds(5))
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool released = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (finished.wait_for(lock, patience, [&] { return done; })) {
            return;
        }
        while (!done) {
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                close(fd);
                released = true;
            }
            finished.wait_for(lock, std::chrono::milliseconds(20), [&] { return done; });
        }
    });
    // Joins the watchdog however call leaves.
    struct Finish {
        std::mutex& mutex;
        std::condition_variable& finished;
        bool& done;
        std::thread& watchdog;
        ~Finish()
        {
            {
                std::lock_guard<std::mutex> lock(mutex);
                done = true;
            }
            finished.notify_all();
            watchdog.join();
        }
    };
    {
        Finish finish{mutex, finished, done, watchdog};
        call();
    }
    return !released;
}

}  // namespace fifotest
