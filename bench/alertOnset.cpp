// Alert onset: how long after the start of its due second the reminder loop hands a period to
// the alert delivery, on the real clock, with both tickers running and the advance boxes read
// through the toolkit as in the program. Twelve periods are made due two seconds apart.
//
//   bench_alert_onset [rounds]     (default 1 round of 12 alerts, about 30 s)
#include "bench/benchWindow.h"

#include "workers/clock.h"

#include "core/textRules.h"
#include "platform/sound/sound.h"
#include "platform/toolkit/toolkit.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

int rounds = 1;

struct Onset {
    int period;
    std::int64_t expectedSecond;
    std::int64_t second = 0;
    double onsetMs = -1;
    double beepIssuedMs = -1;
};

// Sets the advance boxes so that period k falls due firstDelay + 2 (k - 1) seconds from now.
std::array<std::int64_t, core::periodCount> makeDue(const testsupport::WorkerWindow& w,
                                                    int firstDelay) {
    workers::Clock& clock = workers::systemClock();
    const workers::TimePoint now = clock.now();
    const workers::LocalTime t = clock.localTime(now);
    std::array<std::int64_t, core::periodCount> due{};
    for (int k = 1; k <= core::periodCount; ++k) {
        const int delay = firstDelay + 2 * (k - 1);
        const int target = (t.minute * 60 + t.second + delay) % 3600;
        const int start = (k == 1 ? core::periodCount : k - 1) * core::secondsPerPeriod;
        const int advance = ((start - target) % 3600 + 3600) % 3600;
        toolkit::setText(w.advanceBoxes[k - 1], core::intToText(advance));
        due[k - 1] = workers::wholeSecond(now) + delay;
    }
    return due;
}

int entry() {
    const testsupport::WorkerWindow w = testsupport::openWorkerWindow();
    toolkit::setChecked(w.alerts.beepBox, true); // beep only: the delivery returns at once
    std::jthread countdown = workers::startCountdownTicker(w.tickers);
    std::jthread clockTicker = workers::startClockTicker(w.tickers);

    workers::SharedSelection selection;
    std::string all;
    for (const std::string& name : testsupport::gbkPeriodNames()) {
        all += name + "*";
    }
    selection.store(std::make_shared<const std::string>(all));

    std::mutex mutex;
    std::vector<Onset> onsets;
    std::array<std::int64_t, core::periodCount> due = makeDue(w, 3);
    int round = 0;

    workers::InputsChanged changes;
    workers::ReminderInputs inputs = testsupport::reminderInputs(w, &selection);
    inputs.changes = &changes;
    inputs.deliver = [&](int k) {
        const workers::TimePoint at = workers::systemClock().now();
        workers::deliverAlert(k, w.alerts);
        const workers::TimePoint beeped = workers::systemClock().now();
        std::lock_guard lock(mutex);
        const std::int64_t second = workers::wholeSecond(at);
        onsets.push_back({k, due[k - 1], second, bench::millisIntoSecond(at),
                          std::chrono::duration<double, std::milli>(beeped - at).count() +
                              bench::millisIntoSecond(at)});
        if (k == core::periodCount) {
            if (++round < rounds) {
                toolkit::callOnGui([&] { due = makeDue(w, 3); });
                changes.raise();
            } else {
                bench::quitEvents();
            }
        }
    };
    std::jthread loop = workers::startReminderLoop(inputs);
    bench::runEvents(std::chrono::minutes(2 * rounds));
    for (std::jthread* t : {&loop, &countdown, &clockTicker}) {
        t->request_stop();
        t->join();
    }
    bench::closeWorkerWindow(w);
    sound::shutdown();

    std::vector<double> onsetMs;
    std::vector<double> beepMs;
    int wrongSecond = 0;
    std::printf("period  due second  onset ms  beep issued ms\n");
    for (const Onset& o : onsets) {
        const bool right = o.second == o.expectedSecond;
        wrongSecond += right ? 0 : 1;
        onsetMs.push_back(o.onsetMs + 1000.0 * static_cast<double>(o.second - o.expectedSecond));
        beepMs.push_back(o.beepIssuedMs +
                         1000.0 * static_cast<double>(o.second - o.expectedSecond));
        std::printf("%6d  %10lld  %8.3f  %14.3f%s\n", o.period,
                    static_cast<long long>(o.expectedSecond % 3600), onsetMs.back(), beepMs.back(),
                    right ? "" : "  (not in its due second)");
    }
    const double worst = onsetMs.empty() ? 0 : *std::max_element(onsetMs.begin(), onsetMs.end());
    std::printf("onset after the start of the due second (ms): %s\n",
                bench::summary(onsetMs).c_str());
    std::printf("beep handed to the sound output (ms):         %s\n",
                bench::summary(beepMs).c_str());
    std::printf("alerts missing: %d, outside their due second: %d; goal <= 20 ms each: %s\n",
                rounds * core::periodCount - static_cast<int>(onsets.size()), wrongSecond,
                worst <= 20.0 && wrongSecond == 0 ? "met" : "NOT met");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmark(argc, argv, rounds, 1, entry);
}
