#include "settings/settings_tail.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace vorlix {
namespace {

constexpr std::array<std::uint8_t, 4> kTag = {'V', 'X', 'P', 'O'};
constexpr std::uint8_t kVersion = 1;

// Offsets within the tail.
enum TailOffset {
  kTagAt = 0,  // four bytes
  kVersionAt = 4,
  kDitherAt = 5,
  kThresholdModeAt = 6,
  kTimingAt = 7,
  kBackdropAt = 8,
  kTailSize = 9,
};

// The byte at `at` when the tail holds it and it is below `count`.
bool InRange(std::span<const std::uint8_t> tail, int at, std::size_t count, std::uint8_t& value) {
  if (static_cast<std::size_t>(at) >= tail.size() || tail[at] >= count) return false;
  value = tail[at];
  return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeSettingsTail(const PictureOptions& options) {
  if (options == PictureOptions{}) return {};
  std::vector<std::uint8_t> tail(kTailSize);
  std::copy(kTag.begin(), kTag.end(), tail.begin() + kTagAt);
  tail[kVersionAt] = kVersion;
  tail[kDitherAt] = static_cast<std::uint8_t>(options.Dither);
  tail[kThresholdModeAt] = options.AutoThreshold ? 1 : 0;
  tail[kTimingAt] = static_cast<std::uint8_t>(options.Timing);
  tail[kBackdropAt] = static_cast<std::uint8_t>(options.Transparent);
  return tail;
}

void DecodeSettingsTail(std::span<const std::uint8_t> tail, PictureOptions& options) {
  if (tail.size() <= kVersionAt || !std::equal(kTag.begin(), kTag.end(), tail.begin()) ||
      tail[kVersionAt] < kVersion) {
    return;
  }
  std::uint8_t v = 0;
  if (InRange(tail, kDitherAt, std::size(kDitherNames), v)) options.Dither = DitherMethod{v};
  if (InRange(tail, kThresholdModeAt, 2, v)) options.AutoThreshold = v == 1;
  if (InRange(tail, kTimingAt, std::size(kTimingNames), v)) options.Timing = TimingSource{v};
  if (InRange(tail, kBackdropAt, std::size(kBackdropNames), v)) options.Transparent = Backdrop{v};
}

}  // namespace vorlix
