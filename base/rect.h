// Rectangles of pixels: columns left..right-1 of rows top..bottom-1. A Rect counts rows from the
// top of the picture as it shows; a MemoryRect counts them in the order they lie in memory, which
// for the image library's pictures starts at the bottom scan line. The two never mix unconverted.
#pragma once

#include <algorithm>
#include <cstddef>

namespace vorlix {

template <typename RowOrder>
struct BasicRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  std::size_t Area() const {
    return Empty() ? 0 : static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height());
  }
  bool operator==(const BasicRect&) const = default;
};

struct RowsFromTop;
struct RowsInMemory;
using Rect = BasicRect<RowsFromTop>;
using MemoryRect = BasicRect<RowsInMemory>;

// The smallest rectangle holding both.
template <typename RowOrder>
BasicRect<RowOrder> Union(const BasicRect<RowOrder>& a, const BasicRect<RowOrder>& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

// `r` of a picture `height` rows high, its rows counted from the bottom row up.
inline MemoryRect FromBottom(const Rect& r, int height) {
  return {r.left, height - r.bottom, r.right, height - r.top};
}

}  // namespace vorlix
