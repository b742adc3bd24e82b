// Pixels in memory and rectangles on them, as the stretch reads and writes them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/rect.h"

namespace vorlix {

// `height` rows of `width` pixels, rows `pitch` bytes apart. Row 0 is the first row in memory
// (the image library's bottom scan line); rectangles on these rows are MemoryRects.
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

}  // namespace vorlix
