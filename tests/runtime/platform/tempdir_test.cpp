// The private temporary folder: which folder is chosen, which are refused, and that files
// in it are never opened through a symbolic link.
#include "platform/tempdir.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qvt::platform {
namespace {

namespace fs = std::filesystem;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A scratch folder per test, and $TMPDIR restored afterwards.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qvt-tempdir-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        scratch = tmpl;
        if (const char* old = getenv("TMPDIR")) savedTmpdir = old;
        hadTmpdir = getenv("TMPDIR") != nullptr;
        forgetPrivateTempDir();
    }
    void TearDown() override {
        if (hadTmpdir) {
            setenv("TMPDIR", savedTmpdir.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
        forgetPrivateTempDir();
        std::error_code ignored;
        fs::remove_all(scratch, ignored);
    }
    std::string makeDir(const std::string& name, mode_t mode) {
        std::string path = scratch + "/" + name;
        EXPECT_EQ(mkdir(path.c_str(), 0700), 0) << path;
        EXPECT_EQ(chmod(path.c_str(), mode), 0) << path;
        return path;
    }

    std::string scratch;
    std::string savedTmpdir;
    bool hadTmpdir = false;
};

TEST_F(TempDirTest, PrivateTmpdirIsUsedWithTrailingSlash) {
    std::string dir = makeDir("mine", 0700);
    setenv("TMPDIR", dir.c_str(), 1);
    EXPECT_EQ(privateTempDir(), dir + "/");
    setenv("TMPDIR", (dir + "/").c_str(), 1);
    EXPECT_EQ(privateTempDir(), dir + "/") << "the choice is cached until forgotten";
    forgetPrivateTempDir();
    EXPECT_EQ(privateTempDir(), dir + "/") << "a trailing slash is not doubled";
}

TEST_F(TempDirTest, FoldersOthersCouldWriteOrRedirectAreRefused) {
    std::string mine = makeDir("mine", 0700);
    EXPECT_TRUE(isPrivateDir(mine));
    EXPECT_TRUE(isPrivateDir(makeDir("readable", 0755))) << "others may read, not write";
    EXPECT_FALSE(isPrivateDir(makeDir("group", 0770))) << "group-writable";
    EXPECT_FALSE(isPrivateDir(makeDir("world", 0777))) << "world-writable";
    EXPECT_FALSE(isPrivateDir(makeDir("sticky", 01777))) << "shared like /tmp itself";

    std::string link = scratch + "/link";
    ASSERT_EQ(symlink(mine.c_str(), link.c_str()), 0);
    EXPECT_FALSE(isPrivateDir(link)) << "a symbolic link, even to a private folder";
    EXPECT_FALSE(isPrivateDir(link + "/")) << "also written with a trailing slash";

    std::string file = scratch + "/file";
    std::ofstream(file) << "x";
    EXPECT_FALSE(isPrivateDir(file)) << "not a folder";
    EXPECT_FALSE(isPrivateDir(scratch + "/missing"));
    EXPECT_FALSE(isPrivateDir(""));
}

TEST_F(TempDirTest, ForeignOwnerIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give a folder away";
    std::string theirs = makeDir("theirs", 0700);
    ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(isPrivateDir(theirs));
    setenv("TMPDIR", theirs.c_str(), 1);
    std::string chosen = choosePrivateTempDir();
    EXPECT_NE(chosen, theirs + "/");
    EXPECT_TRUE(isPrivateDir(chosen)) << chosen;
}

TEST_F(TempDirTest, SharedOrLinkedTmpdirFallsBackToAPrivateFolder) {
    std::string shared = makeDir("shared", 0777);
    setenv("TMPDIR", shared.c_str(), 1);
    std::string chosen = choosePrivateTempDir();
    ASSERT_FALSE(chosen.empty());
    EXPECT_EQ(chosen.back(), '/');
    EXPECT_EQ(chosen.rfind(shared, 0), std::string::npos) << "nothing inside the shared folder";
    EXPECT_TRUE(isPrivateDir(chosen)) << chosen;

    std::string link = scratch + "/link";
    ASSERT_EQ(symlink(makeDir("target", 0700).c_str(), link.c_str()), 0);
    setenv("TMPDIR", link.c_str(), 1);
    chosen = choosePrivateTempDir();
    EXPECT_NE(chosen, link + "/");
    EXPECT_TRUE(isPrivateDir(chosen)) << chosen;
}

TEST_F(TempDirTest, WithoutTmpdirTheUserFolderIsPrivate) {
    unsetenv("TMPDIR");
    std::string chosen = choosePrivateTempDir();
    std::string user = "/tmp/quivent-" + std::to_string(getuid());
    EXPECT_EQ(chosen.rfind(user, 0), 0u) << chosen;
    EXPECT_TRUE(isPrivateDir(chosen)) << chosen;
    struct stat st{};
    ASSERT_EQ(lstat(chosen.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(TempDirTest, FilesAreNeverOpenedThroughALink) {
    std::string target = scratch + "/target.txt";
    std::ofstream(target) << "precious";
    std::string link = scratch + "/ErrorLog.txt";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);

    EXPECT_EQ(openTempFile(link, TempFileMode::Append), nullptr);
    EXPECT_EQ(openTempFile(link, TempFileMode::Create), nullptr);
    EXPECT_EQ(openTempFile(link, TempFileMode::Read), nullptr);
    EXPECT_EQ(readFile(target), "precious") << "the link's target is untouched";

    EXPECT_TRUE(removeTempFile(link));
    EXPECT_TRUE(fs::exists(target)) << "removing the link leaves its target";
    EXPECT_FALSE(removeTempFile(link)) << "nothing left to remove";
}

TEST_F(TempDirTest, NewFilesArePrivateAndModesBehave) {
    std::string path = scratch + "/data.bin";
    std::FILE* f = openTempFile(path, TempFileMode::Create);
    ASSERT_NE(f, nullptr);
    std::fputs("one", f);
    std::fclose(f);
    struct stat st{};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    f = openTempFile(path, TempFileMode::Append);
    ASSERT_NE(f, nullptr);
    std::fputs("two", f);
    std::fclose(f);
    EXPECT_EQ(readFile(path), "onetwo");

    f = openTempFile(path, TempFileMode::Create);
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(readFile(path), "") << "Create truncates";
    EXPECT_EQ(openTempFile(scratch + "/missing", TempFileMode::Read), nullptr);
}

}  // namespace
}  // namespace qvt::platform
