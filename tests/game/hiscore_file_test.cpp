// The local hiscore file without a window: a missing or short file must not end the
// program, and a save must never leave the table damaged or gone.
#include "game/game_harness.h"

namespace qvt::test {
namespace {

RuntimeString rs(const std::string& s) { return RuntimeString(s.c_str()); }

// The tables at their defaults, and a hiscore file's path in a scratch folder.
class HiscoreFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        game::ResetGlobals();
        game::CreateHiscoreTables();
        fillLocalTable();
    }
    void TearDown() override { game::ResetGlobals(); }

    ScratchFolder scratch;
    const std::string file = scratch / game::kHiscoreFile;
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
        std::filesystem::remove(file);
        // Entry i is "S<i>", 100 * (i + 1), sent 0.
        if (c.lines >= 0) writeBytes(file, hiscoreLines(c.lines, "S", 100, "0", c.finalNewline));
        fillLocalTable();
        // Reading past the end would end the process through the channel layer's error stop.
        EXPECT_EQ(game::ReadHiscoreFile(rs(file)), c.read);
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
    ASSERT_TRUE(game::WriteHiscoreFile(rs(file))) << "a missing file is made";
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp")) << "renamed, not left over";
    const std::string text = readText(file);
    EXPECT_EQ(text.substr(0, 2), "\r\n");
    fillLocalTable();
    EXPECT_EQ(game::ReadHiscoreFile(rs(file)), 30);
    EXPECT_EQ(localName(0), "");
    EXPECT_EQ(G().LocalScore(7), 9876543210);

    std::filesystem::create_directory(file + ".tmp");  // the temporary file cannot be made
    G().LocalName(9) = "LOST";
    EXPECT_FALSE(game::WriteHiscoreFile(rs(file)));
    EXPECT_EQ(readText(file), text) << "the old table must survive a failed save";
}

}  // namespace
}  // namespace qvt::test
