#include "workers/alerts.h"

#include "platform/encoding/gbk.h"
#include "platform/shell/launch.h"
#include "platform/sound/sound.h"
#include "platform/threads/threads.h"
#include "settings/settingsFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace workers {

void deliverAlert(int k, const AlertInputs& inputs) {
    const auto wanted = [](toolkit::ControlRef box) {
        return !threads::stopRequested() && toolkit::checked(box);
    };
    if (wanted(inputs.beepBox)) {
        sound::beep();
    }
    if (wanted(inputs.musicBox)) {
        sound::playFile(settings::musicFilePath());
    }
    if (wanted(inputs.messageBoxBox)) {
        static const std::string suffix = encoding::toGbk("时辰到啦");
        static const std::string title = encoding::toGbk("到点了");
        toolkit::messageBox(inputs.periodNames.at(k - 1) + suffix, title, false);
    }
    if (wanted(inputs.launcherBox)) {
        const std::string gamePath = settings::readSetting(settings::Key::GamePath);
        if (!gamePath.empty() && !threads::stopRequested()) {
            shell::launchDetached(settings::resolveStoredPath(gamePath));
        }
    }
}

namespace {

bool nameTaken(const std::filesystem::path& file) {
    std::error_code error;
    return std::filesystem::symlink_status(file, error).type() !=
           std::filesystem::file_type::not_found;
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// Moves from to its place unless a file of that name has appeared meanwhile.
bool renameIfFree(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // A file system that cannot refuse to replace: a hard link does the same, and where there
    // are no hard links either, a plain rename after one more look will do.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    return errno != EEXIST && !nameTaken(to) && ::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace

bool ensureAlarmSoundFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) {
    if (nameTaken(file)) {
        return true;
    }
    std::random_device random;
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temporary = file;
        temporary += "." + std::to_string(random()) + ".tmp";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd < 0) {
        return false;
    }
    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || !renameIfFree(temporary, file)) {
        ::unlink(temporary.c_str());
        return nameTaken(file);
    }
    return true;
}

} // namespace workers
