// The name entry of a new hiscore, the entry's place in the table, and the table saved by
// SaveHiScore coming back whole.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/cipher.h"
#include "game/globals.h"
#include "game/hiscore_file.h"
#include "game/routines.h"
#include "gfx/screen.h"
#include "support/pixels.h"
#include "game_harness.h"

namespace qvt::test {
namespace {

using game::G;

constexpr int kKeyEnter = 28;

class NameEntryTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HasFatalFailure()) return;
        // Names that tell the entries apart: N0 (1000) .. N9 (10000).
        for (int i = 0; i < game::kHiscoreEntries; ++i) {
            G().LocalScore(i) = 1000.0 * (i + 1);
            G().LocalName(i) = RuntimeString(("N" + std::to_string(i)).c_str());
            G().LocalSent(i) = 1;
        }
        hiscorePath = runtime->tempDir() + "orvelsoft.ini";
        G().HiscoreFileName = RuntimeString(hiscorePath.c_str());
    }

    // Runs the name entry for score, typing text (one chunk per frame from frame 2 on).
    int enterName(double score, std::vector<std::string> chunks) {
        G().Score = score;
        return runRoutine(game::NewHiScore, 200, [&, chunks](int frame) {
            std::size_t k = static_cast<std::size_t>(frame - 2);
            if (frame >= 2 && k < chunks.size()) keys().type(chunks[k]);
        });
    }

    std::string name(int i) { return std::string(G().LocalName(i).c_str()); }

    std::string hiscorePath;
};

TEST_F(NameEntryTest, NamesHoldNineCharactersWithBlanksAsUnderscores) {
    std::string shown;
    G().Score = 5500;
    runRoutine(game::NewHiScore, 200, [&](int frame) {
        if (frame == 2) keys().type("AB CDEFGHIJK");  // one character is taken per frame
        if (frame == 20) shown = std::string(G().EntryName.c_str());
        if (frame == 20) keys().type("\bZ\n");
    });
    EXPECT_TRUE(returned());
    EXPECT_EQ(shown, "AB_CDEFGH") << "the tenth character and later ones are refused";
    EXPECT_EQ(name(4), "AB_CDEFGZ") << "backspace frees a place";
}

TEST_F(NameEntryTest, OtherCharactersAreIgnored) {
    // Tab, a character beyond 126 (Windows-1252 e acute) and DEL do not enter a name.
    enterName(5500, {"a", "\t", "\xC3\xA9", "\x7F", "~!", "\n"});
    EXPECT_TRUE(returned());
    EXPECT_EQ(name(4), "a~!");
}

TEST_F(NameEntryTest, BackspaceOnAnEmptyNameKeepsItEmpty) {
    enterName(5500, {"\b\b", "Q", "\n"});
    EXPECT_EQ(name(4), "Q");
}

TEST_F(NameEntryTest, EmptyNameIsStoredAsOrvelsoft) {
    enterName(5500, {"\n"});
    EXPECT_EQ(name(4), "ORVELSOFT");
}

TEST_F(NameEntryTest, CharactersTypedBeforeTheEntryAreDiscarded) {
    keys().type("OLD");
    enterName(5500, {"\n"});
    EXPECT_EQ(name(4), "ORVELSOFT");
}

TEST_F(NameEntryTest, HeldEnterIsWaitedOut) {
    G().Score = 5500;
    int frames = runRoutine(game::NewHiScore, 100, [&](int frame) {
        if (frame == 2) {
            keys().press(kKeyEnter);
            keys().type("\n");
        }
        if (frame == 9) keys().release(kKeyEnter);
    });
    EXPECT_TRUE(returned());
    EXPECT_EQ(frames, 9) << "frames 3 to 9 wait for Enter to be released";
}

TEST_F(NameEntryTest, ScoreAboveTheBestGoesToTheTop) {
    enterName(20000, {"TOP\n"});
    EXPECT_EQ(G().LocalScore(9), 20000);
    EXPECT_EQ(name(9), "TOP");
    EXPECT_EQ(G().LocalSent(9), 0) << "a new entry is still to be sent";
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(G().LocalScore(i), 1000.0 * (i + 2)) << "index " << i;
        EXPECT_EQ(name(i), "N" + std::to_string(i + 1)) << "index " << i;
        EXPECT_EQ(G().LocalSent(i), 1) << "index " << i;
    }
}

