// The play field read back by pixels: sky, star, beams, crates, ship, the destruction and bonus
// items, drawn with test-made sprites whose colours tell them apart.
#include <cmath>
#include <string>
#include <tuple>

#include "game/game_harness.h"

namespace qvt::test {
namespace {

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

// Fields set on a calm field, and what DrawPlayField then shows; a sanitizer run ("San").
using SanPlayDrawTest = PlayTest;

TEST_F(SanPlayDrawTest, EachPartIsDrawnWhereItsFieldsPutIt) {
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
    struct Scene {
        const char* what;
        void (*set)(GameGlobals&);
        std::vector<std::tuple<int, int, int, std::string>> strips;  // x, y, n: what they show
    } scenes[] = {
        {"settled", [](GameGlobals&) {},
         {{248, 350, 22, "44SSSSSSSSSSSSSSSS4444"}}},
        {"gliding right: texture x 64 at the left edge, 128 at the right",
         [](GameGlobals& g) { g.ShipSlide = -1; },
         {{248, 300, 22, "44LLLLLLLLRRRRRRRR4444"}}},
        {"phase 116: eight fragments 56 wide, 64 pixels out",
         [](GameGlobals& g) { g.PlayPhase = 116; },
         {{180, 230, 54, "4444FFFFFFFFFFFFFF44FFFFFFFFFFFFFF44FFFFFFFFFFFFFF4444"}}},
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
         {{188, 150, 17, "....cccccccccc..."},
          {316, 114, 18, ".CCCCCCCCCCCCCCCC."},
          {396, 306, 27, ".WWWWWWWW.........WWWWWW..."}}},
        {"last: beams ending at 200, the outer ones 8 lower",
         [](GameGlobals& g) {
             g.StarTop = 480;
             g.BeamEnd = 200;
         },
         {}},  // read below: flickering, they are told by blue alone
    };
    GameGlobals& g = G();
    for (const Scene& s : scenes) {
        SCOPED_TRACE(s.what);
        runtime->frame();
        // Calm: phase 3 with the ship settled at (256, 288), the star's top at 184, no beams,
        // nothing falling, the sparks out of sight.
        g.PlayPhase = game::kPhasePlay;
        g.StarTop = 184;
        g.BeamEnd = -16;
        g.ShipX = 256;
        g.ShipY = 288;
        g.ShipSlide = 0;
        g.ShipColour = game::kWhite;
        g.StarFrame = 3;
        clearField();
        for (int i = 0; i < game::kSparkCount; ++i) {
            g.SparkY(i) = -100;
            g.SparkSpeed(i) = 0;
        }
        s.set(g);
        game::DrawPlayField();
        for (const auto& [x, y, n, want] : s.strips) EXPECT_EQ(strip(x, y, n), want) << y;
    }
    const auto beam = [](int x, int y) { return readFramePixel(x, y).b >= 60; };
    for (int x : {288, 352}) EXPECT_TRUE(beam(x, 197) && !beam(x, 202)) << "inner, x " << x;
    for (int x : {224, 416}) EXPECT_TRUE(beam(x, 205) && !beam(x, 210)) << "outer, x " << x;
}

}  // namespace
}  // namespace qvt::test
