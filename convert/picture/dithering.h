// Reducing a stretched frame to one bit per pixel, at the threshold or by one of the image
// library's dithers. In both results index 1 is a bright pixel and index 0 a dark one, so
// MarkFromIndex reads them alike and inverse colours work the same.
#pragma once

#include <cstdint>

#include "convert/gif/image_library.h"
#include "convert/picture/picture_status.h"
#include "settings/picture_options.h"

namespace vorlix {

// The 8-bit luminance that the library's threshold and dithers compare: the picture itself when
// it is 8-bit grey already, otherwise a new image the caller unloads, into `luminance`; NoMemory
// (and nullptr) when the library gives none.
PictureStatus LuminanceOf(FIBITMAP* picture, FIBITMAP*& luminance);

// A one-bit image that ReduceToOneBit made: `bits` is set when `status` is Ok and there was a
// picture.
struct OneBitPicture {
  PictureStatus status = PictureStatus::Ok;
  FIBITMAP* bits = nullptr;
};

// A new one-bit image of the picture's size, owned by the caller; nullptr for no picture, and
// with NoMemory when the library gives none. DitherMethod::None is FreeImage_Threshold at
// `threshold`; a dither leaves the threshold unused. Ordered dithers depend on the pixel's place
// alone, so an unchanged area of consecutive frames gets the same dots.
OneBitPicture ReduceToOneBit(FIBITMAP* stretched, std::uint8_t threshold, DitherMethod dither);

}  // namespace vorlix
