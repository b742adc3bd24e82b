#include "convert/picture/dithering.h"

#include <FreeImage.h>

#include <iterator>

namespace vorlix {
namespace {

// The library's dither of each method, in the order of DitherMethod; None never dithers.
constexpr FREE_IMAGE_DITHER kLibraryDithers[] = {
    FID_FS,         FID_FS,         FID_BAYER4x4,   FID_BAYER8x8,
    FID_BAYER16x16, FID_CLUSTER6x6, FID_CLUSTER8x8, FID_CLUSTER16x16,
};
static_assert(std::size(kLibraryDithers) == std::size(kDitherNames));

FREE_IMAGE_DITHER LibraryDither(DitherMethod dither) {
  return kLibraryDithers[static_cast<int>(dither)];
}

// The library's clustered-dot screens put a few bright dots even on pure black (one in 18 for
// the 6 x 6 screen); black pixels are made dark again so that a black area stays whole.
void KeepBlackDark(FIBITMAP* luminance, FIBITMAP* bits) {
  const unsigned width = FreeImage_GetWidth(bits);
  const unsigned height = FreeImage_GetHeight(bits);
  for (unsigned y = 0; y < height; ++y) {
    const BYTE* grey = FreeImage_GetScanLine(luminance, y);
    BYTE* line = FreeImage_GetScanLine(bits, y);
    for (unsigned x = 0; x < width; ++x) {
      if (grey[x] == 0) line[x >> 3] &= static_cast<BYTE>(~(0x80 >> (x & 7)));
    }
  }
}

}  // namespace

PictureStatus LuminanceOf(FIBITMAP* picture, FIBITMAP*& luminance) {
  const bool grey = FreeImage_GetBPP(picture) == 8 &&
                    FreeImage_GetImageType(picture) == FIT_BITMAP &&
                    FreeImage_GetColorType(picture) == FIC_MINISBLACK;
  luminance = grey ? picture : FreeImage_ConvertToGreyscale(picture);
  return luminance != nullptr ? PictureStatus::Ok : PictureStatus::NoMemory;
}

OneBitPicture ReduceToOneBit(FIBITMAP* stretched, std::uint8_t threshold, DitherMethod dither) {
  if (stretched == nullptr) return {PictureStatus::Ok, nullptr};
  FIBITMAP* bits = nullptr;
  if (dither == DitherMethod::None) {
    bits = FreeImage_Threshold(stretched, threshold);
  } else {
    FIBITMAP* luminance = nullptr;
    const PictureStatus status = LuminanceOf(stretched, luminance);
    if (status != PictureStatus::Ok) return {status, nullptr};
    bits = FreeImage_Dither(luminance, LibraryDither(dither));
    if (bits != nullptr && FreeImage_GetBPP(bits) == 1) KeepBlackDark(luminance, bits);
    if (luminance != stretched) FreeImage_Unload(luminance);
  }
  return {bits != nullptr ? PictureStatus::Ok : PictureStatus::NoMemory, bits};
}

}  // namespace vorlix
