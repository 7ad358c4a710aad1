#include "platform/threads/threads.h"

#include <condition_variable>
#include <mutex>

namespace threads {
namespace {
thread_local std::stop_token threadToken;

template <class Clock>
bool sleepUntilImpl(std::chrono::time_point<Clock> deadline, std::stop_token alsoEndOn) {
    const std::stop_token token = currentStopToken();
    std::mutex m;
    std::condition_variable_any cv;
    // Made before the lock is taken: when alsoEndOn is stopped already, it runs at once.
    std::stop_callback wake(alsoEndOn, [&] {
        std::lock_guard lock(m);
        cv.notify_all();
    });
    std::unique_lock lock(m);
    cv.wait_until(lock, token, deadline, [&] { return alsoEndOn.stop_requested(); });
    return !token.stop_requested() && !alsoEndOn.stop_requested();
}
} // namespace

std::jthread start(std::function<void()> body) {
    return std::jthread([body = std::move(body)](std::stop_token token) {
        threadToken = token;
        body();
        threadToken = {};
    });
}

std::stop_token currentStopToken() {
    return threadToken;
}

bool stopRequested() {
    return threadToken.stop_requested();
}

bool sleepUntil(std::chrono::steady_clock::time_point deadline, std::stop_token alsoEndOn) {
    return sleepUntilImpl(deadline, std::move(alsoEndOn));
}

bool sleepUntil(std::chrono::system_clock::time_point deadline, std::stop_token alsoEndOn) {
    return sleepUntilImpl(deadline, std::move(alsoEndOn));
}

} // namespace threads
