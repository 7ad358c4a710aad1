// The built-in alarm sound written beside the program when it is missing.
#include "workers/alerts.h"

#include "tests/support/testFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace fs = std::filesystem;
using testsupport::readBytes;

namespace {

class AlarmFile : public ::testing::Test {
  protected:
    std::size_t entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(root), fs::directory_iterator()));
    }

    testsupport::TempDir scratch;
    const fs::path root = scratch.path();
    const fs::path file = root / "报警.wav";
    const std::vector<std::uint8_t> bytes{'R', 'I', 'F', 'F', 0, 1, 2, 0xFF, 0x80};
};

TEST_F(AlarmFile, MissingFileIsWrittenWhole) {
    EXPECT_TRUE(workers::ensureAlarmSoundFile(file, bytes));
    EXPECT_EQ(readBytes(file), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(entries(), 1u); // no temporary file left behind
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IRUSR, 0u);
}

TEST_F(AlarmFile, ExistingNameIsLeftAlone) {
    struct Case {
        const char* what;
        void (*make)(const fs::path& file);
    };
    const Case cases[] = {
        {"another sound", [](const fs::path& f) { std::ofstream(f) << "my own alarm"; }},
        {"an empty file", [](const fs::path& f) { std::ofstream{f}; }},
        {"a dangling link", [](const fs::path& f) { fs::create_symlink("nowhere", f); }},
        {"a folder", [](const fs::path& f) { fs::create_directory(f); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(file);
        c.make(file);
        const auto status = fs::symlink_status(file).type();
        const std::string before =
            fs::is_regular_file(fs::symlink_status(file)) ? readBytes(file) : "";
        EXPECT_TRUE(workers::ensureAlarmSoundFile(file, bytes));
        EXPECT_EQ(fs::symlink_status(file).type(), status);
        if (status == fs::file_type::regular) {
            EXPECT_EQ(readBytes(file), before);
        }
        EXPECT_EQ(entries(), 1u);
    }
}

TEST_F(AlarmFile, UnwritablePlaceFailsQuietly) {
    EXPECT_FALSE(workers::ensureAlarmSoundFile(root / "missing" / "报警.wav", bytes));
    EXPECT_EQ(entries(), 0u);
}

} // namespace
