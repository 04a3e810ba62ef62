// The local hiscore file without a window: a missing or short file must not end the
// program, a save must never leave the table damaged or gone, and a media folder the
// player cannot write sends the file to the user's data folder.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "game/game_harness.h"

namespace qvt::test {
namespace {

namespace fs = std::filesystem;

constexpr int kNobody = 65534;
const std::string kFile = game::kHiscoreFile;

// The first `lines` lines of a table whose entry i is "S<i>", 100 * (i + 1), sent 0.
void writeTable(const std::string& path, int lines, bool finalNewline = true) {
    writeBytes(path, hiscoreLines(lines, "S", 100, "0", finalNewline));
}

RuntimeString rs(const std::string& s) { return RuntimeString(s.c_str()); }

// A media folder of its own as the current directory, and the tables at their defaults.
class HiscoreFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Others may pass through: the read-only test runs a part as another user.
        fs::permissions(base.path(), fs::perms::owner_all | fs::perms::group_read |
                                         fs::perms::group_exec | fs::perms::others_read |
                                         fs::perms::others_exec);
        fs::create_directory(media);
        oldCwd = fs::current_path();
        fs::current_path(media);
        game::ResetGlobals();
        game::CreateHiscoreTables();
        fillLocalTable();
    }
    void TearDown() override {
        fs::current_path(oldCwd);
        fs::permissions(media, fs::perms::owner_all, fs::perm_options::add);
        game::ResetGlobals();
    }

    ScratchFolder base;
    const std::string media = base / "Media";
    fs::path oldCwd;
};

// Entry fields the file does not reach keep their defaults; lines after the 30th are not read.
// One of the sanitizer runs ("San"): it reads up to and past the end of short files.
using SanHiscoreFileTest = HiscoreFileTest;

TEST_F(SanHiscoreFileTest, ReadingTakesTheLinesTheFileHasAndKeepsTheRest) {
    struct Case {
        int lines;  // -1: no file
        bool finalNewline;
        int read;
    } cases[] = {{-1, true, 0}, {0, true, 0}, {7, true, 7}, {30, false, 30}, {31, true, 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lines << " lines");
        fs::remove(kFile);
        if (c.lines >= 0) writeTable(kFile, c.lines, c.finalNewline);
        fillLocalTable();
        // Reading past the end would end the process through the channel layer's error stop.
        EXPECT_EQ(game::ReadHiscoreFile(rs(kFile)), c.read);
        for (int i = 0; i < 10; ++i) {
            SCOPED_TRACE(testing::Message() << "index " << i);
            EXPECT_EQ(localName(i), 3 * i < c.read ? "S" + std::to_string(i) : "ORVELSOFT");
            EXPECT_EQ(G().LocalScore(i), 3 * i + 1 < c.read ? 100 * (i + 1) : 1000 * (i + 1));
            EXPECT_EQ(G().LocalSent(i), 3 * i + 2 < c.read ? 0 : 1);
        }
    }
}

// Lines end with CR LF; an empty name is an empty line; ten digits keep their value.
TEST_F(HiscoreFileTest, SaveWritesThroughATemporaryFileOrLeavesTheOldOne) {
    G().LocalName(0) = "";
    G().LocalScore(7) = 9876543210;
    ASSERT_TRUE(game::WriteHiscoreFile(rs(kFile))) << "a missing file is made";
    EXPECT_FALSE(fs::exists(kFile + ".tmp")) << "renamed, not left over";
    const std::string text = readText(kFile);
    EXPECT_EQ(text.substr(0, 2), "\r\n");
    fillLocalTable();
    EXPECT_EQ(game::ReadHiscoreFile(rs(kFile)), 30);
    EXPECT_EQ(localName(0), "");
    EXPECT_EQ(G().LocalScore(7), 9876543210);

    fs::create_directory(kFile + ".tmp");  // the temporary file cannot be made
    G().LocalName(9) = "LOST";
    EXPECT_FALSE(game::WriteHiscoreFile(rs(kFile)));
    EXPECT_EQ(readText(kFile), text) << "the old table must survive a failed save";
}

// What the child process of the read-only test checks, as its exit code. The second start
// must find the player's table, not a fresh copy of the shipped one.
int readOnlyMediaChild(const std::string& media, const std::string& expected) {
    if (access(media.c_str(), W_OK) == 0 || chdir(media.c_str()) != 0) return 10;
    game::ResetGlobals();
    game::CreateHiscoreTables();
    for (const char* best : {"S9", "PLAYER"}) {
        const std::string path = game::LocateHiscoreFile(rs(kFile)).c_str();
        if (path != expected) return 11;
        if (game::ReadHiscoreFile(rs(path)) != 30 || localName(9) != best) return 12;
        G().LocalName(9) = "PLAYER";
        if (!game::WriteHiscoreFile(rs(path))) return 13;
    }
    return 0;
}

TEST_F(HiscoreFileTest, ReadOnlyMediaFolderMovesTheFileToTheDataFolder) {
    writeTable(kFile, 30);
    const std::string shipped = readText(kFile);
    const std::string dataHome = base / "xdg";
    fs::create_directory(dataHome);
    fs::permissions(media,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    // Root writes through permission bits; the check then runs as an unprivileged user.
    const bool asRoot = geteuid() == 0;
    if (asRoot) {
        ASSERT_EQ(chown(dataHome.c_str(), kNobody, kNobody), 0);
    }
    ScopedEnv xdg("XDG_DATA_HOME", dataHome.c_str());
    const std::string expected = dataHome + "/rayvaulter/" + kFile;

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (asRoot && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(99);
        _exit(readOnlyMediaChild(media, expected));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "10 media writable, 11 wrong path, 12 not copied or copied again, 13 not saved";
    EXPECT_EQ(readText(media + "/" + kFile), shipped) << "the shipped file stays as shipped";
    EXPECT_EQ(game::ReadHiscoreFile(rs(expected)), 30);
    EXPECT_EQ(localName(9), "PLAYER");
}

}  // namespace
}  // namespace qvt::test
