// Ending a worker in a test: a worker that does not end fails the whole test program at once
// instead of hanging it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace workertest {

// Joins the worker (after a stop request, or once it ends by itself); aborts when that takes
// longer than 20 s.
inline void joinOrAbort(std::jthread& worker) {
    std::mutex m;
    std::condition_variable cv;
    bool joined = false;
    std::thread watchdog([&] {
        std::unique_lock lock(m);
        if (!cv.wait_for(lock, std::chrono::seconds(20), [&] { return joined; })) {
            std::fputs("worker did not end\n", stderr);
            std::abort();
        }
    });
    worker.join();
    {
        std::lock_guard lock(m);
        joined = true;
    }
    cv.notify_all();
    watchdog.join();
}

inline void stopAndJoin(std::jthread& worker) {
    worker.request_stop();
    joinOrAbort(worker);
}

} // namespace workertest
