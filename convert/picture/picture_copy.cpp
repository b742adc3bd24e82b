#include "convert/picture/picture_copy.h"

#include <FreeImage.h>

namespace vorlix {
namespace {

bool HasAlpha(Picture* picture) {
  return FreeImage_GetBPP(picture) == 32 && FreeImage_GetImageType(picture) == FIT_BITMAP;
}

}  // namespace

std::size_t PictureBytes(Picture* picture) {
  return picture == nullptr
             ? 0
             : static_cast<std::size_t>(FreeImage_GetPitch(picture)) * FreeImage_GetHeight(picture);
}

Bitmap CopyWithoutAlpha(Picture* picture) {
  return Bitmap(HasAlpha(picture) ? FreeImage_ConvertTo24Bits(picture) : FreeImage_Clone(picture));
}

std::size_t CopyWithoutAlphaBytes(Picture* picture) {
  if (!HasAlpha(picture)) return PictureBytes(picture);
  // Rows of three bytes a pixel, padded to four bytes.
  return static_cast<std::size_t>((FreeImage_GetWidth(picture) * 3 + 3) & ~3u) *
         FreeImage_GetHeight(picture);
}

}  // namespace vorlix
