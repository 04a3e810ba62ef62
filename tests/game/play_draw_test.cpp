// The play field read back by pixels: sky, star, sparks, beams, crates, ship, the
// destruction, bonus items and the heads-up texts, drawn with test-made sprites whose
// colours tell them apart.
#include <cmath>
#include <string>

#include "game/play_fixture.h"
#include "support/gl_fixture.h"

namespace qvt::test {
namespace {

using game::G;
using game::DrawPlayField;
using game::GameGlobals;

// Expected colour channels before rounding.
struct Colour {
    double r = 0, g = 0, b = 0;
};

// The sky's gradient at pixel row y: red 41 at the top edge, black at the bottom.
Colour sky(int y) { return {41.0 * (1.0 - (y + 0.5) / 480.0), 0, 0}; }

Colour plus(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

// Translucent drawing at opacity 0.7 over dst.
Colour over(Colour src, Colour dst) {
    return {0.7 * src.r + 0.3 * dst.r, 0.7 * src.g + 0.3 * dst.g, 0.7 * src.b + 0.3 * dst.b};
}

testing::AssertionResult pixelNear(int x, int y, Colour want, double tolerance = 3) {
    const FramePixel p = readFramePixel(x, y);
    if (std::abs(p.r - want.r) <= tolerance && std::abs(p.g - want.g) <= tolerance &&
        std::abs(p.b - want.b) <= tolerance) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << p
                                       << ", expected about rgb(" << want.r << ", " << want.g
                                       << ", " << want.b << ")";
}

// Star frame k's image is a flat green of 20 + 20k, so the frame on screen can be read.
double starGreen(double frame) { return 20 + 20 * frame; }
// The star adds its image at strength 0.9.
Colour starLight(double frame) { return {0, 0.9 * starGreen(frame), 0}; }

constexpr Rgb kShipStraight{255, 0, 0};
constexpr Rgb kShipBankingLeftHalf{0, 0, 255};
constexpr Rgb kShipBankingRightHalf{255, 255, 0};
constexpr Rgb kFragment{255, 0, 255};

Colour asColour(Rgb c) { return {double(c.r), double(c.g), double(c.b)}; }

// A font whose glyphs can be read back through translucent drawing: each printable
// character a solid square of green 255 with the low nibble of its code in red (16 levels
// apart) and the high nibble in blue (32 apart).
void writeHudFont(const std::string& path) {
    writeBmp(path, 256, 128, [](int x, int y) {
        const int c = y / 16 * 16 + x / 16;
        return c >= 33 && c <= 126 ? FramePixel{(c & 15) * 16 + 8, 255, (c >> 4) * 32 + 16}
                                   : FramePixel{0, 0, 0};
    });
}

class PlayDrawTest : public PlayTest {
protected:
    void SetUp() override {
        PlayTest::SetUp();
        if (HasFatalFailure()) return;
        // The ship: straight frame red; banking frame blue on its left half, yellow on its right.
        uploadTexture(1, makeImage(128, 64, [](int x, int) {
                          if (x < 64) return opaque(kShipStraight);
                          return opaque(x < 96 ? kShipBankingLeftHalf : kShipBankingRightHalf);
                      }));
        const auto white = [](int, int) { return opaque({255, 255, 255}); };
        uploadTexture(2, makeImage(64, 64, white));
        uploadTexture(3, makeImage(16, 16, white));
        uploadTexture(4, makeImage(32, 32, white));
        uploadTexture(5, makeImage(64, 64, [](int, int) { return opaque(kFragment); }));
        for (int k = 0; k < 9; ++k) {
            const int green = static_cast<int>(starGreen(k));
            uploadTexture(10 + k,
                          makeImage(512, 512, [green](int, int) { return opaque({1, green, 1}); }));
        }
        const std::string fontPath = runtime->tempDir() + "hudfont.bmp";
        writeHudFont(fontPath);
        LoadFontFile(RuntimeString(fontPath.c_str()), 0);
        SelectFont(0);
        runtime->frame();
    }

    // Phase 3 with the ship settled in lane 1, nothing falling, the sparks out of sight.
    static void calmField() {
        GameGlobals& g = G();
        g.PlayPhase = game::kPhasePlay;
        g.StarTop = 184;
        g.BeamEnd = 384;
        g.ShipLane = 1;
        g.ShipX = 256;
        g.ShipY = 288;
        g.ShipSlide = 0;
        g.ShipColour = game::kWhite;
        g.StarFrame = 3;
        g.LevelUpShow = 0;
        hideSparks();
        for (int i = 0; i < game::kCrateSlots; ++i) g.CrateState(i) = 0;
        for (int i = 0; i < game::kBonusSlots; ++i) g.BonusState(i) = 0;
    }
    static void hideSparks() {
        for (int i = 0; i < game::kSparkCount; ++i) {
            G().SparkY(i) = -100;
            G().SparkSpeed(i) = 0;
        }
    }
    // No star and no beams: only the sky behind the texts.
    static void bareSky() {
        calmField();
        G().StarTop = 480;
        G().BeamEnd = -16;
    }

    // A beam's flicker adds at least some blue; the sky and the star add none.
    static bool beamAt(int x, int y) { return readFramePixel(x, y).b >= 60; }
};

// ---- A whole frame of play --------------------------------------------------------------------

TEST_F(PlayDrawTest, APlayFrameShowsSkyStarBeamsCratesAndTheShip) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    hideSparks();
    putCrate(0, 192, 100, 0);
    putCrate(1, 384, 100, 0);
    g.CrateState(1) = 40;  // fades to 32 in the frame's rules
    runtime->frame();
    game::PlayFrame();
    ASSERT_EQ(g.PlayPhase, game::kPhasePlay);
    const Colour star = starLight(g.StarFrame);

    EXPECT_TRUE(pixelNear(600, 10, sky(10))) << "sky above the star";
    EXPECT_TRUE(pixelNear(600, 400, plus(sky(400), star))) << "the star's light";
    EXPECT_TRUE(pixelNear(600, 182, sky(182))) << "the star's top edge is at 184";

    for (int x : {224, 288, 352, 416}) EXPECT_TRUE(beamAt(x, 60)) << "beam at x " << x;
    EXPECT_FALSE(beamAt(212, 60));
    EXPECT_FALSE(beamAt(236, 60));

    EXPECT_TRUE(pixelNear(200, 110, over({0, 128, 255}, sky(110)))) << "a falling crate";
    EXPECT_TRUE(pixelNear(402, 130, over({128, 191, 255}, sky(130))))
        << "a fading crate (state 32): shrunk by 16, paler";
    EXPECT_TRUE(pixelNear(398, 130, sky(130))) << "outside the shrunk crate";

    EXPECT_TRUE(pixelNear(264, 300, over(asColour(kShipStraight), plus(sky(300), star))))
        << "the settled ship shows its straight frame";
    EXPECT_TRUE(pixelNear(316, 348, over(asColour(kShipStraight), plus(sky(348), star))));
    EXPECT_TRUE(pixelNear(252, 300, plus(sky(300), star))) << "left of the ship";
    EXPECT_TRUE(pixelNear(264, 354, plus(sky(354), star))) << "below the ship";
}

// ---- Ship -----------------------------------------------------------------------------------

TEST_F(PlayDrawTest, AGlidingShipBanksAndGlidingLeftMirrorsTheFrame) {
    GameGlobals& g = G();
    calmField();
    const Colour bgLeft = plus(sky(300), starLight(4));
    g.ShipSlide = -1;  // gliding right: texture x 64 at the left edge, 128 at the right
    DrawPlayField();
    EXPECT_TRUE(pixelNear(264, 300, over(asColour(kShipBankingLeftHalf), bgLeft)));
    EXPECT_TRUE(pixelNear(312, 300, over(asColour(kShipBankingRightHalf), bgLeft)));

    runtime->frame();
    g.StarFrame = 3;
    g.ShipSlide = 1;  // gliding left: 128 at the left edge, 64 at the right
    DrawPlayField();
    EXPECT_TRUE(pixelNear(264, 300, over(asColour(kShipBankingRightHalf), bgLeft)));
    EXPECT_TRUE(pixelNear(312, 300, over(asColour(kShipBankingLeftHalf), bgLeft)));
}

TEST_F(PlayDrawTest, TheDestructionShrinksTheShipThenBurstsItIntoEightFragments) {
    GameGlobals& g = G();
    calmField();
    const auto bg = [](int y) { return plus(sky(y), starLight(4)); };

    g.PlayPhase = 104;  // shrunk by 16 on every side: x 272..304, y 304..336
    DrawPlayField();
    EXPECT_TRUE(pixelNear(274, 320, over(asColour(kShipStraight), bg(320))));
    EXPECT_TRUE(pixelNear(268, 320, bg(320))) << "outside the shrunk ship";
    EXPECT_TRUE(pixelNear(274, 300, bg(300)));

    runtime->frame();
    g.StarFrame = 3;
    g.PlayPhase = 116;  // e = 4: each fragment 56 wide, 64 pixels out
    DrawPlayField();
    EXPECT_TRUE(pixelNear(262, 250, over(asColour(kFragment), bg(250)))) << "fragment (0, -1)";
    EXPECT_TRUE(pixelNear(262, 230, over(asColour(kFragment), bg(230))));
    EXPECT_TRUE(pixelNear(262, 226, bg(226))) << "above fragment (0, -1)";
    EXPECT_TRUE(pixelNear(330, 230, over(asColour(kFragment), bg(230)))) << "fragment (1, -1)";
    EXPECT_TRUE(pixelNear(330, 320, over(asColour(kFragment), bg(320)))) << "fragment (1, 0)";
    EXPECT_TRUE(pixelNear(200, 410, over(asColour(kFragment), bg(410)))) << "fragment (-1, 1)";
    EXPECT_TRUE(pixelNear(300, 320, bg(320))) << "the ship itself is gone";

    runtime->frame();
    g.StarFrame = 3;
    g.PlayPhase = 172;  // e = 32: the fragments have shrunk to nothing
    DrawPlayField();
    for (int x = 150; x < 420; x += 10) {
        for (int y = 180; y < 460; y += 10) {
            ASSERT_FALSE(nearPixel(readFramePixel(x, y), {184, 27, 178}, 12))
                << "a fragment at (" << x << ", " << y << ")";
        }
    }
}

// ---- Star, sparks, beams ----------------------------------------------------------------------

TEST_F(PlayDrawTest, TheStarHangsFromStarTopAndCyclesThroughNineFrames) {
    GameGlobals& g = G();
    calmField();
    g.StarTop = 300;
    g.StarFrame = 7;
    DrawPlayField();
    EXPECT_EQ(g.StarFrame, 8);
    EXPECT_TRUE(pixelNear(600, 302, plus(sky(302), starLight(8)))) << "sprite 18";
    EXPECT_TRUE(pixelNear(600, 297, sky(297))) << "above the star's top edge";
    EXPECT_TRUE(pixelNear(10, 470, plus(sky(470), starLight(8)))) << "it spans the screen";
    runtime->frame();
    DrawPlayField();
    EXPECT_EQ(g.StarFrame, 0) << "after frame 8 comes frame 0";
    EXPECT_TRUE(pixelNear(600, 302, plus(sky(302), starLight(0)))) << "sprite 10";
}

TEST_F(PlayDrawTest, SparksFallAndReenter720PixelsHigher) {
    GameGlobals& g = G();
    calmField();
    g.SparkX(0) = 100;
    g.SparkY(0) = 140;
    g.SparkSpeed(0) = 10;
    g.SparkX(1) = 600;
    g.SparkY(1) = 479;
    g.SparkSpeed(1) = 8;
    g.SparkX(2) = 500;
    g.SparkY(2) = 470;
    g.SparkSpeed(2) = 10;
    DrawPlayField();
    EXPECT_EQ(g.SparkY(0), 150);
    EXPECT_EQ(g.SparkY(1), 479 + 8 - 720) << "wrapped";
    EXPECT_TRUE(g.SparkX(1) >= 0 && g.SparkX(1) <= 640) << "a new x";
    EXPECT_EQ(g.SparkY(2), 480) << "480 is not below the screen yet";
    EXPECT_EQ(g.SparkX(2), 500);
    // A 2 x 2 flickering square: each channel of its corners 128..255 (or 0), added at 0.9.
    for (auto [x, y] : {std::pair{100, 150}, {101, 151}}) {
        const FramePixel p = readFramePixel(x, y);
        EXPECT_GE(p.g + p.b, 100) << "spark pixel (" << x << ", " << y << ") is " << p;
    }
    EXPECT_TRUE(pixelNear(102, 150, sky(150)));
    EXPECT_TRUE(pixelNear(100, 152, sky(152)));
}

TEST_F(PlayDrawTest, BeamsEndAtBeamEndAndTheOuterOnes8PixelsLower) {
    GameGlobals& g = G();
    calmField();
    g.StarTop = 480;
    g.BeamEnd = 200;
    DrawPlayField();
    for (int x : {288, 352}) {
        EXPECT_TRUE(beamAt(x, 197)) << "inner beam at x " << x;
        EXPECT_FALSE(beamAt(x, 202)) << "inner beam at x " << x;
    }
    for (int x : {224, 416}) {
        EXPECT_TRUE(beamAt(x, 205)) << "outer beam at x " << x;
        EXPECT_FALSE(beamAt(x, 210)) << "outer beam at x " << x;
    }
}

// ---- Crates and bonus items ----------------------------------------------------------------

TEST_F(PlayDrawTest, FadingCratesAndItemsShrinkAndPale) {
    GameGlobals& g = G();
    calmField();
    g.StarTop = 480;
    g.BeamEnd = -16;
    putCrate(0, 192, 100, 0);
    g.CrateState(0) = 40;  // shrunk by 12: x 204..244, y 112..152
    putBonus(0, 400, 300, 0);
    putBonus(1, 464, 300, 0);  // beside the lanes, so nothing else is near it
    g.BonusState(1) = 24;      // shrunk by 4: x 468..492, y 304..328
    DrawPlayField();
    EXPECT_TRUE(pixelNear(206, 114, over({96, 175, 255}, sky(114))));
    EXPECT_TRUE(pixelNear(242, 150, over({96, 175, 255}, sky(150))));
    EXPECT_TRUE(pixelNear(202, 114, sky(114)));
    EXPECT_TRUE(pixelNear(206, 110, sky(110)));
    EXPECT_TRUE(pixelNear(246, 150, sky(150)));

    EXPECT_TRUE(pixelNear(402, 302, over({255, 255, 255}, sky(302)))) << "a falling item";
    EXPECT_TRUE(pixelNear(430, 330, over({255, 255, 255}, sky(330))));
    EXPECT_TRUE(pixelNear(470, 306, over({255, 255, 255}, sky(306)))) << "a fading item";
    EXPECT_TRUE(pixelNear(466, 306, sky(306)));
    EXPECT_TRUE(pixelNear(494, 306, sky(306)));
    EXPECT_TRUE(pixelNear(470, 330, sky(330)));
}

// ---- Heads-up texts ---------------------------------------------------------------------------

// The characters of n cells of the HUD font from (x, y), drawn at opacity 0.7 over the bare
// sky; a blank where a cell's centre shows no glyph.
std::string readHudText(int x, int y, int n) {
    std::string text;
    const double skyRed = sky(y + 8).r;
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
    bareSky();
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
        {3, 2, 0, {{240, 232, 10, " LEVEL UP "}, {0, 0, 8, "3:-105  "}}},
        {3, 1, 0, {{240, 232, 10, " LEVEL UP "}}},
        {3, 0, 12345, {{240, 232, 10, "          "}, {264, 16, 7, " 12345 "}}},
        {101, 0, 0, {{0, 0, 8, "101:-7  "}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "phase " << c.phase << ", LevelUpShow " << c.levelUpShow);
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
