// The private temporary folder: which folder is chosen, which are refused, and that files
// in it are never opened through a symbolic link.
#include "platform/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/files.h"

namespace qvt::platform {
namespace {

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override { forgetPrivateTempDir(); }
    void TearDown() override { forgetPrivateTempDir(); }
    std::string makeDir(const std::string& name, mode_t mode) {
        const std::string path = scratch / name;
        EXPECT_EQ(mkdir(path.c_str(), mode), 0) << path;
        EXPECT_EQ(chmod(path.c_str(), mode), 0) << path;
        return path;
    }
    std::string makeLink(const std::string& target, const std::string& name) {
        EXPECT_EQ(symlink(target.c_str(), (scratch / name).c_str()), 0);
        return scratch / name;
    }
    test::ScratchFolder scratch;
    test::ScopedEnv tmpdir{"TMPDIR", nullptr};
};

TEST_F(TempDirTest, FoldersOthersCouldWriteOrRedirectAreRefusedAsTmpdir) {
    const std::string mine = makeDir("mine", 0700), link = makeLink(mine, "link");
    test::writeBytes(scratch / "file", "x");
    const std::pair<std::string, bool> cases[] = {
        {mine, true}, {makeDir("readable", 0755), true}, {makeDir("group", 0770), false},
        {makeDir("world", 0777), false}, {makeDir("sticky", 01777), false}, {link, false},
        {link + "/", false}, {scratch / "file", false}, {scratch / "missing", false}, {"", false}};
    for (const auto& [path, privateDir] : cases) EXPECT_EQ(isPrivateDir(path), privateDir) << path;
    if (geteuid() == 0) {
        const std::string theirs = makeDir("theirs", 0700);
        ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(isPrivateDir(theirs)) << "another user's folder";
    }

    setenv("TMPDIR", (mine + "/").c_str(), 1);
    EXPECT_EQ(privateTempDir(), mine + "/") << "a trailing slash is not doubled";
    for (const std::string& refused : {scratch / "world", link}) {
        setenv("TMPDIR", refused.c_str(), 1);
        const std::string chosen = choosePrivateTempDir();
        // Our usual folder when it is ours (made by the first call), else a fresh one beside it.
        const std::string usual = "/tmp/quivent-" + std::to_string(getuid());
        EXPECT_EQ(chosen.rfind(usual, 0), 0u) << chosen;
        EXPECT_EQ(chosen, isPrivateDir(usual) ? usual + "/" : chosen);
        EXPECT_TRUE(isPrivateDir(chosen)) << chosen;
        struct stat st{};
        ASSERT_EQ(lstat(chosen.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
}

TEST_F(TempDirTest, FilesArePrivateAndNeverOpenedThroughALink) {
    const std::string path = scratch / "data.bin";
    for (auto [mode, text] : {std::pair{TempFileMode::Create, "one"}, {TempFileMode::Append, "two"}}) {
        std::FILE* f = openTempFile(path, mode);
        ASSERT_NE(f, nullptr);
        std::fputs(text, f);
        std::fclose(f);
    }
    EXPECT_EQ(test::readText(path), "onetwo");
    struct stat st{};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    const std::string link = makeLink(path, "ErrorLog.txt");
    test::writeBytes(path, "precious");
    for (TempFileMode mode : {TempFileMode::Append, TempFileMode::Create, TempFileMode::Read}) {
        EXPECT_EQ(openTempFile(link, mode), nullptr);
    }
    EXPECT_EQ(test::readText(path), "precious");
    EXPECT_TRUE(removeTempFile(link));
    EXPECT_TRUE(std::filesystem::exists(path)) << "removing the link leaves its target";
}

}  // namespace
}  // namespace qvt::platform
