// The first pass of an automatic threshold over a whole animation.
#pragma once

#include <FreeImage.h>

#include <memory>
#include <vector>

#include "convert/animation.h"
#include "convert/picture/auto_threshold.h"
#include "settings/conversion_settings.h"

namespace vorlix {

// The first pass of an automatic threshold: every frame of the animation composed and stretched
// as the conversion does it, kept as its 8-bit luminance (at most 240 x 128 x 200 bytes), with
// the histogram of them all. The conversion then reduces these pictures at the chosen threshold
// instead of composing the frames a second time; the bits are the same.
class LuminanceFrames {
 public:
  // Throws std::bad_alloc when memory runs out, as a conversion does.
  LuminanceFrames(Animation& animation, const ConversionSettings& settings);

  const LuminanceHistogram& Histogram() const { return histogram_; }
  // The stretched luminance of frame j; nullptr when the frame gives no picture.
  FIBITMAP* Frame(int j) const { return frames_[j].get(); }

 private:
  struct Unload {
    void operator()(FIBITMAP* dib) const { FreeImage_Unload(dib); }
  };
  std::vector<std::unique_ptr<FIBITMAP, Unload>> frames_;
  LuminanceHistogram histogram_{};
};

}  // namespace vorlix
