// Decodes one image of a GIF to colour indices, giving exactly what the image library's GIF
// loader gives for it (8 bits per pixel, GIF_LOAD256), without the library's per-image set-up.
// Images whose data take a turn that the library handles in its own way are refused, and the
// library decodes those.
#pragma once

#include <FreeImage.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "convert/gif/gif_layout.h"

namespace vorlix {

// One decoded image: indices row by row, top row first, and the colours they stand for.
struct GifImagePixels {
  int width = 0, height = 0;
  std::vector<std::uint8_t> indices;  // width * height; pixels the data do not reach are 0
  // The local colour table, else the global one, over a grey ramp that shows in the entries past
  // the table (or in all, without one). rgbReserved is 0.
  std::array<RGBQUAD, 256> palette{};
  int transparent = -1;  // the index the control block makes transparent, -1 for none
};

// Reusable working memory of the decoder, so that decoding frame after frame allocates nothing.
// It holds no more than one frame's pixels: the data sub-blocks are read where they lie.
struct GifDecodeScratch {
  std::vector<std::uint8_t> stored;  // an interlaced image's rows in stored order
};

// Decodes image `image` of the GIF whose bytes are `data` and whose layout is `gif`. False when
// it is left to the library: the layout could not find where the image's data end, the image
// is empty, its control block is shorter than four bytes, its code size is outside 2..8, or a
// code refers to a table entry that a clear code emptied; `pixels` then holds nothing usable.
// The data sub-blocks are read in `data` itself, only as far as the decoding goes (to the end
// code or the last pixel, at the latest); the sub-blocks after that are not read.
bool DecodeGifImage(const std::uint8_t* data, std::size_t size, const GifLayout& gif,
                    std::size_t image, GifImagePixels& pixels, GifDecodeScratch& scratch);

}  // namespace vorlix
