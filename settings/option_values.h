// Option values as the user gave them, and their clamping into the settings. The dialog's
// fields and the command line both fill an OptionValues; ReadOptions clamps it.
#pragma once

#include <array>
#include <cstdint>

#include "settings/conversion_settings.h"

namespace vorlix {

// Raw values: the unsigned number a field or a flag gave (0 when its text gives none), and
// whether a box is checked.
struct OptionValues {
  std::uint32_t Tempo = 0;
  std::uint32_t Speed = 0;
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint32_t Threshold = 0;
  std::array<std::uint32_t, FillByteCount> FillBytes{};
  bool InverseColors = false;
  bool BreakPatterns = false;
  PictureOptions Picture;  // chosen from fixed lists, so nothing to clamp
};

std::int32_t ClampTempo(std::uint32_t v);
std::int32_t ClampSpeed(std::uint32_t v);
std::int32_t ClampWidth(std::uint32_t v);
std::int32_t ClampHeight(std::uint32_t v);
std::uint8_t ClampByte(std::uint32_t v);  // fill bytes and threshold

// Clamps: brings the values into the settings, each clamped into its range (out-of-range values
// are not refused). Never fails.
void ReadOptions(const OptionValues& values, ConversionSettings& settings);

// The values that fields filled from the settings show, unclamped (a hand-written settings
// file may hold a width of 200).
OptionValues ShownOptionValues(const ConversionSettings& settings);

}  // namespace vorlix
