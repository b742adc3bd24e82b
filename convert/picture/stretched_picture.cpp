#include "convert/picture/stretched_picture.h"

#include <FreeImage.h>

namespace vorlix {

StretchedPicture::StretchedPicture(int width, int height, StretchChoices choices)
    : width_(width), height_(height), choices_(choices) {}

StretchedPicture::~StretchedPicture() {
  if (output_ != nullptr) FreeImage_Unload(output_);
}

bool StretchedPicture::Takes(FIBITMAP* picture) {
  if (picture == nullptr || !FreeImage_HasPixels(picture) ||
      FreeImage_GetImageType(picture) != FIT_BITMAP) {
    return false;
  }
  const unsigned bpp = FreeImage_GetBPP(picture);
  if (bpp == 24 || bpp == 32) return true;
  return bpp == 8 && FreeImage_GetColorType(picture) == FIC_MINISBLACK &&
         !FreeImage_IsTransparent(picture);
}

StretchResult StretchedPicture::Stretch(FIBITMAP* picture) {
  if (!Takes(picture)) return {PictureStatus::Unsupported, nullptr};
  Fit(picture);
  if (!stretch_) return {PictureStatus::Unsupported, nullptr};
  if (output_ == nullptr) return {PictureStatus::NoMemory, nullptr};
  stretch_->Stretch(Source(picture), Middle(), Output());
  return {PictureStatus::Ok, output_};
}

StretchResult StretchedPicture::Update(FIBITMAP* picture, Rect changed) {
  if (!Takes(picture)) return {PictureStatus::Unsupported, nullptr};
  if (!Fit(picture)) return Stretch(picture);
  // Rows in memory run from the bottom of the picture up.
  stretch_->Update(Source(picture), FromBottom(changed, stretch_->sourceHeight()), Middle(),
                   Output());
  return {PictureStatus::Ok, output_};
}

bool StretchedPicture::Fit(FIBITMAP* picture) {
  const int width = static_cast<int>(FreeImage_GetWidth(picture));
  const int height = static_cast<int>(FreeImage_GetHeight(picture));
  const int step = static_cast<int>(FreeImage_GetBPP(picture) / 8);
  const int channels = choices_.dropAlpha && step == 4 ? 3 : step;
  if (output_ != nullptr && stretch_ && stretch_->sourceWidth() == width &&
      stretch_->sourceHeight() == height && stretch_->layout().sourceStep == step) {
    return true;
  }
  if (output_ != nullptr) FreeImage_Unload(output_);
  output_ = nullptr;
  stretch_.reset();
  const StretchLayout layout{channels, step, choices_.plainVectors};
  if (BicubicStretch::Make(width, height, width_, height_, layout, stretch_) != PictureStatus::Ok) {
    return false;
  }
  intermediate_.assign(static_cast<std::size_t>(stretch_->intermediateWidth()) *
                           stretch_->intermediateHeight() * channels,
                       0);
  output_ = FreeImage_Allocate(width_, height_, channels * 8);
  return false;
}

ConstPixelRows StretchedPicture::Source(FIBITMAP* picture) const {
  return {FreeImage_GetBits(picture), static_cast<std::ptrdiff_t>(FreeImage_GetPitch(picture)),
          stretch_->sourceWidth(), stretch_->sourceHeight()};
}

PixelRows StretchedPicture::Middle() {
  const int width = stretch_->intermediateWidth();
  return {intermediate_.data(), static_cast<std::ptrdiff_t>(width) * stretch_->layout().channels,
          width, stretch_->intermediateHeight()};
}

PixelRows StretchedPicture::Output() const {
  return {FreeImage_GetBits(output_), static_cast<std::ptrdiff_t>(FreeImage_GetPitch(output_)),
          width_, height_};
}

}  // namespace vorlix
