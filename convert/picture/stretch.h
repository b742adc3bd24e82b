// Stretching a picture to the module's size, the one place the bicubic filter is applied.
#pragma once

#include <FreeImage.h>

#include "convert/gif/image_library.h"

namespace vorlix {

// How a picture stage ended: the image library gives no picture only when it has no memory.
enum class PictureStatus { Ok, NoMemory };

// The picture stretched to width x height with the bicubic filter, as the 8-bit luminance that
// the threshold, the dithers and the automatic threshold work on. Empty for no picture, and
// with `status` NoMemory when the library gives none.
Bitmap StretchToGrey(FIBITMAP* picture, int width, int height, PictureStatus& status);

}  // namespace vorlix
