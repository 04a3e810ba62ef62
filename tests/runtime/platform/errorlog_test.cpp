// The start-up log: where it lives, what a fresh run leaves in it, and that it is never
// written through a planted symbolic link.
#include "core/log.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/tempdir.h"

namespace qvt {
namespace {

namespace fs = std::filesystem;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ErrorLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qvt-log-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = std::string(tmpl) + "/";
        hadTmpdir = getenv("TMPDIR") != nullptr;
        if (hadTmpdir) savedTmpdir = getenv("TMPDIR");
        setenv("TMPDIR", dir.c_str(), 1);
        platform::forgetPrivateTempDir();
    }
    void TearDown() override {
        if (hadTmpdir) {
            setenv("TMPDIR", savedTmpdir.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
        platform::forgetPrivateTempDir();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    std::string dir;
    std::string savedTmpdir;
    bool hadTmpdir = false;
};

TEST_F(ErrorLogTest, LivesInThePrivateFolder) {
    EXPECT_EQ(LogPath(), dir + "ErrorLog.txt");
}

TEST_F(ErrorLogTest, EveryRunStartsAFreshLog) {
    std::ofstream(dir + "ErrorLog.txt") << "old run\nline\n";
    StartLog();
    WriteLog("timer\n");
    WriteLog(nullptr);
    WriteLog("\n");
    WriteLogFormat("exepath=curdir= %s\n", "/opt/game");
    WriteLogFormat("Texture size limit: %d\n", 16384);
    EXPECT_EQ(readFile(LogPath()),
              "Start new log...\ntimer\nNULL\nexepath=curdir= /opt/game\n"
              "Texture size limit: 16384\n");

    StartLog();
    EXPECT_EQ(readFile(LogPath()), "Start new log...\n") << "the second run starts over";
}

TEST_F(ErrorLogTest, LongLinesAreWrittenWhole) {
    StartLog();
    std::string longText(100000, 'x');
    WriteLogFormat("BGRA ext NOT supported\n%s\n", longText.c_str());
    EXPECT_EQ(readFile(LogPath()), "Start new log...\nBGRA ext NOT supported\n" + longText + "\n");
}

TEST_F(ErrorLogTest, APlantedLinkIsRemovedAtStartAndNeverFollowed) {
    std::string target = dir + "victim.txt";
    std::ofstream(target) << "precious";
    ASSERT_EQ(symlink(target.c_str(), LogPath().c_str()), 0);

    StartLog();
    WriteLog("timer\n");
    EXPECT_EQ(readFile(target), "precious") << "the start did not write through the link";
    EXPECT_FALSE(fs::is_symlink(LogPath())) << "the link was replaced by a real log";
    EXPECT_EQ(readFile(LogPath()), "Start new log...\ntimer\n");

    // Planted while running: the line is dropped rather than written through it.
    ASSERT_EQ(unlink(LogPath().c_str()), 0);
    ASSERT_EQ(symlink(target.c_str(), LogPath().c_str()), 0);
    WriteLog("Input\n");
    EXPECT_EQ(readFile(target), "precious");
}

TEST_F(ErrorLogTest, TmpdirNamingAFileIsNotWrittenTo) {
    // The fallback folder is used instead.
    std::string file = dir + "not-a-folder";
    std::ofstream(file) << "keep";
    setenv("TMPDIR", file.c_str(), 1);
    platform::forgetPrivateTempDir();
    StartLog();
    WriteLog("timer\n");
    EXPECT_EQ(readFile(file), "keep");
    EXPECT_NE(LogPath().rfind(file, 0), 0u);
    std::error_code ignored;
    fs::remove(LogPath(), ignored);
}

}  // namespace
}  // namespace qvt
