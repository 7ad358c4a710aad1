// Runs the toolkit's process life with a window that closes itself; prints what happened, for
// toolkitRunTest to check from outside (the end-of-process routines run after entry returns).
#include "platform/toolkit/toolkit.h"

#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

bool withWindow = true;

void first() {
    std::puts("first routine");
}
void second() {
    std::puts("second routine");
}
void onDestroying(toolkit::ControlRef) {
    std::puts("destroying");
}

const toolkit::FormTemplate form{
    .name = "probe", .width = 200, .height = 100, .onDestroying = onDestroying};

int entry() {
    toolkit::atExit(first);
    toolkit::atExit(second);
    if (withWindow) {
        const toolkit::ControlRef window = toolkit::loadWindow(form);
        QTimer::singleShot(50, [window] { toolkit::closeWindow(window); });
    }
    toolkit::messageLoop();
    std::puts("loop ended");
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    withWindow = !(argc > 1 && std::strcmp(argv[1], "--no-window") == 0);
    const int result = toolkit::run(argc, argv, entry);
    std::fflush(stdout);
    return result;
}
