// The start-up log: where it lives, what a fresh run leaves in it, and that it is never
// written through a planted symbolic link.
#include "core/log.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "platform/tempdir.h"
#include "support/files.h"

namespace qvt {
namespace {

using test::readText;

TEST(LogTest, EveryRunStartsAFreshLogThatNeverFollowsAPlantedLink) {
    test::ScratchFolder dir;
    test::ScopedEnv tmpdir("TMPDIR", dir.path().c_str());
    platform::forgetPrivateTempDir();
    EXPECT_EQ(LogPath(), dir / "ErrorLog.txt");
    test::writeBytes(LogPath(), "old run\nline\n");
    StartLog();
    WriteLog(nullptr);
    const std::string longText(100000, 'x');
    WriteLogFormat("exepath=curdir= %s\n%s\n", "/opt/game", longText.c_str());
    EXPECT_EQ(readText(LogPath()),
              "Start new log...\nNULLexepath=curdir= /opt/game\n" + longText + "\n");

    // Planted while running: the line is dropped rather than written through it. (Links
    // met at the start are removed like the old log: tests/runtime/platform/tempdir_test.)
    const std::string target = dir / "victim.txt";
    test::writeBytes(target, "precious");
    ASSERT_EQ(unlink(LogPath().c_str()), 0);
    ASSERT_EQ(symlink(target.c_str(), LogPath().c_str()), 0);
    WriteLog("Input\n");
    EXPECT_EQ(readText(target), "precious");
    platform::forgetPrivateTempDir();
}

}  // namespace
}  // namespace qvt
