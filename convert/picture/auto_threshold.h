// One threshold for a whole animation, chosen by Otsu's method from the luminance of all its
// stretched frames, so that the picture does not flicker from frame to frame.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "convert/gif/image_library.h"

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

}  // namespace vorlix
