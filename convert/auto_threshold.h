// One threshold for a whole animation, chosen by Otsu's method from the luminance of all its
// stretched frames, so that the picture does not flicker from frame to frame.
#pragma once

#include <FreeImage.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "convert/animation.h"
#include "settings/conversion_settings.h"

namespace vorlix {

// Pixel counts by luminance 0..255.
using LuminanceHistogram = std::array<std::uint64_t, 256>;

// Adds every pixel of a stretched picture, at the luminance that FreeImage_Threshold compares
// with the threshold: the library's own greyscale form of the picture. False when the library
// gives no greyscale form (out of memory).
bool AddLuminance(FIBITMAP* stretched, LuminanceHistogram& histogram);

// The threshold T (pixels below T are dark) that best splits the histogram into two classes:
// the largest variance between them. When several splits are equally good (two clean levels
// with nothing between), T lies in the middle of them. Nothing when the histogram has fewer
// than two distinct levels.
std::optional<std::uint8_t> OtsuThreshold(const LuminanceHistogram& histogram);

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
