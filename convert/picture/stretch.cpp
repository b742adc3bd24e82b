#include "convert/picture/stretch.h"

#include <FreeImage.h>

#include "convert/picture/dithering.h"

namespace vorlix {
namespace {

// The library's own stretch, for the pictures the kept-table stretch does not take.
FIBITMAP* LibraryStretch(FIBITMAP* picture, int width, int height, Bitmap& owned) {
  owned.reset(FreeImage_Rescale(picture, width, height, FILTER_BICUBIC));
  return owned.get();
}

}  // namespace

GreyStretch::GreyStretch(int width, int height)
    : width_(width), height_(height), stretched_(width, height, StretchChoices{true, false}) {}

Bitmap GreyStretch::Grey(FIBITMAP* picture, std::optional<Rect> changed, PictureStatus& status) {
  status = PictureStatus::Ok;
  if (picture == nullptr) return nullptr;
  Bitmap owned;
  FIBITMAP* stretched = nullptr;
  if (width_ >= 1 && height_ >= 1 && StretchedPicture::Takes(picture)) {
    const StretchResult result =
        known_ && changed ? stretched_.Update(picture, *changed) : stretched_.Stretch(picture);
    stretched = result.picture;
    known_ = result.status == PictureStatus::Ok;
  } else {
    known_ = false;
    stretched = LibraryStretch(picture, width_, height_, owned);
  }
  // No grey picture (nullptr) is NoMemory, as no stretched one is.
  FIBITMAP* grey = nullptr;
  if (stretched != nullptr) LuminanceOf(stretched, grey);
  // The result of the kept stretch stays here: an 8-bit grey one is handed out as a copy.
  if (grey != nullptr && grey == stretched && !owned) grey = FreeImage_Clone(grey);
  if (grey == nullptr) {
    status = PictureStatus::NoMemory;
    return nullptr;
  }
  if (grey != owned.get()) owned.reset(grey);
  return owned;
}

Bitmap StretchToGrey(FIBITMAP* picture, int width, int height, PictureStatus& status) {
  GreyStretch stretch(width, height);
  return stretch.Grey(picture, std::nullopt, status);
}

}  // namespace vorlix
