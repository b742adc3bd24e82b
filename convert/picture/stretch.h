// Stretching a picture to the module's size, the one place the bicubic filter is applied.
#pragma once

#include <optional>

#include "convert/gif/image_library.h"
#include "convert/picture/stretched_picture.h"

namespace vorlix {

// Stretches the pictures of one sequence to one size, as the 8-bit luminance that the threshold,
// the dithers and the automatic threshold work on: the same bytes as the image library's bicubic
// stretch followed by its greyscale conversion. The weights are kept from one picture to the
// next, and so is the last result, so that a picture which differs from the last one only in a
// rectangle recomputes only what that rectangle reaches. A 32-bit picture gives what its 24-bit
// copy gives.
class GreyStretch {
 public:
  GreyStretch(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }

  // The picture stretched; `changed` is the part of it that may differ from the picture given
  // last (in picture coordinates, row 0 at the top), or nothing when unknown. Empty for no
  // picture, and with `status` NoMemory when the library gives none.
  Bitmap Grey(FIBITMAP* picture, std::optional<Rect> changed, PictureStatus& status);

  // Forgets the last picture: the next one is stretched whole.
  void Forget() { known_ = false; }

 private:
  int width_, height_;
  StretchedPicture stretched_;
  bool known_ = false;  // the last picture was stretched here
};

// The picture stretched to width x height with the bicubic filter, as GreyStretch gives it.
Bitmap StretchToGrey(FIBITMAP* picture, int width, int height, PictureStatus& status);

}  // namespace vorlix
