// The 2D screen: viewport and orientation, the clear of each frame, the per-frame reset.
#pragma once

#include <cstdint>

namespace qvt {

// Creates the graphics context for a drawing area of width x height pixels (the GL
// context must be current). Registers the renderer's shutdown step.
void InitGraphics(int width, int height);
// Releases every texture and the graphics context.
void ShutdownGraphics();
// Start-up's default font: the built-in font as font 0, replaced by the first of
// Media/smalfont.png, Media/smalfont.bmp, smalfont.png, smalfont.bmp that the media resolver
// finds; font 0 becomes current. (Defined with the fonts in font.cpp.)
void LoadDefaultFont();

// Restricts drawing to a rectangle and makes its top-left corner the origin; a width or
// height below 1 selects the whole screen.
void SetViewport(int x, int y, int width, int height);
// The last viewport set.
void GetViewport(int* x, int* y, int* width, int* height);
// Quarter turns of the picture, clamped to 0..3; resets the viewport.
void SetOrientation(int n);
// Packed RGB (red + 256 green + 65536 blue) to clear every frame with, or -1: no clearing.
void SetClearColour(double colour);
// The default 2D state every frame starts from.
void ResetScreenState();
// After the swap: clears the next frame (colour and any pending depth clear).
void BeginFrame();
// ShowScreen's last step: blending off, blend alpha 1.0, colour white, ResetScreenState.
void EndFrameState();

}  // namespace qvt
