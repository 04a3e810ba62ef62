// The play field read back by pixels: sky, star, sparks, beams, crates, ship, the
// destruction, bonus items and the heads-up texts, drawn with test-made sprites whose
// colours tell them apart.
#include <cmath>
#include <string>

#include "game/game_harness.h"

namespace qvt::test {
namespace {

using game::DrawPlayField;

// What the pixel at (x, y) shows, told by its colours through the translucent drawing:
// '.' the sky (' ' where its red has faded out), '0' to '8' the light of the star's frame
// over it, '#' a beam or a spark, 'S' the ship's straight frame, 'L' and 'R' the left
// (blue) and right (yellow) half of its banking frame, 'F' a fragment, 'C' a falling crate,
// 'c' a fading (paler) one, 'W' a bonus item.
char shows(int x, int y) {
    const FramePixel p = readFramePixel(x, y);
    if (p.b > 150) {
        if (p.r > 150) return p.g > 150 ? 'W' : 'F';
        if (p.r > 60) return 'c';
        return p.g > 60 ? 'C' : 'L';
    }
    if (p.r > 150) return p.g > 150 ? 'R' : 'S';
    if (p.b > 5) return '#';
    if (p.g > 10) return static_cast<char>('0' + std::lround((p.g / 0.9 - 20) / 20));
    return p.r >= 3 ? '.' : ' ';
}

// What n pixels along a row from (x, y), 4 apart, show.
std::string strip(int x, int y, int n) {
    std::string s;
    for (int k = 0; k < n; ++k) s += shows(x + 4 * k, y);
    return s;
}

// A beam's flicker adds at least some blue; the sky and the star add none.
bool beamAt(int x, int y) { return readFramePixel(x, y).b >= 60; }

struct Strip {
    int x0, y, n;
    std::string want;
};

class PlayDrawTest : public PlayTest {
protected:
    void SetUp() override {
        PlayTest::SetUp();
        if (HasFatalFailure()) return;
        // The ship: straight frame red; banking frame blue on its left half, yellow on its right.
        uploadTexture(1, makeImage(128, 64, [](int x, int) {
                          return opaque(x < 64 ? Rgb{255, 0, 0} : x < 96 ? Rgb{0, 0, 255}
                                                                          : Rgb{255, 255, 0});
                      }));
        for (int id = 2; id <= 5; ++id) {
            const int size[] = {0, 0, 64, 16, 32, 64};
            const Rgb c = id == 5 ? Rgb{255, 0, 255} : Rgb{255, 255, 255};
            uploadTexture(id, makeImage(size[id], size[id], [c](int, int) { return opaque(c); }));
        }
        // Star frame k a flat green of 20 + 20k, so the frame on screen can be read.
        for (int k = 0; k < 9; ++k) {
            const int green = 20 + 20 * k;
            uploadTexture(10 + k,
                          makeImage(512, 512, [green](int, int) { return opaque({1, green, 1}); }));
        }
        // Glyphs that can be read back through translucent drawing: each printable character
        // a solid square of green 255 with the low nibble of its code in red (16 levels apart)
        // and the high nibble in blue (32 apart).
        const std::string font = runtime->tempDir() + "hudfont.png";
        writeImage(font, 256, 128, [](int x, int y) {
            const int c = y / 16 * 16 + x / 16;
            return c >= 33 && c <= 126 ? FramePixel{(c & 15) * 16 + 8, 255, (c >> 4) * 32 + 16}
                                       : FramePixel{0, 0, 0};
        });
        LoadFontFile(RuntimeString(font.c_str()), 0);
        SelectFont(0);
        runtime->frame();
    }

