// Clock-label lag: how long after each second boundary the clock ticker has written the new
// time into its label, on the real clock, and whether any second was skipped or repeated. The
// countdown ticker runs beside it and is measured the same way.
//
//   bench_clock_lag [seconds]     (default 120)
#include "bench/benchWindow.h"

#include "workers/clock.h"

#include "core/periodTable.h"
#include "platform/toolkit/toolkit.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

int seconds = 120;

// The system clock, looked at by the ticker that uses it: each wait for the next boundary
// starts right after the pass has written its label, so the time of that call bounds the lag
// of the label update from above.
class ObservedClock final : public workers::Clock {
  public:
    explicit ObservedClock(toolkit::ControlRef label) : label_(label) {}

    workers::TimePoint now() const override { return workers::systemClock().now(); }
    workers::LocalTime localTime(workers::TimePoint moment) const override {
        return workers::systemClock().localTime(moment);
    }

    bool sleepUntil(workers::TimePoint deadline) override {
        const workers::TimePoint passDone = now();
        const std::string shown = toolkit::text(label_); // after the measured point
        {
            std::lock_guard lock(mutex_);
            passes_.push_back({passDone, shown});
        }
        return workers::systemClock().sleepUntil(deadline);
    }

    struct Pass {
        workers::TimePoint done;
        std::string shown;
    };
    std::vector<Pass> passes() {
        std::lock_guard lock(mutex_);
        return passes_;
    }

  private:
    toolkit::ControlRef label_;
    std::mutex mutex_;
    std::vector<Pass> passes_;
};

// Lag of each pass after the boundary of the second it should show, the passes whose label is
// not the expected text, and the seconds skipped or repeated between passes.
struct Result {
    std::vector<double> lagMs;
    int wrongText = 0;
    int skipped = 0;
    int repeated = 0;
};

template <class ExpectedText>
Result judge(const std::vector<ObservedClock::Pass>& passes, ExpectedText expectedText) {
    Result r;
    std::int64_t previous = 0;
    // The first pass comes at the start, not after a boundary.
    for (std::size_t i = 1; i < passes.size(); ++i) {
        const ObservedClock::Pass& p = passes[i];
        const std::int64_t second = workers::wholeSecond(p.done);
        r.lagMs.push_back(bench::millisIntoSecond(p.done));
        const workers::LocalTime t = workers::systemClock().localTime(p.done);
        if (p.shown != expectedText(t)) {
            ++r.wrongText;
        }
        if (i > 1) {
            r.skipped += second - previous > 1 ? static_cast<int>(second - previous - 1) : 0;
            r.repeated += second == previous ? 1 : 0;
        }
        previous = second;
    }
    return r;
}

void report(const char* what, const Result& r) {
    const double worst = r.lagMs.empty() ? 0 : *std::max_element(r.lagMs.begin(), r.lagMs.end());
    std::printf("%s label written after the boundary (ms): %s\n", what,
                bench::summary(r.lagMs).c_str());
    std::printf("%s seconds skipped: %d, repeated: %d, label not showing its second: %d; "
                "goal <= 20 ms, none skipped or repeated: %s\n",
                what, r.skipped, r.repeated, r.wrongText,
                worst <= 20.0 && r.skipped == 0 && r.repeated == 0 && r.wrongText == 0 ? "met"
                                                                                       : "NOT met");
}

int entry() {
    const testsupport::WorkerWindow w = testsupport::openWorkerWindow();
    ObservedClock clockClock(w.tickers.clockLabel);
    ObservedClock countdownClock(w.tickers.countdownLabel);
    workers::TickerInputs clockInputs = w.tickers;
    clockInputs.clock = &clockClock;
    workers::TickerInputs countdownInputs = w.tickers;
    countdownInputs.clock = &countdownClock;

    std::jthread countdown = workers::startCountdownTicker(countdownInputs);
    std::jthread clockTicker = workers::startClockTicker(clockInputs);
    bench::runEvents(std::chrono::milliseconds(seconds * 1000 + 500));
    for (std::jthread* t : {&countdown, &clockTicker}) {
        t->request_stop();
        t->join();
    }
    bench::closeWorkerWindow(w);

    report("clock", judge(clockClock.passes(), [](const workers::LocalTime& t) {
               return core::clockText(t.hour, t.minute, t.second);
           }));
    const workers::PeriodNames names = testsupport::gbkPeriodNames();
    report("countdown", judge(countdownClock.passes(), [&](const workers::LocalTime& t) {
               return workers::countdownText(t.minute, t.second, names);
           }));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        seconds = std::max(2, std::atoi(argv[1]));
    }
    bench::chooseQtPlatform();
    return toolkit::run(argc, argv, entry);
}
