// The local hiscore file without a window: a missing or short file must not end the
// program, a save must never leave the table damaged or gone, and a media folder the
// player cannot write sends the file to the user's data folder.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "core/cipher.h"
#include "game/globals.h"
#include "game/hiscore_file.h"

namespace qvt::test {
namespace {

namespace fs = std::filesystem;
using game::G;

constexpr int kNobody = 65534;

std::string encipher(const std::string& text) {
    return std::string(EncryptText(game::kHiscoreKey, RuntimeString(text.c_str())).c_str());
}

// The first `lines` lines of a table whose entry i is "S<i>", 100 * (i + 1), sent 0.
void writeTable(const std::string& path, int lines, bool finalNewline = true) {
    std::ofstream out(path, std::ios::binary);
    for (int n = 0; n < lines; ++n) {
        int i = n / 3;
        std::string text = n % 3 == 0 ? "S" + std::to_string(i)
                           : n % 3 == 1 ? std::to_string(100 * (i + 1))
                                        : "0";
        out << encipher(text);
        if (finalNewline || n + 1 < lines) out << "\r\n";
    }
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string name(int i) { return std::string(G().LocalName(i).c_str()); }

void setDefaults() {
    for (int i = 0; i < game::kHiscoreEntries; ++i) {
        G().LocalScore(i) = 1000.0 * (i + 1);
        G().LocalName(i) = "ORVELSOFT";
        G().LocalSent(i) = 1;
    }
}

bool isDefault(int i) {
    return name(i) == "ORVELSOFT" && G().LocalScore(i) == 1000.0 * (i + 1) && G().LocalSent(i) == 1;
}

// An environment variable set for the test's length and put back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A media folder of its own as the current directory, and the tables at their defaults.
class HiscoreFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/qvt-hiscore-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        base = dir;
        // Others may pass through: the read-only test runs a part as another user.
        fs::permissions(base, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
        media = base + "/Media";
        fs::create_directory(media);
        oldCwd = fs::current_path();
        fs::current_path(media);
        game::ResetGlobals();
        game::CreateHiscoreTables();
        setDefaults();
    }
    void TearDown() override {
        fs::current_path(oldCwd);
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(base, ec)) {
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        fs::remove_all(base, ec);
        game::ResetGlobals();
    }

    std::string base, media;
    fs::path oldCwd;
};

// ---- Reading --------------------------------------------------------------------------------

TEST_F(HiscoreFileTest, MissingFileKeepsTheDefaults) {
    // Reading on would end the process through the channel layer's error stop.
    EXPECT_EQ(game::ReadHiscoreFile(game::kHiscoreFile), 0);
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(isDefault(i)) << "index " << i;
}

TEST_F(HiscoreFileTest, EmptyFileKeepsTheDefaults) {
    writeTable(game::kHiscoreFile, 0);
    EXPECT_EQ(game::ReadHiscoreFile(game::kHiscoreFile), 0);
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(isDefault(i)) << "index " << i;
}

TEST_F(HiscoreFileTest, ShortFileGivesTheLinesItHas) {
    writeTable(game::kHiscoreFile, 7);
    EXPECT_EQ(game::ReadHiscoreFile(game::kHiscoreFile), 7);
    EXPECT_EQ(name(0), "S0");
    EXPECT_EQ(G().LocalScore(0), 100);
    EXPECT_EQ(G().LocalSent(0), 0);
    EXPECT_EQ(name(1), "S1");
    EXPECT_EQ(G().LocalScore(1), 200);
    EXPECT_EQ(name(2), "S2") << "line 7 is entry 2's name";
    EXPECT_EQ(G().LocalScore(2), 3000) << "entry 2's score line is missing: its default stays";
    EXPECT_EQ(G().LocalSent(2), 1);
    for (int i = 3; i < 10; ++i) EXPECT_TRUE(isDefault(i)) << "index " << i;
}

TEST_F(HiscoreFileTest, WholeFileWithoutFinalLineEndIsReadWhole) {
    writeTable(game::kHiscoreFile, 30, false);
    EXPECT_EQ(game::ReadHiscoreFile(game::kHiscoreFile), 30);
    EXPECT_EQ(name(9), "S9");
    EXPECT_EQ(G().LocalScore(9), 1000);
    EXPECT_EQ(G().LocalSent(9), 0);
}

TEST_F(HiscoreFileTest, LinesAfterTheThirtiethAreNotRead) {
    writeTable(game::kHiscoreFile, 30);
    std::ofstream(game::kHiscoreFile, std::ios::app) << encipher("EXTRA") << "\r\n";
    EXPECT_EQ(game::ReadHiscoreFile(game::kHiscoreFile), 30);
}

// ---- Writing --------------------------------------------------------------------------------

TEST_F(HiscoreFileTest, SaveReplacesTheFileThroughATemporaryOne) {
    writeTable(game::kHiscoreFile, 30);
    G().LocalName(9) = "SAVED";
    ASSERT_TRUE(game::WriteHiscoreFile(game::kHiscoreFile));
    EXPECT_FALSE(fs::exists(std::string(game::kHiscoreFile) + ".tmp")) << "renamed, not left over";
    setDefaults();
    EXPECT_EQ(game::ReadHiscoreFile(game::kHiscoreFile), 30);
    EXPECT_EQ(name(9), "SAVED");
}

TEST_F(HiscoreFileTest, FailedSaveLeavesTheOldFileAsItWas) {
    writeTable(game::kHiscoreFile, 30);
    const std::string before = fileBytes(game::kHiscoreFile);
    // A folder where the temporary file would go: it cannot be made.
    fs::create_directory(std::string(game::kHiscoreFile) + ".tmp");
    G().LocalName(9) = "LOST";
    EXPECT_FALSE(game::WriteHiscoreFile(game::kHiscoreFile));
    EXPECT_EQ(fileBytes(game::kHiscoreFile), before) << "the old table must survive a failed save";
}

TEST_F(HiscoreFileTest, SaveCreatesAMissingFile) {
    ASSERT_TRUE(game::WriteHiscoreFile(game::kHiscoreFile));
    setDefaults();
    G().LocalName(0) = "X";
    EXPECT_EQ(game::ReadHiscoreFile(game::kHiscoreFile), 30);
    EXPECT_EQ(name(0), "ORVELSOFT");
}

// ---- Where the file lives -------------------------------------------------------------------

TEST_F(HiscoreFileTest, WritableMediaFolderKeepsTheFileBesideTheMedia) {
    writeTable(game::kHiscoreFile, 30);
    ScopedEnv xdg("XDG_DATA_HOME", (base + "/xdg").c_str());
    EXPECT_EQ(std::string(game::LocateHiscoreFile(game::kHiscoreFile).c_str()), game::kHiscoreFile);
    EXPECT_FALSE(fs::exists(base + "/xdg")) << "no data folder for a writable media folder";
    for (const auto& e : fs::directory_iterator(media)) {
        EXPECT_EQ(e.path().filename(), game::kHiscoreFile) << "the probe leaves nothing behind";
    }
}

TEST_F(HiscoreFileTest, DataFolderFollowsTheBaseDirectoryRules) {
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/data/home");
        ScopedEnv home("HOME", "/home/player");
        EXPECT_EQ(game::UserDataFolder(), "/data/home/rayvaulter");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", "relative/data");
        ScopedEnv home("HOME", "/home/player");
        EXPECT_EQ(game::UserDataFolder(), "/home/player/.local/share/rayvaulter")
            << "a relative XDG_DATA_HOME is ignored";
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", "/home/player");
        EXPECT_EQ(game::UserDataFolder(), "/home/player/.local/share/rayvaulter");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", "");
        ScopedEnv home("HOME", nullptr);
        EXPECT_EQ(game::UserDataFolder(), "");
    }
}

// What the child process of the read-only test checks, as its exit code.
enum ChildResult {
    kChildOk = 0,
    kChildMediaWritable = 10,
    kChildWrongPath,
    kChildNotCopied,
    kChildNotRead,
    kChildNotSaved,
    kChildCopiedAgain,
};

int readOnlyMediaChild(const std::string& media, const std::string& expectedPath) {
    if (access(media.c_str(), W_OK) == 0) return kChildMediaWritable;
    if (chdir(media.c_str()) != 0) return kChildMediaWritable;
    game::ResetGlobals();
    game::CreateHiscoreTables();
    setDefaults();
    std::string path = game::LocateHiscoreFile(game::kHiscoreFile).c_str();
    if (path != expectedPath) return kChildWrongPath;
    if (fileBytes(path) != fileBytes(game::kHiscoreFile)) return kChildNotCopied;
    if (game::ReadHiscoreFile(RuntimeString(path.c_str())) != 30 || name(9) != "S9") return kChildNotRead;
    G().LocalName(9) = "PLAYER";
    if (!game::WriteHiscoreFile(RuntimeString(path.c_str()))) return kChildNotSaved;
    // A later start keeps the player's table instead of copying the shipped one again.
    setDefaults();
    path = game::LocateHiscoreFile(game::kHiscoreFile).c_str();
    if (path != expectedPath || game::ReadHiscoreFile(RuntimeString(path.c_str())) != 30 ||
        name(9) != "PLAYER") {
        return kChildCopiedAgain;
    }
    return kChildOk;
}

TEST_F(HiscoreFileTest, ReadOnlyMediaFolderMovesTheFileToTheDataFolder) {
    writeTable(game::kHiscoreFile, 30);
    const std::string shipped = fileBytes(game::kHiscoreFile);
    const std::string dataHome = base + "/xdg";
    fs::create_directory(dataHome);
    fs::permissions(media, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read |
                               fs::perms::others_exec);
    // Root writes through permission bits; the check then runs as an unprivileged user.
    const bool asRoot = geteuid() == 0;
    if (asRoot) {
        ASSERT_EQ(chown(dataHome.c_str(), kNobody, kNobody), 0);
    }
    ScopedEnv xdg("XDG_DATA_HOME", dataHome.c_str());
    const std::string expected = dataHome + "/rayvaulter/" + game::kHiscoreFile;

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (asRoot && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(99);
        _exit(readOnlyMediaChild(media, expected));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kChildOk)
        << "10 media writable, 11 wrong path, 12 not copied, 13 not read, 14 not saved, "
           "15 copied again";
    EXPECT_EQ(fileBytes(std::string(media) + "/" + game::kHiscoreFile), shipped)
        << "the shipped file stays as shipped";
    fs::current_path(oldCwd);
    game::ResetGlobals();
    game::CreateHiscoreTables();
    EXPECT_EQ(game::ReadHiscoreFile(RuntimeString(expected.c_str())), 30);
    EXPECT_EQ(name(9), "PLAYER");
}

}  // namespace
}  // namespace qvt::test
