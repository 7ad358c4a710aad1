#include "platform/shell/launch.h"

#include "tests/support/testFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::readBytes;

namespace {

class Launch : public ::testing::Test {
  protected:
    static void writeFile(const fs::path& file, const std::string& text, fs::perms perms) {
        testsupport::writeBytes(file, text);
        fs::permissions(file, perms);
    }

    // Nothing of ours is left to reap: the program is not our child, and neither is a zombie.
    static void expectNoChildren() {
        const pid_t reaped = waitpid(-1, nullptr, WNOHANG);
        const int error = errno;
        EXPECT_EQ(reaped, -1);
        EXPECT_EQ(error, ECHILD);
    }

    testsupport::TempDir scratch;
    const fs::path root = scratch.path();
};

constexpr fs::perms executable = fs::perms::owner_all;
constexpr fs::perms readWrite = fs::perms::owner_read | fs::perms::owner_write;

} // namespace

TEST_F(Launch, RefusesWhatItCannotRun) {
    writeFile(root / "plain.sh", "#!/bin/sh\ntouch started\n", readWrite);
    writeFile(root / "garbage", "not a program\n", executable); // the kernel refuses it
    fs::create_directories(root / "folder");
    fs::permissions(root / "folder", fs::perms::all);
    const fs::path cases[] = {"", root / "missing", root / "plain.sh", root / "garbage",
                              root / "folder"};
    for (const auto& path : cases) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(shell::launchDetached(path));
    }
    EXPECT_FALSE(fs::exists(root / "started"));
    EXPECT_FALSE(fs::exists("started"));
    expectNoChildren();
}

TEST_F(Launch, RunsDetachedInItsOwnFolder) {
    // A folder name with a space, a quote and Chinese: no shell may split or expand it.
    const fs::path folder = root / "游戏 '登录器' $HOME";
    fs::create_directories(folder);
    const fs::path script = folder / "launcher.sh";
    // Records its folder, its arguments, its standard streams and whether it leads its own
    // session (field 6 of /proc/<pid>/stat), then moves the record into place.
    writeFile(script,
              "#!/bin/sh\n"
              "in=$(readlink /proc/$$/fd/0); out=$(readlink /proc/$$/fd/1)\n"
              "err=$(readlink /proc/$$/fd/2); stat=$(sed 's/.*) //' /proc/$$/stat)\n"
              "{\n"
              "  pwd -P; echo \"args=$#\"; echo \"$in\"; echo \"$out\"; echo \"$err\"\n"
              "  set -- $stat; [ \"$4\" = \"$$\" ] && echo session-leader\n"
              "} > marker.part\n"
              "mv marker.part marker\n",
              executable);

    ASSERT_TRUE(shell::launchDetached(script));

    const fs::path marker = folder / "marker";
    for (int i = 0; i < 400 && !fs::exists(marker); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(fs::exists(marker));
    EXPECT_EQ(readBytes(marker), fs::canonical(folder).string() +
                                     "\nargs=0\n/dev/null\n/dev/null\n/dev/null\nsession-leader\n");
    expectNoChildren();
}

TEST_F(Launch, RelativePathIsTakenFromTheCurrentDirectory) {
    writeFile(root / "run.sh", "#!/bin/sh\npwd -P > marker.part && mv marker.part marker\n",
              executable);
    const fs::path before = fs::current_path();
    fs::current_path(root);
    const bool started = shell::launchDetached("run.sh");
    fs::current_path(before);
    ASSERT_TRUE(started);
    for (int i = 0; i < 400 && !fs::exists(root / "marker"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(readBytes(root / "marker"), fs::canonical(root).string() + "\n");
}
