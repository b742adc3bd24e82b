#include "convert/picture/stretch.h"

#include "convert/picture/dithering.h"

namespace vorlix {

Bitmap StretchToGrey(FIBITMAP* picture, int width, int height, PictureStatus& status) {
  status = PictureStatus::Ok;
  if (picture == nullptr) return nullptr;
  Bitmap stretched(FreeImage_Rescale(picture, width, height, FILTER_BICUBIC));
  FIBITMAP* grey = stretched ? LuminanceOf(stretched.get()) : nullptr;
  if (grey == nullptr) {
    status = PictureStatus::NoMemory;
    return nullptr;
  }
  if (grey != stretched.get()) stretched.reset(grey);
  return stretched;
}

}  // namespace vorlix
