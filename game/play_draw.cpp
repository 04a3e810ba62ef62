// The play field as the player sees it: sky, star, sparks, beams, crates, ship, its
// destruction, bonus items and the heads-up texts. Every shape is a four-corner fan in the
// order top left, bottom left, bottom right, top right.
#include "quivent.h"
#include "game/globals.h"
#include "game/play.h"
#include "game/screens.h"

namespace qvt::game {

namespace {

constexpr double kSkyTopColour = 41;          // dark red
constexpr double kCrateColour = 16744448;     // red 0, green 128, blue 255
constexpr double kStarLeft = -384;            // a 1408-pixel square centred on x 320
constexpr double kStarSize = 1408;
constexpr double kStarFrames = 9;
constexpr double kSparkSize = 2;
constexpr double kSparkWrap = 720;            // a spark below the screen reappears this much higher
constexpr double kBeamWidth = 16;
constexpr double kBeamInset = 24;             // a beam's left edge from its lane's
constexpr double kOuterBeamExtra = 8;         // the outer beams reach this much lower
constexpr double kTextY = 232;
constexpr double kAdditive = 0.9;
constexpr double kTranslucent = -0.7;

struct Rect {
    double left, top, right, bottom;
};

// The texture positions at the four corners, in image pixels.
struct TexRect {
    double left, top, right, bottom;
};

// One channel of a flickering colour: 128..255, or 0 when the draw gives 128.
double randomChannel() { return (Random(128) + 128) % 256; }

double randomColour() {
    const double red = randomChannel();
    const double green = randomChannel();
    const double blue = randomChannel();
    return red + 256 * green + 65536 * blue;
}

void quad(double sprite, const Rect& r, const TexRect& t, double colour) {
    BeginPolygon(sprite, kPolygonFan);
    AddPolygonVertex(r.left, r.top, t.left, t.top, colour);
    AddPolygonVertex(r.left, r.bottom, t.left, t.bottom, colour);
    AddPolygonVertex(r.right, r.bottom, t.right, t.bottom, colour);
    AddPolygonVertex(r.right, r.top, t.right, t.top, colour);
    EndPolygon();
}

// The same with a fresh random colour at every corner, drawn corner by corner.
void flickeringQuad(double sprite, const Rect& r, const TexRect& t) {
    BeginPolygon(sprite, kPolygonFan);
    AddPolygonVertex(r.left, r.top, t.left, t.top, randomColour());
    AddPolygonVertex(r.left, r.bottom, t.left, t.bottom, randomColour());
    AddPolygonVertex(r.right, r.bottom, t.right, t.bottom, randomColour());
    AddPolygonVertex(r.right, r.top, t.right, t.top, randomColour());
    EndPolygon();
}

// A square of side size at (x, y), shrunk by inset on every side.
Rect inset(double x, double y, double size, double by) {
    return {x + by, y + by, x + size - by, y + size - by};
}

void drawSky() {
    BeginPolygon(kUntexturedSprite, kPolygonFan);
    AddPolygonVertex(0, 0, 1, 1, kSkyTopColour);
    AddPolygonVertex(0, kScreenHeight, 1, 1, kBlack);
    AddPolygonVertex(kScreenWidth, kScreenHeight, 1, 1, kBlack);
    AddPolygonVertex(kScreenWidth, 0, 1, 1, kSkyTopColour);
    EndPolygon();
}

void drawStar(GameGlobals& g) {
    g.StarFrame = g.StarFrame >= kStarFrames - 1 ? 0 : g.StarFrame + 1;
    quad(kSpriteStarFirst + g.StarFrame,
         {kStarLeft, g.StarTop, kStarLeft + kStarSize, g.StarTop + kStarSize}, {0, 4, 512, 512},
         kWhite);
}

void drawSparks(GameGlobals& g) {
    for (int i = 0; i < kSparkCount; ++i) {
        g.SparkY(i) += g.SparkSpeed(i);
        if (g.SparkY(i) > kScreenHeight) {
            g.SparkY(i) -= kSparkWrap;
            g.SparkX(i) = Random(640);
        }
        const double x = g.SparkX(i);
        const double y = g.SparkY(i);
        flickeringQuad(kUntexturedSprite, {x, y, x + kSparkSize, y + kSparkSize},
                       {0, 0, kSparkSize, kSparkSize});
    }
}

void drawBeams(const GameGlobals& g) {
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const double left = lane * kLaneWidth + kLaneLeft + kBeamInset;
        const bool outer = lane == 0 || lane == kLaneCount - 1;
        const double end = g.BeamEnd + (outer ? kOuterBeamExtra : 0);
        flickeringQuad(kSpriteBeam, {left, 0, left + kBeamWidth, end}, {0, 0, 16, 16});
    }
}

// Fading crates shrink to the centre and pale from blue towards white.
void drawCrates(GameGlobals& g) {
    const TexRect tex{0, 0, kCrateSize, kCrateSize};
    for (int i = 0; i < kCrateSlots; ++i) {
        const double state = g.CrateState(i);
        if (state == 1) {
            quad(kSpriteCrate, inset(g.CrateX(i), g.CrateY(i), kCrateSize, 0), tex, kCrateColour);
        } else if (state > 1) {
            const double red = truncToInt32((64 - state) * 4) % 256;
            const double green = truncToInt32((64 - state) * 2 + 127) % 256;
            quad(kSpriteCrate, inset(g.CrateX(i), g.CrateY(i), kCrateSize, 32 - state / 2), tex,
                 red + 256 * green + 65536 * 255);
        }
    }
}

// Texture x runs 0..64 for the straight frame; the banking frame (64..128) is mirrored
// when the ship glides left.
void drawShip(const GameGlobals& g) {
    double u0 = 0;
    double u1 = kShipSize;
    if (g.ShipSlide < 0) {
        u0 = kShipSize;
        u1 = 2 * kShipSize;
    } else if (g.ShipSlide > 0) {
        u0 = 2 * kShipSize;
        u1 = kShipSize;
    }
    quad(kSpriteShip, inset(g.ShipX, g.ShipY, kShipSize, 0), {u0, 0, u1, kShipSize},
         g.ShipColour);
}

void drawShrinkingShip(const GameGlobals& g) {
    const double d = (g.PlayPhase - kPhaseCaught) * 4;
    quad(kSpriteShip, inset(g.ShipX, g.ShipY, kShipSize, d), {0, 0, kShipSize, kShipSize},
         g.ShipColour);
}

void drawBonuses(GameGlobals& g) {
    const TexRect tex{0, 0, kBonusSize, kBonusSize};
    for (int i = 0; i < kBonusSlots; ++i) {
        const double state = g.BonusState(i);
        if (state == 1) {
            quad(kSpriteBonus, inset(g.BonusX(i), g.BonusY(i), kBonusSize, 0), tex, kWhite);
        } else if (state > 1) {
            quad(kSpriteBonus, inset(g.BonusX(i), g.BonusY(i), kBonusSize, 16 - state / 2), tex,
                 kWhite);
        }
    }
}

// Eight fragments fly apart 8 pixels per frame along each axis, shrinking as they go.
void drawExplosion(const GameGlobals& g) {
    static constexpr int kDirections[8][2] = {{0, -1}, {1, -1}, {1, 0},  {1, 1},
                                              {0, 1},  {-1, 1}, {-1, 0}, {-1, -1}};
    const double e = (g.PlayPhase - kPhaseBurst) * 0.5;
    for (const auto& dir : kDirections) {
        const double x = g.ShipX + 16 * e * dir[0];
        const double y = g.ShipY + 16 * e * dir[1];
        quad(kSpriteExplode, inset(x, y, kShipSize, e), {0, 0, kShipSize, kShipSize},
             g.ShipColour);
    }
}

void drawTexts(GameGlobals& g) {
    if (g.LevelUpShow > 0) {
        g.LevelUpShow -= 1;
        drawFixed("LEVEL UP", 256, kTextY);
    }
    if (g.PlayPhase == kPhaseFlyIn) drawFixed("READY", 280, kTextY);
    if (g.PlayPhase == kPhaseBeams) drawFixed("GO!!!", 280, kTextY);
    drawCentred(NumberToString(g.Score), 16);
    RuntimeString phase = StringConcat(NumberToString(g.PlayPhase), ":");
    drawFixed(StringConcat(phase, NumberToString(g.PlayPhase - kPhaseBurst)), 0, 0);
}

}  // namespace

void DrawPlayField() {
    GameGlobals& g = G();
    drawSky();
    SetBlendAlpha(kAdditive);
    drawStar(g);
    drawSparks(g);
    drawBeams(g);
    SetBlendAlpha(kTranslucent);
    drawCrates(g);
    if (g.PlayPhase <= kPhasePlay) drawShip(g);
    if (g.PlayPhase >= kPhaseCaught && g.PlayPhase < kPhaseBurst) drawShrinkingShip(g);
    drawBonuses(g);
    if (g.PlayPhase >= kPhaseBurst) drawExplosion(g);
    drawTexts(g);
    SetBlendAlpha(0);
}

}  // namespace qvt::game
