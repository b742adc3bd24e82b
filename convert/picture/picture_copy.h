// What the preview asks of a picture it keeps: its size in bytes, and a copy of it.
#pragma once

#include <cstddef>

#include "convert/gif/image_library.h"

namespace vorlix {

// The bytes of the picture's pixels: its rows, padded as the library pads them; 0 for none.
std::size_t PictureBytes(Picture* picture);

// A copy of the picture as the conversion samples it: a 32-bit picture without its alpha
// channel, any other as it is. Empty when the library has no memory for it.
Bitmap CopyWithoutAlpha(Picture* picture);

// PictureBytes of what CopyWithoutAlpha gives for the picture, without making it.
std::size_t CopyWithoutAlphaBytes(Picture* picture);

}  // namespace vorlix
