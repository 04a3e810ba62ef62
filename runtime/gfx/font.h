// Bitmap fonts: 32 font slots whose textures live in sprite slots 65504 + n, one current
// font, and text drawn from a grid of 16 glyph cells per row.
//
// Font images: cells are width / 16 pixels wide. An image narrower than it is high holds
// 256 glyphs in 16 rows; any other holds 128 glyphs in 8 rows, and codes 128..255 repeat
// codes 0..127. Glyph c sits in cell column c % 16, row c / 16, rows from the top.
#pragma once

#include <cstdint>

#include "core/strings.h"
#include "gfx/context.h"

namespace qvt {

// Loads a BMP or PNG font image (found through the media resolver) into font (0..31), which
// becomes the current font. Clears the last error. A font number outside 0..31 sets
// last-error 7 and loads into the current font. A missing or undecodable file sets
// last-error 3 and leaves the built-in font in the slot. An empty path only empties the
// font's texture slot, before the number is checked (no error, the current font stays).
void LoadFontFile(const RuntimeString& path, double font);
// Makes font (0..31) the current font; another number sets last-error 7 and changes nothing.
void SelectFont(double font);
// Draws text with the current font, the first glyph's top-left corner at (ceil(x), ceil(y)),
// in the font's own colours; proportional (non-zero) uses each glyph's own width. A zero
// byte ends the text, and so does byte 128 in a 128-glyph font.
void DrawText(const RuntimeString& text, double x, double y, double proportional);
// Width in pixels of text up to its first zero byte: each byte's glyph record (the byte is
// the index, so byte 128 of a 128-glyph font counts as glyph 0's copy), or a cell per byte
// in fixed width.
std::int32_t GetTextWidth(const RuntimeString& text, double proportional);
// Cell size of the current font in pixels: image width / 16 by image height / 8 (or / 16
// for a 256-glyph image).
void GetFontCellSize(std::int32_t* width, std::int32_t* height);

// The built-in 8 x 8 font (128 glyphs, fixed width) into font slot font (0..31).
void InstallBuiltInFont(std::int32_t font);

// ---- Internals, open for tests -----------------------------------------------------------

// The current font number, 0..31.
std::int32_t CurrentFont();
// Glyph records of a font image: proportional start and width per cell, texture u of each
// glyph's edges (for a texture as wide as textureSide(image width)); the space gets the
// letter j's width.
void BuildGlyphTable(const DecodedImage& image, GlyphTable& table);
// The built-in font's 128 x 64 RGBA picture: white shapes with a dark outline.
DecodedImage BuiltInFontImage();

}  // namespace qvt
