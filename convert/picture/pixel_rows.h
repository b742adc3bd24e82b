// Pixels in memory and rectangles on them, as the stretch reads and writes them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorlix {

// `height` rows of `width` pixels, rows `pitch` bytes apart. Row 0 is the first row in memory
// (the image library's bottom scan line); rectangles on these rows count rows the same way.
struct PixelRows {
  std::uint8_t* bits = nullptr;
  std::ptrdiff_t pitch = 0;
  int width = 0;
  int height = 0;
};
struct ConstPixelRows {
  const std::uint8_t* bits = nullptr;
  std::ptrdiff_t pitch = 0;
  int width = 0;
  int height = 0;
};

inline ConstPixelRows AsConst(PixelRows rows) {
  return {rows.bits, rows.pitch, rows.width, rows.height};
}

// Columns left..right-1 of rows top..bottom-1.
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
  bool operator==(const PixelRect&) const = default;
};

}  // namespace vorlix
