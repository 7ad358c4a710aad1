#include "platform/shell/launch.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace shell {

namespace {

// Runs in the grandchild between fork and exec, so only async-signal-safe calls. An errno
// written to report tells the caller that the program did not start.
[[noreturn]] void becomeProgram(const char* program, const char* folder, int report) {
    setsid();
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) {
        sigaction(sig, &byDefault, nullptr);
    }
    int error = 0;
    int null = open("/dev/null", O_RDWR);
    if (null < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0) {
        error = errno;
    } else if (chdir(folder) != 0) {
        error = errno;
    } else {
        // Nothing of ours (sockets, files) is handed on to the program.
        close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        char* const argv[] = {const_cast<char*>(program), nullptr};
        execve(program, argv, environ);
        error = errno;
    }
    [[maybe_unused]] ssize_t written = write(report, &error, sizeof error);
    _exit(127);
}

} // namespace

bool launchDetached(const std::filesystem::path& executable) {
    std::error_code ec;
    if (executable.empty() || !std::filesystem::is_regular_file(executable, ec)) {
        return false;
    }
    const std::filesystem::path absolute = std::filesystem::absolute(executable, ec);
    if (ec || access(absolute.c_str(), X_OK) != 0) {
        return false;
    }
    // Everything the children use is made before fork: a threaded parent may allocate no more.
    const std::string programPath = absolute.string();
    const std::string folder = absolute.parent_path().string();

    // Closed by a successful exec; otherwise it carries the errno of the failure.
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t middle = fork();
    if (middle == 0) {
        close(pipeEnds[0]);
        // The middle child ends at once, so the program is re-parented and never our zombie.
        const pid_t program = fork();
        if (program == 0) {
            becomeProgram(programPath.c_str(), folder.c_str(), pipeEnds[1]);
        }
        if (program < 0) {
            int error = errno;
            [[maybe_unused]] ssize_t written = write(pipeEnds[1], &error, sizeof error);
        }
        _exit(0);
    }
    close(pipeEnds[1]);
    if (middle < 0) {
        close(pipeEnds[0]);
        return false;
    }
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = read(pipeEnds[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(pipeEnds[0]);
    return got == 0;
}

} // namespace shell
