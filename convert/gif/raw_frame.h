// One raw frame of a GIF, decoded for drawing: by vorlix's own decoder, or by the image library
// for the images the decoder leaves to it.
#pragma once

#include <FreeImage.h>

#include <cstddef>
#include <cstdint>

#include "convert/gif/gif_image_decoder.h"
#include "convert/gif/gif_layout.h"

namespace vorlix {

// The library decodes only the first row of an interlaced image 2 to 4 rows high. Shown such an
// image as not interlaced, it decodes every row in stored order; the rows are put in place after.
bool DecodedInStoredOrder(const GifImageLayout& image);

// A raw frame ready to be drawn: decoded by own code, or a page locked from the library for
// the images own code leaves to it.
struct RawFrame {
  bool own = false;  // `pixels` holds the frame
  GifImagePixels pixels;
  GifDecodeScratch scratch;
  FIMULTIBITMAP* file = nullptr;
  FIBITMAP* page = nullptr;  // locked from `file`

  bool Drawable() const { return own || page != nullptr; }
  void Release() {
    if (page != nullptr) FreeImage_UnlockPage(file, page, FALSE);
    page = nullptr;
    own = false;
  }
};

// Rows of colour indices, top row first, `stride` bytes apart, and what they stand for.
struct IndexRows {
  const BYTE* top = nullptr;
  std::ptrdiff_t stride = 0;
  const RGBQUAD* palette = nullptr;
  unsigned colours = 0;
  int transparent = -1;
};

// The rows of a decoded frame; `mayBeTransparent` is false for a frame without a control block.
IndexRows RowsOf(const RawFrame& raw, bool mayBeTransparent);

// Decodes raw frame j of the GIF in `data` into `raw`, the library decoding through `file` what
// own code leaves to it. `raw` then holds nothing drawable when the frame's descriptor is
// incomplete or above the canvas budget, when its code size is 12 or more (the library would read
// past its string table), when it cannot be decoded, or when the library's decoded data disagree
// with its descriptor: such a frame leaves the canvas as it is.
void DecodeRawFrame(const std::uint8_t* data, std::size_t size, const GifLayout& gif,
                    FIMULTIBITMAP* file, int j, RawFrame& raw);

}  // namespace vorlix
