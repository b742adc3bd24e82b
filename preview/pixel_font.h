// A 5 x 7 pixel font for the pattern view, drawn for this program: the characters a tracker's
// pattern view shows (notes, hexadecimal digits, effect letters, volume-column letters, dots).
#pragma once

#include <array>
#include <cstdint>

namespace vorlix {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;

// Seven rows of one character, top row first; bit 4 of a row is its leftmost pixel. Characters
// the font lacks are drawn as a question mark.
using GlyphRows = std::array<std::uint8_t, kGlyphHeight>;
const GlyphRows& Glyph(char c);

}  // namespace vorlix
