#include "bench/benchWindow.h"

#include "platform/toolkit/toolkit.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace bench {

void closeWorkerWindow(const testsupport::WorkerWindow& w) {
    toolkit::closeWindow(w.window);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

namespace {
QEventLoop* running = nullptr;
}

void runEvents(std::chrono::milliseconds limit) {
    QEventLoop loop;
    running = &loop;
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    loop.exec();
    running = nullptr;
}

void quitEvents() {
    toolkit::callOnGui([] {
        if (running) {
            running->quit();
        }
    });
}

int runBenchmark(int argc, char** argv, int& count, int minimum, int (*entry)()) {
    if (argc > 1) {
        count = std::max(minimum, std::atoi(argv[1]));
    }
    // Offscreen when there is no display, so the benchmarks also run on a headless machine.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    return toolkit::run(argc, argv, entry);
}

double millisIntoSecond(workers::TimePoint moment) {
    const auto into = moment - std::chrono::floor<std::chrono::seconds>(moment);
    return std::chrono::duration<double, std::milli>(into).count();
}

std::string summary(std::vector<double> values) {
    if (values.empty()) {
        return "n=0";
    }
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        return values[std::min(values.size() - 1, static_cast<std::size_t>(q * values.size()))];
    };
    char line[160];
    std::snprintf(line, sizeof line, "n=%zu min=%.3f median=%.3f p95=%.3f max=%.3f", values.size(),
                  values.front(), at(0.5), at(0.95), values.back());
    return line;
}

} // namespace bench
