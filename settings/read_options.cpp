#include "settings/read_options.h"

#include <algorithm>

namespace vorlix {

std::int32_t ClampTempo(std::uint32_t v) {
  return static_cast<std::int32_t>(std::clamp(v, 32u, 255u));
}

std::int32_t ClampSpeed(std::uint32_t v) {
  return static_cast<std::int32_t>(std::clamp(v, 1u, 31u));
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

void ReadOptions(const OptionSource& source, ConversionSettings& settings) {
  settings.Tempo = ClampTempo(source.FieldNumber(ControlId::Tempo));
  settings.Speed = ClampSpeed(source.FieldNumber(ControlId::Speed));
  settings.Width = ClampWidth(source.FieldNumber(ControlId::Width));
  settings.Height = ClampHeight(source.FieldNumber(ControlId::Height));
  for (int i = 0; i < 5; ++i) {
    settings.FillBytes[i] = ClampByte(source.FieldNumber(ControlId::FillFields[i]));
  }
  settings.Threshold = ClampByte(source.FieldNumber(ControlId::Threshold));
  settings.InverseColors = source.BoxChecked(ControlId::InverseColors) ? 1 : 0;
  settings.BreakPatterns = source.BoxChecked(ControlId::BreakPatterns) ? 1 : 0;
}

}  // namespace vorlix
