// Whole-process wake-ups per second: the voluntary context switches of every thread of the
// process (each one a thread that blocked and was woken again), read from /proc/self/task, in
// a window left idle with the background loops in several states. perf-wakeups.sh runs it
// under perf to tell the wake-ups that come from outside the process (timers) from the
// hand-overs between its own threads.
//
//   bench_wakeups [seconds per scenario]     (default 30)
#include "bench/benchWindow.h"

#include "workers/clock.h"

#include "platform/toolkit/toolkit.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <pthread.h>
#include <string>
#include <unistd.h>

namespace {

int seconds = 30;

struct Switches {
    long long voluntary = 0;
    long long involuntary = 0;
};

// Per thread id: its name and its switch counts.
std::map<std::string, std::pair<std::string, Switches>> sample() {
    std::map<std::string, std::pair<std::string, Switches>> tasks;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        std::string line;
        auto& [name, counts] = tasks[task.path().filename().string()];
        while (std::getline(status, line)) {
            if (line.rfind("Name:", 0) == 0) {
                name = line.substr(line.find_first_not_of(" \t", 5));
            } else if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
                counts.voluntary = std::atoll(line.c_str() + 24);
            } else if (line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
                counts.involuntary = std::atoll(line.c_str() + 27);
            }
        }
    }
    return tasks;
}

// The system clock, naming the worker thread that first reads it so that the per-thread
// figures say which loop is which.
class NamingClock final : public workers::Clock {
  public:
    explicit NamingClock(const char* name) : name_(name) {}
    workers::TimePoint now() const override {
        thread_local bool named = false;
        if (!named) {
            pthread_setname_np(pthread_self(), name_);
            named = true;
        }
        return workers::systemClock().now();
    }
    bool sleepUntil(workers::TimePoint deadline, std::stop_token alsoEndOn = {}) override {
        return workers::systemClock().sleepUntil(deadline, alsoEndOn);
    }
    workers::LocalTime localTime(workers::TimePoint moment) const override {
        return workers::systemClock().localTime(moment);
    }

  private:
    const char* name_;
};

// Runs the GUI thread's event loop for the given time; the one timer that ends it is the only
// wake-up the measurement adds.
void idleFor(int s) {
    bench::runEvents(std::chrono::seconds(s));
}

double monotonicSeconds(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

void measure(const char* scenario) {
    const auto before = sample();
    const auto start = std::chrono::steady_clock::now();
    idleFor(seconds);
    const auto end = std::chrono::steady_clock::now();
    const double elapsed = std::chrono::duration<double>(end - start).count();
    const auto after = sample();
    double voluntary = 0;
    double involuntary = 0;
    std::string perThread;
    for (const auto& [tid, entry] : after) {
        const auto& [name, counts] = entry;
        const auto old = before.find(tid);
        const Switches from = old == before.end() ? Switches{} : old->second.second;
        const double v = static_cast<double>(counts.voluntary - from.voluntary) / elapsed;
        const double n = static_cast<double>(counts.involuntary - from.involuntary) / elapsed;
        voluntary += v;
        involuntary += n;
        if (v + n >= 0.05) {
            char part[96];
            std::snprintf(part, sizeof part, " %s %.2f", name.c_str(), v);
            perThread += part;
        }
    }
    std::printf("%-44s wake-ups/s %5.2f (involuntary %4.2f) %s  [%s ]\n", scenario, voluntary,
                involuntary, voluntary <= 4.0 ? "goal met" : "goal NOT met", perThread.c_str());
    // For perf-wakeups.sh: the scenario's span on CLOCK_MONOTONIC.
    std::printf("span %.6f %.6f %s\n", monotonicSeconds(start), monotonicSeconds(end), scenario);
    std::fflush(stdout);
}

int entry() {
    pthread_setname_np(pthread_self(), "gui");
    const testsupport::WorkerWindow w = testsupport::openWorkerWindow();
    workers::SharedSelection selection;
    NamingClock countdownClock("countdown");
    NamingClock clockClock("clock");
    NamingClock reminderClock("reminder");

    idleFor(2); // let start-up settle
    measure("window idle, no loops");

    workers::TickerInputs countdownInputs = w.tickers;
    countdownInputs.clock = &countdownClock;
    workers::TickerInputs clockInputs = w.tickers;
    clockInputs.clock = &clockClock;
    std::jthread countdown = workers::startCountdownTicker(countdownInputs);
    std::jthread clockTicker = workers::startClockTicker(clockInputs);
    idleFor(1);
    measure("both tickers");

    workers::InputsChanged changes;
    workers::ReminderInputs inputs = testsupport::reminderInputs(w, &selection);
    inputs.changes = &changes;
    inputs.deliver = [](int) {};
    inputs.clock = &reminderClock;
    std::jthread loop = workers::startReminderLoop(inputs);
    measure("tickers + reminding on, nothing selected");

    const workers::PeriodNames names = testsupport::gbkPeriodNames();
    selection.store(
        std::make_shared<const std::string>(names[1] + "*" + names[5] + "*" + names[9] + "*"));
    changes.raise();
    measure("tickers + reminding on, 3 periods selected");

    std::string all;
    for (const std::string& name : names) {
        all += name + "*";
    }
    selection.store(std::make_shared<const std::string>(all));
    changes.raise();
    measure("tickers + reminding on, all 12 selected");

    std::printf("pid %d\n", static_cast<int>(getpid()));
    for (const auto& [tid, entry] : sample()) {
        std::printf("task %s %s\n", tid.c_str(), entry.first.c_str());
    }
    for (std::jthread* t : {&loop, &countdown, &clockTicker}) {
        t->request_stop();
        t->join();
    }
    bench::closeWorkerWindow(w);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmark(argc, argv, seconds, 2, entry);
}
