// The passes of the bicubic stretch over a part of a picture, each channel byte of a pixel
// filtered on its own with the arithmetic and rounding of the image library.
#pragma once

#include "convert/picture/bicubic_taps.h"
#include "convert/picture/pixel_rows.h"

namespace vorlix {

// Writes `part` of `to` from `from`: along the rows (`taps` map columns), down the columns
// (`taps` map rows), or as a plain copy (`taps` unused). Rows of `part` count in `to`.
using StretchPass = void (*)(const StretchTaps& taps, ConstPixelRows from, PixelRows to,
                             MemoryRect part);

struct StretchPassSet {
  StretchPass alongRows = nullptr;
  StretchPass downColumns = nullptr;
  StretchPass copy = nullptr;
};

// Passes that read pixels of `fromStep` bytes and write pixels of `channels` bytes, the first
// `channels` bytes of each pixel read: 1, 3 or 4 channels, a step of `channels` or, for 3
// channels, 4 (a 32-bit picture read without its fourth byte). All-null passes for any other
// pair. Where the processor has wider vectors the passes use them, unless `plainVectors`; the
// bytes are the same either way.
StretchPassSet PickStretchPasses(int channels, int fromStep, bool plainVectors);

}  // namespace vorlix
