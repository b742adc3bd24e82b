#include "settings/option_values.h"

#include <algorithm>

namespace vorlix {

std::int32_t ClampTempo(std::uint32_t v) {
  return static_cast<std::int32_t>(
      std::clamp(v, std::uint32_t{kMinTempo}, std::uint32_t{kMaxTempo}));
}

std::int32_t ClampSpeed(std::uint32_t v) {
  return static_cast<std::int32_t>(
      std::clamp(v, std::uint32_t{kMinSpeed}, std::uint32_t{kMaxSpeed}));
}

std::int32_t ClampWidth(std::uint32_t v) {
  // The two highest bits are dropped before the range is applied: 2^30 + 6 gives 8, not 128.
  const std::uint32_t w = v % (1u << 30);
  return static_cast<std::int32_t>(std::clamp(w, 8u, 128u));
}

std::int32_t ClampHeight(std::uint32_t v) {
  return static_cast<std::int32_t>(std::clamp(v, 16u, 200u));
}

std::uint8_t ClampByte(std::uint32_t v) {
  return static_cast<std::uint8_t>(std::min(v, 255u));
}

void ReadOptions(const OptionValues& values, ConversionSettings& settings) {
  settings.Tempo = ClampTempo(values.Tempo);
  settings.Speed = ClampSpeed(values.Speed);
  settings.Width = ClampWidth(values.Width);
  settings.Height = ClampHeight(values.Height);
  for (int i = 0; i < FillByteCount; ++i) settings.FillBytes[i] = ClampByte(values.FillBytes[i]);
  settings.Threshold = ClampByte(values.Threshold);
  settings.InverseColors = values.InverseColors ? 1 : 0;
  settings.BreakPatterns = values.BreakPatterns ? 1 : 0;
  settings.Picture = values.Picture;
}

OptionValues ShownOptionValues(const ConversionSettings& settings) {
  OptionValues v;
  v.Tempo = static_cast<std::uint32_t>(settings.Tempo);
  v.Speed = static_cast<std::uint32_t>(settings.Speed);
  v.Width = static_cast<std::uint32_t>(settings.Width);
  v.Height = static_cast<std::uint32_t>(settings.Height);
  v.Threshold = settings.Threshold;
  for (int i = 0; i < FillByteCount; ++i) v.FillBytes[i] = settings.FillBytes[i];
  v.InverseColors = settings.InverseColors == 1;
  v.BreakPatterns = settings.BreakPatterns == 1;
  v.Picture = settings.Picture;
  return v;
}

}  // namespace vorlix
