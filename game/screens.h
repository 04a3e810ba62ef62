// Helpers shared by the game's screens: key codes, the fixed-width text layout of font 0,
// a whole-screen polygon and the waits for a key's release.
#pragma once

#include <cstdint>

#include "quivent.h"

namespace qvt::game {

// Runtime key codes (keyboard scan codes) the game tests.
inline constexpr double kKey1 = 2;
inline constexpr double kKeyQ = 16;
inline constexpr double kKeyP = 25;
inline constexpr double kKeyEnter = 28;
inline constexpr double kKeyS = 31;
inline constexpr double kKeyZ = 44;
inline constexpr double kKeyX = 45;

// The screen and font 0's cell: every text of the game is laid out in 16-pixel cells.
inline constexpr double kScreenWidth = 640;
inline constexpr double kScreenHeight = 480;
inline constexpr double kCellWidth = 16;

// Packed RGB colours.
inline constexpr double kBlack = 0;
inline constexpr double kWhite = 16777215;

// Sprite slot the game never loads: polygons with it show only their vertex colours.
inline constexpr double kUntexturedSprite = 255;

// x at which a fixed-width text of n characters is centred on the screen: 320 - 8n.
double centredX(const RuntimeString& text);
// x at which a fixed-width text ends at the screen's right edge: 640 - 16n.
double rightAlignedX(const RuntimeString& text);

// Draws text fixed-width with the current font at (x, y).
void drawFixed(const RuntimeString& text, double x, double y);
// Draws text fixed-width, centred on the screen, at y.
void drawCentred(const RuntimeString& text, double y);
// Draws text fixed-width against the right edge, at y.
void drawRightAligned(const RuntimeString& text, double y);
// Draws text proportionally, centred on x 320 by its measured width (halved toward zero).
void drawProportionalCentred(const RuntimeString& text, double y);

// Paints the whole screen black with one untextured polygon whose corners carry the
// texture positions (u0, v0) .. (u1, v1).
void paintBlack(double u0, double v0, double u1, double v1);

// Calls ShowScreen, drawing nothing new, until the key is up.
void showFramesWhileDown(double key);
// Waits until the key is up without showing frames: the keyboard is sampled and the
// window's events are pumped meanwhile (the key state only changes with the events), and
// the thread sleeps between samples.
void waitWhileDown(double key);

}  // namespace qvt::game
