// Starts a program and measures, from outside, how long it takes until its window is mapped
// and how much memory it holds a while later. Used by bench/startup.sh.
//
//   bench_startup_watch <window title> <seconds after the map> <program> [arguments...]
//
// Before the fork the watcher selects SubstructureNotify on the root window, so it hears of
// every top-level window as it is created; it then selects StructureNotify and PropertyChange
// on each new one and takes the first MapNotify of a window whose _NET_WM_NAME (or WM_NAME) is
// the title. Times are CLOCK_MONOTONIC, from just before fork() to the moment the event is
// read. After the wait the program's memory is read from /proc and it is ended with SIGTERM.
// Prints one line: map_ms=… vmrss_kb=… rss_anon_kb=… rss_file_kb=… pss_kb=…
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Windows can vanish between an event and our request about them; such errors are expected.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

std::string nameOf(Display* d, Window w) {
    const Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        name.assign(reinterpret_cast<char*>(data), count);
    }
    if (data) XFree(data);
    if (name.empty()) {
        char* plain = nullptr;
        if (XFetchName(d, w, &plain) && plain) name = plain;
        if (plain) XFree(plain);
    }
    return name;
}

// A /proc/<pid>/<file> line "Key:   123 kB" as its number; -1 when missing.
long procKb(pid_t pid, const char* file, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size() + 1, key + ":") == 0) {
            return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
        }
    }
    return -1;
}

void stop(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <window title> <seconds after the map> <program> [args]\n",
                     argv[0]);
        return 2;
    }
    const std::string title = argv[1];
    const double settleSeconds = std::atof(argv[2]);
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, False);

    const double start = nowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        close(ConnectionNumber(d));
        execvp(argv[3], argv + 3);
        std::perror("exec");
        _exit(127);
    }

    std::set<Window> watched;
    double mappedAt = -1;
    const auto isOurs = [&](Window w) {
        XWindowAttributes a{};
        return XGetWindowAttributes(d, w, &a) && a.map_state != IsUnmapped && nameOf(d, w) == title;
    };
    while (mappedAt < 0) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "the program ended before its window was mapped\n");
            return 1;
        }
        if (nowMs() - start > 60000) {
            std::fprintf(stderr, "no window \"%s\" within a minute\n", title.c_str());
            stop(pid);
            return 1;
        }
        if (!XPending(d)) {
            pollfd p{ConnectionNumber(d), POLLIN, 0};
            poll(&p, 1, 100);
            continue;
        }
        XEvent e;
        XNextEvent(d, &e);
        const double at = nowMs();
        if (e.type == CreateNotify && e.xcreatewindow.parent == root) {
            const Window w = e.xcreatewindow.window;
            watched.insert(w);
            XSelectInput(d, w, StructureNotifyMask | PropertyChangeMask);
            // Mapped before we listened: counted now, a little late.
            if (isOurs(w)) mappedAt = nowMs();
        } else if (e.type == MapNotify && watched.count(e.xmap.window)) {
            if (nameOf(d, e.xmap.window) == title) mappedAt = at;
        } else if (e.type == PropertyNotify && watched.count(e.xproperty.window)) {
            // A window named only after it was mapped counts from its naming.
            if (isOurs(e.xproperty.window)) mappedAt = at;
        }
    }

    std::this_thread::sleep_for(std::chrono::duration<double>(settleSeconds));
    const long vmRss = procKb(pid, "status", "VmRSS");
    const long rssAnon = procKb(pid, "status", "RssAnon");
    const long rssFile = procKb(pid, "status", "RssFile");
    const long pss = procKb(pid, "smaps_rollup", "Pss");
    stop(pid);
    XCloseDisplay(d);
    if (vmRss < 0) {
        std::fprintf(stderr, "the program ended before its memory was read\n");
        return 1;
    }
    std::printf("map_ms=%.1f vmrss_kb=%ld rss_anon_kb=%ld rss_file_kb=%ld pss_kb=%ld\n",
                mappedAt - start, vmRss, rssAnon, rssFile, pss);
    return 0;
}
