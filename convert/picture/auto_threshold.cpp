#include "convert/picture/auto_threshold.h"

#include <FreeImage.h>

#include "convert/picture/dithering.h"
#include "convert/picture/frame_sampling.h"

namespace vorlix {

bool AddLuminance(FIBITMAP* stretched, LuminanceHistogram& histogram) {
  if (stretched == nullptr) return true;
  FIBITMAP* luminance = nullptr;
  if (LuminanceOf(stretched, luminance) != PictureStatus::Ok) return false;
  const unsigned width = FreeImage_GetWidth(luminance);
  const unsigned height = FreeImage_GetHeight(luminance);
  for (unsigned y = 0; y < height; ++y) {
    const BYTE* line = FreeImage_GetScanLine(luminance, y);
    for (unsigned x = 0; x < width; ++x) ++histogram[line[x]];
  }
  if (luminance != stretched) FreeImage_Unload(luminance);
  return true;
}

std::optional<std::uint8_t> OtsuThreshold(const LuminanceHistogram& histogram) {
  double total = 0, sum = 0;
  for (int v = 0; v < 256; ++v) {
    total += static_cast<double>(histogram[v]);
    sum += static_cast<double>(histogram[v]) * v;
  }
  // Class 0 holds the levels 0..k, class 1 the levels above. The variance between the classes,
  // times total^2, is (sum * n0 - total * s0)^2 / (n0 * n1).
  double n0 = 0, s0 = 0, best = 0;
  int first = -1, last = -1;
  for (int k = 0; k < 255; ++k) {
    n0 += static_cast<double>(histogram[k]);
    s0 += static_cast<double>(histogram[k]) * k;
    const double n1 = total - n0;
    if (n0 == 0 || n1 == 0) continue;
    const double d = sum * n0 - total * s0;
    const double between = d * d / (n0 * n1);
    const double tolerance = best * 1e-12;
    if (between > best + tolerance) {
      best = between;
      first = last = k;
    } else if (between >= best - tolerance && last == k - 1) {
      last = k;
    }
  }
  if (first < 0) return std::nullopt;
  return static_cast<std::uint8_t>((first + last) / 2 + 1);
}

}  // namespace vorlix
