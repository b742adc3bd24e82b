// The image library's reading interface over a file held in memory.
#pragma once

#include <FreeImage.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "convert/gif/gif_layout.h"
#include "platform/file_view.h"

namespace vorlix {

// A read position in a view. Reads, seeks and tells behave as the C stream functions do on the
// file itself: a partial item is copied but not counted, and seeking past the end is allowed.
// Writing through it always fails. Streams on different threads may read one view at the same
// time: the view's bytes never change.
//
// Given a cut, the stream shows the first `cut` bytes of the view and then one GIF trailer byte
// (0x3B), as if the file ended there. Given stretches to leave out (in order, disjoint), it shows
// the bytes without them. Bytes in `replaced` are shown with another value.
struct ViewStream {
  static constexpr std::size_t kWhole = SIZE_MAX;
  explicit ViewStream(const FileView& v, std::size_t cut = kWhole,
                      const std::vector<GifByteRange>& leftOut = {});
  // A run of bytes shown: from `shownAt` in the stream, `length` bytes from `viewAt` in the view.
  struct Piece {
    std::size_t shownAt, viewAt, length;
  };
  // A byte of the view shown with another value.
  struct Replaced {
    std::size_t viewAt;
    std::uint8_t value;
  };
  const FileView* view;
  std::size_t cut;
  std::vector<Piece> pieces;       // in stream order, without gaps, covering all but the trailer
  std::vector<Replaced> replaced;  // in view order
  long position = 0;
  FreeImageIO io;  // kept here: the library may hold on to the pointer it is given
};

// Opens the GIF in the stream read-only through the multi-page interface. The stream must
// outlive the returned handle; one thread at a time may use it.
FIMULTIBITMAP* OpenGifFromStream(ViewStream& stream, int flags);

// The number of pages the image library counts in the GIF of the stream, opened for playback;
// nothing when it reads no GIF from it.
std::optional<int> LibraryPageCount(ViewStream& stream);

}  // namespace vorlix
