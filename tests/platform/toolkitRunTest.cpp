// The process life as a whole: the message loop ends with the last window, the end-of-process
// routines run once each in registration order, and the exit status is 0.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

struct Outcome {
    std::string output;
    int status = -1;
};

Outcome runProbe(const std::string& args) {
    Outcome o;
    const std::string command = "QT_QPA_PLATFORM=offscreen " PROBE_PATH " " + args + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return o;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        o.output += buffer;
    const int raw = pclose(pipe);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
}

} // namespace

TEST(ToolkitRun, LastWindowClosedEndsTheLoopThenRoutinesRunOnceInOrder) {
    const Outcome o = runProbe("");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.output, "destroying\nloop ended\nfirst routine\nsecond routine\n");
}

TEST(ToolkitRun, NoWindowMeansTheLoopIsNotEntered) {
    const Outcome o = runProbe("--no-window");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.output, "loop ended\nfirst routine\nsecond routine\n");
}
