// Immediate 2D drawing: blend and sampling state, filled rectangles, lines, points and
// sprite quads. Coordinates are pixels of the current viewport (origin top-left, y down);
// numbers are truncated toward zero where an integer is meant; angles are degrees.
// Sprite ids are 0..65535; anything else draws nothing.
#pragma once

namespace qvt {

// ---- Blend and sampling state (back to the defaults after every shown frame) ----------

// 0: blending off. a < 0: translucent with opacity |a|. a > 0: additive with strength a.
// The blend alpha becomes |a| capped at 1 (1 for 0) and the GL colour (1, 1, 1, alpha).
void SetBlendAlpha(double a);
// t < 1: fragments with alpha <= t are discarded; t >= 1 switches the test off (until the
// next FillRect, which turns it on again at the last threshold stored).
void SetAlphaThreshold(double t);
// Nonzero: sprites sampled with GL_LINEAR from the next draw on; 0: GL_NEAREST.
void SetSmoothing(double on);

// ---- Primitives (untextured; colour is packed RGB, the sprite colour key draws alpha 0) -

// Fills x, y, w, h; a negative size extends the rectangle left/up from x, y (inclusive).
// Afterwards the alpha test is on at the stored threshold.
void FillRect(double x, double y, double w, double h, double colour);
// A line from (x1, y1) to (x2, y2), end pixel included.
void DrawLine(double x1, double y1, double x2, double y2, double colour);
// One pixel.
void DrawPoint(double x, double y, double colour);

// ---- Sprites (drawn in (1, 1, 1, blend alpha), blended as SetBlendAlpha set) ------------

// The whole image with its top-left corner at x, y.
void DrawSpriteAt(double id, double x, double y);
// The image stretched to w x h; negative sizes mirror it. Id -1 fills the quad untextured.
void DrawSpriteStretched(double id, double x, double y, double w, double h);
// The image scaled by sx, sy about its centre.
void DrawSpriteZoomed(double id, double x, double y, double sx, double sy);
// The image turned counter-clockwise by angle about its centre and scaled by zoom.
void DrawSpriteRotoZoomed(double id, double x, double y, double angle, double zoom);
// DrawSpriteRotoZoomed with zoom 1.
void DrawSpriteRotated(double id, double x, double y, double angle);

// ---- Animation frames (frames laid out left to right, then top to bottom) ---------------

// Frame size of a loaded sprite in pixels (ignored while the slot is empty).
void SetSpriteFrameSize(double id, double frameWidth, double frameHeight);
// Frame number frame with its top-left corner at x, y (nothing without a frame size).
void DrawSpriteFrame(double id, double frame, double x, double y);
// The frame stretched to w x h.
void DrawSpriteFrameStretched(double id, double frame, double x, double y, double w, double h);
// The frame turned counter-clockwise by angle about its centre and scaled by zoom.
void DrawSpriteFrameRotoZoomed(double id, double frame, double x, double y, double angle,
                               double zoom);

}  // namespace qvt
