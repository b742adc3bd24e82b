// Built with -ffp-contract=off: a fused multiply-add would round differently from the library.
#include "convert/picture/bicubic_taps.h"

#include <algorithm>
#include <cmath>

namespace vorlix {
namespace {

// The Mitchell-Netravali cubic with B = C = 1/3 on a support of 2, its coefficients computed
// as the library computes them.
class Cubic {
 public:
  Cubic() {
    const double b = 1 / static_cast<double>(3), c = 1 / static_cast<double>(3);
    p0_ = (6 - 2 * b) / 6;
    p2_ = (-18 + 12 * b + 6 * c) / 6;
    p3_ = (12 - 9 * b - 6 * c) / 6;
    q0_ = (8 * b + 24 * c) / 6;
    q1_ = (-12 * b - 48 * c) / 6;
    q2_ = (6 * b + 30 * c) / 6;
    q3_ = (-b - 6 * c) / 6;
  }
  static constexpr double kSupport = 2;

  double operator()(double value) const {
    value = std::fabs(value);
    if (value < 1) return p0_ + value * value * (p2_ + value * p3_);
    if (value < 2) return q0_ + value * (q1_ + value * (q2_ + value * q3_));
    return 0;
  }

 private:
  double p0_, p2_, p3_, q0_, q1_, q2_, q3_;
};

}  // namespace

void StretchTaps::Reach(int from, int to, int& outFrom, int& outTo) const {
  outFrom = outTo = 0;
  bool any = false;
  for (int u = 0; u < static_cast<int>(first.size()); ++u) {
    if (count[u] > 0 && first[u] < to && first[u] + count[u] > from) {
      if (!any) outFrom = u;
      outTo = u + 1;
      any = true;
    }
  }
}

StretchTaps BicubicTaps(int outSize, int inSize) {
  const Cubic cubic;
  // Shrinking widens the filter by the scale and lowers it to match.
  const double scale = static_cast<double>(outSize) / static_cast<double>(inSize);
  const double width = scale < 1.0 ? Cubic::kSupport / scale : Cubic::kSupport;
  const double filterScale = scale < 1.0 ? scale : 1.0;
  const double offset = 0.5 / scale;
  std::vector<std::vector<double>> lists(outSize);
  StretchTaps taps;
  taps.first.resize(outSize);
  taps.count.resize(outSize);
  for (int u = 0; u < outSize; ++u) {
    const double center = static_cast<double>(u) / scale + offset;
    const int left = std::max(0, static_cast<int>(center - width + 0.5));
    const int right = std::min(static_cast<int>(center + width + 0.5), inSize);
    std::vector<double>& weights = lists[u];
    double total = 0;
    for (int i = left; i < right; ++i) {
      const double weight =
          filterScale * cubic(filterScale * (static_cast<double>(i) + 0.5 - center));
      weights.push_back(weight);
      total += weight;
    }
    if (total > 0 && total != 1) {
      for (double& weight : weights) weight /= total;
    }
    // Zero weights at the right end are dropped, as the library drops them.
    while (!weights.empty() && weights.back() == 0) weights.pop_back();
    taps.first[u] = left;
    taps.count[u] = static_cast<int>(weights.size());
    taps.stride = std::max(taps.stride, taps.count[u]);
  }
  taps.weights.assign(static_cast<std::size_t>(outSize) * taps.stride, 0.0);
  for (int u = 0; u < outSize; ++u) {
    std::copy(lists[u].begin(), lists[u].end(),
              taps.weights.begin() + static_cast<std::ptrdiff_t>(u) * taps.stride);
  }
  return taps;
}

}  // namespace vorlix
