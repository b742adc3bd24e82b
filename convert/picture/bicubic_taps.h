// The filter taps of the image library's bicubic stretch along one axis.
#pragma once

#include <vector>

namespace vorlix {

// For each output position: the first source position it reads, how many it reads, and their
// weights (`stride` apart, in reading order).
struct StretchTaps {
  std::vector<int> first;
  std::vector<int> count;
  std::vector<double> weights;
  int stride = 0;

  // Output positions whose taps reach source positions from..to-1, as a range (empty when none).
  void Reach(int from, int to, int& outFrom, int& outTo) const;
};

// The library's table for `outSize` positions read from `inSize` (both at least 1): the
// Mitchell-Netravali cubic (B = C = 1/3), widened and lowered by the scale when shrinking,
// normalised to a sum of 1, zero weights at the right end dropped.
StretchTaps BicubicTaps(int outSize, int inSize);

}  // namespace vorlix
