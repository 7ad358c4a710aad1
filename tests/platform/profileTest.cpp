#include "platform/profile/profile.h"
#include "platform/encoding/gbk.h"
#include "tests/support/testFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

// Fixtures are written in UTF-8 here and stored as GBK, as the program stores them.
using encoding::toGbk;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace {

std::set<std::string> namesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

unsigned permissionsOf(const fs::path& file) {
    struct stat st {};
    EXPECT_EQ(::stat(file.c_str(), &st), 0);
    return st.st_mode & 07777;
}

const std::string fallback = "FB";

class Profile : public ::testing::Test {
  protected:
    testsupport::TempDir scratch;
    const fs::path dir = scratch.path();
    const fs::path file = dir / "test.ini";
};

struct WriteCase {
    const char* what;
    std::optional<std::string> before; // UTF-8; no file when empty
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

TEST_F(Profile, WriteProducesExactBytes) {
    const WriteCase cases[] = {
        {"first write creates file and section", std::nullopt, "设置", "第一次启动", "1",
         "[设置]\r\n第一次启动=1\r\n"},
        {"replaced in its own line", "[a]\r\nk=old\r\nz=1\r\n", "a", "k", "new",
         "[a]\r\nk=new\r\nz=1\r\n"},
        {"stored spelling kept, blanks dropped", "[Sect]\r\n  Key = old \r\nz=1\r\n", "SECT", "kEY",
         "v", "[Sect]\r\nKey=v\r\nz=1\r\n"},
        {"appended at the end of the right section", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\n", "a", "k",
         "v", "[a]\r\nx=1\r\nk=v\r\n\r\n[b]\r\ny=2\n"},
        {"key of the same name in another section untouched", "[a]\r\nx=1\r\n[b]\r\nk=1\r\n", "a",
         "k", "2", "[a]\r\nx=1\r\nk=2\r\n[b]\r\nk=1\r\n"},
        {"comments and blank lines kept",
         "; head\r\n\r\n[a]\r\n; note\r\nx=1\r\n; tail\r\n\r\n[b]\r\n", "a", "k", "v",
         "; head\r\n\r\n[a]\r\n; note\r\nx=1\r\nk=v\r\n; tail\r\n\r\n[b]\r\n"},
        {"section without keys", "[a]\r\n\r\n[b]\r\nx=1\r\n", "a", "k", "v",
         "[a]\r\nk=v\r\n\r\n[b]\r\nx=1\r\n"},
        {"missing section appended at the end", "[a]\r\nx=1\r\n", "b", "k", "v",
         "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
        {"key after a last line without ending", "[a]\nx=1", "a", "k", "v", "[a]\nx=1\r\nk=v\r\n"},
        {"section after a last line without ending", "[a]\nx=1", "b", "k", "v",
         "[a]\nx=1\r\n[b]\r\nk=v\r\n"},
        {"LF-only file: other lines keep LF", "[a]\nk=1\ny=2\n", "a", "k", "2",
         "[a]\nk=2\r\ny=2\n"},
        {"first matching section and key win", "[a]\r\nk=1\r\nk=2\r\n[A]\r\nk=3\r\n", "a", "k", "9",
         "[a]\r\nk=9\r\nk=2\r\n[A]\r\nk=3\r\n"},
        {"a comment is never a key", "[a]\r\n;k=1\r\n", "a", "k", "2", "[a]\r\nk=2\r\n;k=1\r\n"},
        {"empty value", "[a]\r\nk=1\r\n", "a", "k", "", "[a]\r\nk=\r\n"},
        {"GBK key name", "[设置]\r\n左边=1\r\n顶边=2\r\n", "设置", "顶边", "-5",
         "[设置]\r\n左边=1\r\n顶边=-5\r\n"},
        // 丄 and 乤 differ only in a trail byte that reads as "A" or "a" on its own.
        {"GBK trail byte is not a letter", "[设置]\r\n丄=1\r\n", "设置", "乤", "2",
         "[设置]\r\n丄=1\r\n乤=2\r\n"},
        // The trail byte of 腯 reads as "]" on its own.
        {"GBK trail byte is not a bracket", "[腯]\r\nk=1\r\n", "腯", "k", "2", "[腯]\r\nk=2\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(file);
        if (c.before) writeBytes(file, toGbk(*c.before));
        EXPECT_TRUE(profile::writeString(file, toGbk(c.section), toGbk(c.key), toGbk(c.value)));
        EXPECT_EQ(readBytes(file), toGbk(c.after));
        EXPECT_EQ(profile::readString(file, toGbk(c.section), toGbk(c.key), fallback),
                  toGbk(c.value));
        EXPECT_EQ(namesIn(dir), std::set<std::string>{"test.ini"}); // no temporary file left
    }
}

struct ReadCase {
    const char* what;
    std::string content; // UTF-8
    std::string section;
    std::string key;
    std::string expected;
};

TEST_F(Profile, ReadFindsTheRightValue) {
    const ReadCase cases[] = {
        {"CR LF", "[a]\r\nk=v\r\n", "a", "k", "v"},
        {"LF alone", "[a]\nk=v\n", "a", "k", "v"},
        {"no ending on the last line", "[a] ; note\r\nk=v", "a", "k", "v"},
        {"empty value is not the fallback", "[a]\r\nk=\r\n", "a", "k", ""},
        {"line without = is no key", "[a]\r\nk\r\n", "a", "k", fallback},
        {"missing key", "[a]\r\nx=1\r\n", "a", "k", fallback},
        {"missing section", "[b]\r\nk=1\r\n", "a", "k", fallback},
        {"key of another section", "[a]\r\nx=1\r\n[b]\r\nk=2\r\n", "a", "k", fallback},
        {"blanks around names and value", "  [ a ]  \r\n  k  =  v w  \r\n", "a", "k", "v w"},
        {"value holding =", "[a]\r\nk=x=y\r\n", "a", "k", "x=y"},
        {"double quotes removed", "[a]\r\nk=\"v w\"\r\n", "a", "k", "v w"},
        {"single quotes removed", "[a]\r\nk='v'\r\n", "a", "k", "v"},
        {"empty quotes", "[a]\r\nk=\"\"\r\n", "a", "k", ""},
        {"unlike quotes kept", "[a]\r\nk=\"v'\r\n", "a", "k", "\"v'"},
        {"a lone quote kept", "[a]\r\nk=\"\r\n", "a", "k", "\""},
        {"inner quotes kept", "[a]\r\nk=a\"b\"\r\n", "a", "k", "a\"b\""},
        {"ASCII case ignored", "[SeCt]\r\nKEY=1\r\n", "sECT", "key", "1"},
        {"comment never matched", "[a]\r\n;k=1\r\n", "a", "k", fallback},
        {"first key wins", "[a]\r\nk=1\r\nk=2\r\n", "a", "k", "1"},
        {"first section wins", "[a]\r\nx=1\r\n[a]\r\nk=3\r\n", "a", "k", fallback},
        {"[ without ] is no section", "[a\r\nk=1\r\n", "a", "k", fallback},
        {"GBK names and value", "[设置]\r\n左边=１２０\r\n", "设置", "左边", "１２０"},
        {"GBK trail byte is not a letter", "[设置]\r\n丄=1\r\n", "设置", "乤", fallback},
        {"GBK trail byte is not a bracket", "[腯]\r\nk=1\r\n", "腯", "k", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(file, toGbk(c.content));
        EXPECT_EQ(profile::readString(file, toGbk(c.section), toGbk(c.key), fallback),
                  toGbk(c.expected));
    }
}

TEST_F(Profile, ReadWithoutFileGivesFallback) {
    EXPECT_EQ(profile::readString(file, "a", "k", fallback), fallback);
    EXPECT_EQ(profile::readString(file, "a", "k"), "");
    EXPECT_EQ(profile::readString(dir, "a", "k", fallback), fallback); // a directory
}

TEST_F(Profile, LongValuesAreCut) {
    const std::size_t max = profile::maxValueBytes;
    ASSERT_EQ(max, 10239u);
    const std::string whole(max, 'a');
    const struct {
        std::string stored;
        std::string expected;
    } cases[] = {
        {whole, whole},
        {whole + "bcd", whole},
        {"\"" + whole + "x\"", whole}, // quotes removed first, then cut
        // the cut is by bytes, even through a double-byte character
        {std::string(max - 1, 'a') + toGbk("啊"),
         std::string(max - 1, 'a') + toGbk("啊").substr(0, 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.size());
        writeBytes(file, "[a]\r\nk=" + c.stored + "\r\n");
        EXPECT_EQ(profile::readString(file, "a", "k"), c.expected);
    }
}

TEST_F(Profile, EveryReadSeesTheFileAsItIsNow) {
    ASSERT_TRUE(profile::writeString(file, "a", "k", "1"));
    EXPECT_EQ(profile::readString(file, "a", "k"), "1");
    writeBytes(file, "[a]\nk=2\n");
    EXPECT_EQ(profile::readString(file, "a", "k"), "2");
    ASSERT_TRUE(profile::writeString(file, "a", "k", "3"));
    EXPECT_EQ(readBytes(file), "[a]\nk=3\r\n");
}

TEST_F(Profile, UnsafeNamesAndLineBreaksAreRefused) {
    const std::string before = "[a]\r\nk=1\r\n";
    const struct {
        std::string section, key, value;
    } cases[] = {
        {"a", "k", "2\r\nevil=1"},
        {"a", "k", "2\nevil=1"},
        {"a", "k", "2\revil=1"},
        {"a", "k", "2\n[b]"},
        {"a", "k=x", "2"},
        {"a", "[k]", "2"},
        {"a", "k]", "2"},
        {"a", "k\nevil", "2"},
        {"a", ";k", "2"},
        {"a", "", "2"},
        {"a", "  ", "2"},
        {"a]x", "k", "2"},
        {"a\nb", "k", "2"},
        {"[a", "k", "2"},
        {"", "k", "2"},
        // A lead byte is no shield: lines split at the LF byte, a key ends at the "=" byte and
        // a lead byte at the end of a section name would swallow its "]".
        {"a", "k\x81\nevil", "2"},
        {"a", "k\x81=x", "2"},
        {"a\x81", "k", "2"},
        {"a\x81\nb", "k", "2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section + "|" + c.key + "|" + c.value);
        writeBytes(file, before);
        EXPECT_FALSE(profile::writeString(file, c.section, c.key, c.value));
        EXPECT_EQ(readBytes(file), before);
        EXPECT_EQ(profile::readString(file, "a", "evil", fallback), fallback);
        EXPECT_EQ(namesIn(dir), std::set<std::string>{"test.ini"});
    }
}

TEST_F(Profile, WriteIntoImpossiblePlaceChangesNothing) {
    const fs::path plain = dir / "plain";
    writeBytes(plain, "not a directory");
    const fs::path sub = dir / "sub";
    fs::create_directory(sub);
    EXPECT_FALSE(profile::writeString(plain / "x.ini", "a", "k", "1")); // parent is a file
    EXPECT_FALSE(profile::writeString(sub, "a", "k", "1"));             // path is a directory
    EXPECT_FALSE(profile::writeString(dir / "none" / "x.ini", "a", "k", "1"));
    EXPECT_EQ(readBytes(plain), "not a directory");
    EXPECT_TRUE(fs::is_empty(sub));
    EXPECT_EQ(namesIn(dir), (std::set<std::string>{"plain", "sub"}));
}

TEST_F(Profile, WriteFailingHalfWayLeavesOldFileIntact) {
    const std::string before = toGbk("[设置]\r\n左边=1\r\n; keep me\r\n");
    writeBytes(file, before);
    // Files may not grow beyond 64 bytes: writing the new content fails part of the way through.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written =
        profile::writeString(file, toGbk("设置"), toGbk("左边"), std::string(4096, '7'));
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(file), before);
    EXPECT_EQ(namesIn(dir), std::set<std::string>{"test.ini"});
}

TEST_F(Profile, TemporariesOfKilledWritersAreClearedByTheNextWrite) {
    // A writer killed between creating its temporary file and renaming it leaves the file
    // behind; the next write removes those whose process is gone, and no others.
    const pid_t gone = ::fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const std::string deadTemp = ".test.ini.tmp-" + std::to_string(gone) + "-0-12";
    const std::string liveTemp = ".test.ini.tmp-1-0-34"; // process 1 always runs
    const std::string stranger = ".test.ini.tmp-x";
    for (const std::string& name : {deadTemp, liveTemp, stranger}) writeBytes(dir / name, "half");
    ASSERT_TRUE(profile::writeString(file, toGbk("设置"), toGbk("左边"), "5"));
    EXPECT_EQ(namesIn(dir), (std::set<std::string>{"test.ini", liveTemp, stranger}));
}

TEST_F(Profile, ExistingPermissionsAreKept) {
    for (const unsigned mode : {0600u, 0640u, 0755u}) {
        SCOPED_TRACE(mode);
        writeBytes(file, "[a]\r\nk=1\r\n");
        fs::permissions(file, static_cast<fs::perms>(mode));
        ASSERT_TRUE(profile::writeString(file, "a", "k", "2"));
        EXPECT_EQ(readBytes(file), "[a]\r\nk=2\r\n");
        EXPECT_EQ(permissionsOf(file), mode);
    }
}

TEST_F(Profile, NewFileGets0644LessUmask) {
    for (const mode_t mask : {mode_t{022}, mode_t{027}, mode_t{0}}) {
        SCOPED_TRACE(mask);
        fs::remove(file);
        const mode_t old = ::umask(mask);
        const bool written = profile::writeString(file, "a", "k", "1");
        ::umask(old);
        ASSERT_TRUE(written);
        EXPECT_EQ(permissionsOf(file), 0644u & ~mask);
    }
}

TEST_F(Profile, SymbolicLinkIsWrittenThrough) {
    const fs::path real = dir / "real.ini";
    writeBytes(real, "[a]\r\nk=1\r\n");
    const fs::path link = dir / "link.ini";
    fs::create_symlink("real.ini", link);
    ASSERT_TRUE(profile::writeString(link, "a", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(real), "[a]\r\nk=2\r\n");
}

} // namespace
