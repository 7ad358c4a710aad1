// Background threads that can be asked to stop: every blocking wait of the program honours the
// stop token of the thread it runs on, so a stop request ends the wait at once.
#pragma once

#include <chrono>
#include <functional>
#include <stop_token>
#include <thread>

namespace threads {

// Starts body on a new std::jthread. While body runs, currentStopToken() on that thread is the
// jthread's own token.
std::jthread start(std::function<void()> body);

// The stop token of the calling thread: the one of a thread made by start(), else a token
// that is never stopped.
std::stop_token currentStopToken();

// Whether the calling thread has been asked to stop.
bool stopRequested();

// Sleeps until the deadline, until the calling thread is asked to stop, or until alsoEndOn is
// stopped. Returns false when one of the two tokens ended it.
bool sleepUntil(std::chrono::steady_clock::time_point deadline, std::stop_token alsoEndOn = {});
bool sleepUntil(std::chrono::system_clock::time_point deadline, std::stop_token alsoEndOn = {});

} // namespace threads
