// The first pass of an automatic threshold over a whole animation.
#pragma once

#include <vector>

#include "convert/animation.h"
#include "convert/gif/image_library.h"
#include "convert/picture/auto_threshold.h"
#include "settings/conversion_settings.h"

namespace vorlix {

// The first pass of an automatic threshold: every frame of the animation composed and stretched
// as the conversion does it, kept as its 8-bit luminance (at most 240 x 128 x 200 bytes), with
// the histogram of them all. The conversion then reduces these pictures at the chosen threshold
// instead of composing the frames a second time; the bits are the same.
class LuminanceFrames {
 public:
  // Reads every frame; RunError::TooLarge when the image library runs out of memory, for a
  // picture or for the luminance it counts.
  RunError Read(Animation& animation, const ConversionSettings& settings);

  const LuminanceHistogram& Histogram() const { return histogram_; }
  // The stretched luminance of frame j; nullptr when the frame gives no picture.
  Picture* Frame(int j) const { return frames_[j].get(); }

 private:
  std::vector<Bitmap> frames_;
  LuminanceHistogram histogram_{};
};

}  // namespace vorlix
