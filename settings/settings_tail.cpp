#include "settings/settings_tail.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "base/field_writer.h"

namespace vorlix {
namespace {

constexpr std::array<std::uint8_t, 4> kTag = {'V', 'X', 'P', 'O'};
constexpr std::uint8_t kVersion = 1;

// Offsets of the fields read back; EncodeSettingsTail writes them in this order.
enum TailOffset {
  kVersionAt = 4,  // after the tag
  kDitherAt = 5,
  kThresholdModeAt = 6,
  kTimingAt = 7,
  kBackdropAt = 8,
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
  std::vector<std::uint8_t> tail(kSettingsTailSize);
  FieldWriter w(tail.data(), tail.size());
  for (std::uint8_t t : kTag) w.U8(t);                // 0: tag "VXPO"
  w.U8(kVersion);                                     // 4: version
  w.U8(static_cast<std::uint8_t>(options.Dither));    // 5: dither
  w.U8(options.AutoThreshold ? 1 : 0);                // 6: threshold mode
  w.U8(static_cast<std::uint8_t>(options.Timing));    // 7: timing
  w.U8(static_cast<std::uint8_t>(options.Backdrop));  // 8: backdrop
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
  if (InRange(tail, kBackdropAt, std::size(kBackdropNames), v))
    options.Backdrop = BackdropColour{v};
}

}  // namespace vorlix
