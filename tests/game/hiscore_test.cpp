// The name entry of a new hiscore and the entry's place in the table.
#include <map>
#include <string>

#include "game/game_harness.h"

namespace qvt::test {
namespace {

// One character is taken per frame: at most nine, blanks as underscores, backspace frees a
// place; other characters and what was typed before the entry are dropped. The screen shows
// the score and the name over black; an Enter still held is waited out with frames shown.
// One of the sanitizer runs ("San"): it edits names at both ends of their length.
using SanNameEntryTest = GameTest;

TEST_F(SanNameEntryTest, TypedNamesGoInBelowTheFirstHigherEntry) {
    struct Case {
        double score;
        std::string typedBefore;
        std::map<int, std::string> typed;
        int index;
        std::string name;
        int enterUp = 0;  // the frame in which an Enter held from frame 2 is let go
    } cases[] = {
        {5500, "", {{2, "!~ CDEFGHIJK"}, {20, "\b\t\xC3\xA9\x7FZ\n"}}, 4, "!~_CDEFGZ"},
        {5500, "OLD", {{2, "\n"}}, 4, "ORVELSOFT"},
        {20000, "", {{2, "TOP\n"}}, 9, "TOP"},
        {6000, "", {{2, "TIE\n"}}, 4, "TIE"},  // below the older entry of equal score
        {1001, "", {{2, "LOW\n"}}, 0, "LOW", 12},
    };
    G().HiscoreFileName = RuntimeString((runtime->tempDir() + "orvelsoft.ini").c_str());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "score " << c.score << ", name " << c.name);
        fillLocalTable("N");  // names that tell the entries apart: N0 (1000) .. N9 (10000)
        keys().type(c.typedBefore);
        G().Score = c.score;
        SetClearColour(0x0000FF);
        const int frames = runRoutine(game::NewHiScore, 200, [&](int f) {
            if (c.typed.count(f) != 0) keys().type(c.typed.at(f));
            if (f == 2 && c.enterUp != 0) keys().press(kKeyEnter);
            if (f == c.enterUp) keys().release(kKeyEnter);
            if (c.index != 9 || f != 5) return;
            EXPECT_EQ(readCells(216, 64, 13), " NEW HISCORE ");
            EXPECT_EQ(readCells(264, 80, 7), " 20000 ");
            EXPECT_EQ(readCells(280, 192, 5), " TOP ") << "centred on 320";
            EXPECT_EQ(readFramePixel(20, 20), (FramePixel{0, 0, 0})) << "the screen is black";
        });
        EXPECT_TRUE(returned());
        if (c.enterUp != 0) {
            EXPECT_EQ(frames, c.enterUp) << "Enter waited out";
        }
        EXPECT_EQ(localName(c.index), c.name);
        EXPECT_EQ(G().LocalScore(c.index), c.score);
        EXPECT_EQ(G().LocalSent(c.index), 0) << "a new entry is still to be sent";
        for (int i = 0; i < 10; ++i) {
            if (i == c.index) continue;
            const int was = i < c.index ? i + 1 : i;  // the lowest entry drops out
            EXPECT_EQ(localName(i), "N" + std::to_string(was)) << "index " << i;
            EXPECT_EQ(G().LocalScore(i), 1000.0 * (was + 1)) << "index " << i;
            EXPECT_EQ(G().LocalSent(i), 1) << "index " << i;
        }
    }
}

}  // namespace
}  // namespace qvt::test