    // Phase 3 with the ship settled at (256, 288), the star's top at 184, no beams,
    // nothing falling, the sparks out of sight.
    static void calmField() {
        GameGlobals& g = G();
        g.PlayPhase = game::kPhasePlay;
        g.StarTop = 184;
        g.BeamEnd = -16;
        g.ShipX = 256;
        g.ShipY = 288;
        g.ShipSlide = 0;
        g.ShipColour = game::kWhite;
        g.StarFrame = 3;
        g.LevelUpShow = 0;
        clearField();
        for (int i = 0; i < game::kSparkCount; ++i) {
            g.SparkY(i) = -100;
            g.SparkSpeed(i) = 0;
        }
    }
};

// Fields set on a calm field, and what DrawPlayField then shows.
TEST_F(PlayDrawTest, EachPartIsDrawnWhereItsFieldsPutIt) {
    struct Scene {
        const char* what;
        void (*set)(GameGlobals&);
        std::vector<Strip> strips;
    } scenes[] = {
        {"settled", [](GameGlobals&) {},
         {{248, 350, 22, "44SSSSSSSSSSSSSSSS4444"}}},
        {"gliding right: texture x 64 at the left edge, 128 at the right",
         [](GameGlobals& g) { g.ShipSlide = -1; },
         {{248, 300, 22, "44LLLLLLLLRRRRRRRR4444"}}},
        {"gliding left: mirrored", [](GameGlobals& g) { g.ShipSlide = 1; },
         {{248, 300, 22, "44RRRRRRRRLLLLLLLL4444"}}},
        {"phase 104: shrunk by 16 on every side", [](GameGlobals& g) { g.PlayPhase = 104; },
         {{248, 302, 22, "4444444444444444444444"},
          {248, 334, 22, "444444SSSSSSSS44444444"}}},
        {"phase 116: eight fragments 56 wide, 64 pixels out",
         [](GameGlobals& g) { g.PlayPhase = 116; },
         {{180, 226, 54, "444444444444444444444444444444444444444444444444444444"},
          {180, 230, 54, "4444FFFFFFFFFFFFFF44FFFFFFFFFFFFFF44FFFFFFFFFFFFFF4444"},
          {180, 320, 54, "4444FFFFFFFFFFFFFF444444444444444444FFFFFFFFFFFFFF4444"}}},
        {"phase 172: the fragments have shrunk to nothing",
         [](GameGlobals& g) { g.PlayPhase = 172; },
         {{180, 230, 54, "444444444444444444444444444444444444444444444444444444"}}},
        {"star frame 7 moves on to 8 (sprite 18), its top edge at 300",
         [](GameGlobals& g) {
             g.StarTop = 300;
             g.StarFrame = 7;
         },
         {{0, 298, 10, ".........."},
          {0, 302, 10, "8888888888"}}},
        {"after star frame 8 comes frame 0 (sprite 10)", [](GameGlobals& g) { g.StarFrame = 8; },
         {{0, 300, 10, "0000000000"}}},
        {"a crate fading (state 40, shrunk by 12) and a falling one, an item falling and one "
         "fading (state 24, shrunk by 4)",
         [](GameGlobals& g) {
             g.StarTop = 480;
             putCrate(0, 192, 100, 0);
             g.CrateState(0) = 40;
             putCrate(1, 320, 100, 0);
             putBonus(0, 400, 300, 0);
             putBonus(1, 464, 300, 0);  // beside the lanes, so nothing else is near it
             g.BonusState(1) = 24;
         },
         {{188, 110, 17, "................."},
          {188, 150, 17, "....cccccccccc..."},
          {188, 152, 17, "................."},
          {316, 114, 18, ".CCCCCCCCCCCCCCCC."},
          {396, 306, 27, ".WWWWWWWW.........WWWWWW..."}}},
    };
    for (const Scene& s : scenes) {
        SCOPED_TRACE(s.what);
        runtime->frame();
        calmField();
        s.set(G());
        DrawPlayField();
        for (const Strip& t : s.strips) {
            EXPECT_EQ(strip(t.x0, t.y, t.n), t.want) << "from " << t.x0 << ", " << t.y;
        }
    }
    EXPECT_TRUE(nearPixel(readFramePixel(206, 114), {77, 122, 179}, 3)) << "the fading crate";
}

// The beams end at BeamEnd, the outer ones 8 pixels lower; a spark falls and reenters 720
// pixels higher once below the screen.
TEST_F(PlayDrawTest, BeamsEndAtBeamEndAndSparksWrap) {
    GameGlobals& g = G();
    calmField();
    g.StarTop = 480;
    g.BeamEnd = 200;
    for (int i : {0, 1}) {
        g.SparkY(i) = 479 + i;
        g.SparkSpeed(i) = 1;
    }
    DrawPlayField();
    EXPECT_EQ(g.SparkY(0), 480) << "480 is not below the screen yet";
    EXPECT_EQ(g.SparkY(1), 481 - 720);
    for (int x : {288, 352}) EXPECT_TRUE(beamAt(x, 197) && !beamAt(x, 202)) << "inner, x " << x;
    for (int x : {224, 416}) EXPECT_TRUE(beamAt(x, 205) && !beamAt(x, 210)) << "outer, x " << x;
}

// The characters of n cells of the HUD font from (x, y), drawn at opacity 0.7 over the bare
// sky (read at the right edge); a blank where a cell's centre shows no glyph.
std::string readHudText(int x, int y, int n) {
    std::string text;
    const double skyRed = readFramePixel(630, y + 8).r;
    for (int k = 0; k < n; ++k) {
        const FramePixel p = readFramePixel(x + 16 * k + 8, y + 8);
        if (p.g < 150) {
            text += ' ';
            continue;
        }
        const long low = std::lround(((p.r - 0.3 * skyRed) / 0.7 - 8) / 16);
        const long high = std::lround((p.b / 0.7 - 16) / 32);
        text += static_cast<char>(high * 16 + low);
    }
    return text;
}

// "LEVEL UP" shows while frames are left and counts them down.
TEST_F(PlayDrawTest, HeadsUpTextsShowTheCuesTheScoreAndThePhase) {
    GameGlobals& g = G();
    struct Cells {
        int x, y, n;
        std::string text;
    };
    struct Case {
        double phase, levelUpShow, score;
        std::vector<Cells> cells;
    } cases[] = {
        {1, 0, 0, {{264, 232, 7, " READY "}, {296, 16, 3, " 0 "}, {0, 0, 8, "1:-107  "}}},
        {2, 0, 0, {{264, 232, 7, " GO!!! "}}},
        {3, 1, 0, {{240, 232, 10, " LEVEL UP "}, {0, 0, 8, "3:-105  "}}},
        {3, 0, 12345, {{240, 232, 10, "          "}, {264, 16, 7, " 12345 "}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "phase " << c.phase << ", LevelUpShow "
                                        << c.levelUpShow);
        calmField();
        g.StarTop = 480;  // no star and no beams: only the sky behind the texts
        g.BeamEnd = -16;
        g.PlayPhase = c.phase;
        g.LevelUpShow = c.levelUpShow;
        g.Score = c.score;
        g.ShipY = 600;  // out of sight, and so are its shrinking and fragments
        DrawPlayField();
        for (const Cells& t : c.cells) EXPECT_EQ(readHudText(t.x, t.y, t.n), t.text);
        EXPECT_EQ(g.LevelUpShow, std::max(0.0, c.levelUpShow - 1));
        runtime->frame();
    }
}

}  // namespace
}  // namespace qvt::test