TEST_F(NameEntryTest, ScoreBetweenFourAndFiveGoesToFour) {
    enterName(5500, {"MID\n"});
    EXPECT_EQ(name(4), "MID");
    EXPECT_EQ(G().LocalScore(4), 5500);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(name(i), "N" + std::to_string(i + 1)) << "index " << i;
    for (int i = 5; i < 10; ++i) EXPECT_EQ(name(i), "N" + std::to_string(i)) << "index " << i;
}

TEST_F(NameEntryTest, EqualScoreGoesBelowTheOlderEntry) {
    enterName(6000, {"TIE\n"});
    EXPECT_EQ(name(4), "TIE");
    EXPECT_EQ(name(5), "N5");
    EXPECT_EQ(G().LocalScore(5), 6000);
}

TEST_F(NameEntryTest, ShowsScoreAndNameOverBlack) {
    SetClearColour(0x0000FF);
    G().Score = 12345;
    runRoutine(game::NewHiScore, 100, [&](int frame) {
        if (frame == 2) keys().type("AB");
        if (frame != 5) return;
        EXPECT_EQ(readText(216, 64, 13), " NEW HISCORE ");
        EXPECT_EQ(readText(264, 80, 7), " 12345 ");
        EXPECT_EQ(readText(128, 160, 24), " ENTER YOUR NAME WINNER ");
        // "AB" is 32 pixels wide in the code font: centred at 320 - 16.
        EXPECT_EQ(readText(288, 192, 4), " AB ");
        EXPECT_EQ(readFramePixel(20, 20), (FramePixel{0, 0, 0})) << "the screen is filled black";
        keys().type("\n");
    });
    EXPECT_TRUE(returned());
}

// ---- Saving -------------------------------------------------------------------------------

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(NameEntryTest, SavedTableReadsBackTheSame) {
    G().LocalName(1) = "";  // index 0 once the new entry pushes the old index 0 out
    G().LocalName(7) = "A_B~!";
    G().LocalScore(8) = 9876543210;  // ten digits keep their value through the text
    G().LocalSent(8) = 0;
    enterName(99999, {"NEW\n"});
    ASSERT_TRUE(std::filesystem::exists(hiscorePath));

    const std::string bytes = fileBytes(hiscorePath);
    std::istringstream lines(bytes);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        ASSERT_TRUE(line.empty() || line.back() == '\r') << "lines end with CR LF; line " << count;
        if (!line.empty()) line.pop_back();
        EXPECT_EQ(line.find_first_not_of("0123456789abcdef"), std::string::npos)
            << "lower-case hex only; line " << count;
        EXPECT_EQ(line.size() % 16, 0u) << "whole cipher blocks; line " << count;
    }
    EXPECT_EQ(count, game::kHiscoreLines);

    // What SaveHiScore wrote, read as a fresh start-up reads it.
    double scores[10], sent[10];
    std::string names[10];
    for (int i = 0; i < 10; ++i) {
        scores[i] = G().LocalScore(i);
        sent[i] = G().LocalSent(i);
        names[i] = name(i);
    }
    game::ResetGlobals();
    game::CreateHiscoreTables();
    EXPECT_EQ(game::ReadHiscoreFile(RuntimeString(hiscorePath.c_str())), game::kHiscoreLines);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(name(i), names[i]) << "index " << i;
        EXPECT_EQ(G().LocalScore(i), scores[i]) << "index " << i;
        EXPECT_EQ(G().LocalSent(i), sent[i]) << "index " << i;
    }
    EXPECT_EQ(name(9), "NEW");
    EXPECT_EQ(name(0), "");
    EXPECT_EQ(name(6), "A_B~!");
    EXPECT_EQ(G().LocalScore(7), 9876543210);
    EXPECT_EQ(G().LocalSent(7), 0);
}

TEST_F(NameEntryTest, EmptyNameIsWrittenAsAnEmptyLine) {
    G().LocalName(3) = "";
    game::SaveHiScore();
    std::istringstream lines(fileBytes(hiscorePath));
    std::string line;
    for (int n = 1; n <= 10; ++n) std::getline(lines, line);
    EXPECT_EQ(line, "\r") << "line 10 holds entry 3's name";
}

}  // namespace
}  // namespace qvt::test
