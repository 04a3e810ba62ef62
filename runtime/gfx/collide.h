// Pixel-exact collision tests between sprites, from alpha masks read back once per slot.
#pragma once

namespace qvt {

// Reads the alpha channel of slot id's texture (one byte per texel, rows in texture order,
// bottom row first) into the slot's cached mask, unless it has one. False for an empty slot
// or an id outside 0..65535.
bool CacheSpriteAlpha(double id);
// True when sprites id1 at (x1, y1) and id2 at (x2, y2) (top-left corners, pixels) both have
// a non-transparent pixel on one screen pixel. Rectangles that only touch never collide.
bool SpritesCollide(double id1, double x1, double y1, double id2, double x2, double y2);
// The same for animation frames (laid out as DrawSpriteFrame does); a sprite without a
// frame size is tested whole. Frames outside the picture are transparent.
bool SpriteFramesCollide(double id1, double frame1, double x1, double y1, double id2,
                         double frame2, double x2, double y2);

}  // namespace qvt
