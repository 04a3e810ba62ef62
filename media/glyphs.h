// The game's letter shapes: bold 7 x 8 pixel art (caps and digits on rows 0..6, row 7 for
// descenders), shared by the bitmap font and the big lettering of the splash picture.
#pragma once

#include <array>
#include <cstdint>

namespace qvt::media {

inline constexpr int kGlyphColumns = 7;
inline constexpr int kGlyphRows = 8;

// Row r, bit (6 - c) set = design pixel at column c lit.
using GlyphBits = std::array<std::uint8_t, kGlyphRows>;

// Shape of an ASCII code; all clear for codes without one (controls, the space, >= 128).
GlyphBits glyphBits(int code);

// Whether column c (0..6) of row r (0..7) is lit.
bool glyphLit(const GlyphBits& bits, int column, int row);

}  // namespace qvt::media
