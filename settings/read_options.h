// Reading the option fields back into the settings, clamping every value into its range.
#pragma once

#include <cstdint>
#include <functional>

#include "settings/conversion_settings.h"

namespace vorlix {

// Control ids of the option fields of the main dialog.
namespace ControlId {
inline constexpr int InverseColors = 1010;
inline constexpr int Tempo = 1011;
inline constexpr int Speed = 1013;
inline constexpr int Width = 1015;
inline constexpr int Height = 1017;
inline constexpr int Fill1 = 1019;
inline constexpr int BreakPatterns = 1021;
inline constexpr int Fill2 = 1022;
inline constexpr int Fill3 = 1024;
inline constexpr int Fill4 = 1026;
inline constexpr int Fill5 = 1028;
inline constexpr int Threshold = 1031;
inline constexpr int FillFields[5] = {Fill1, Fill2, Fill3, Fill4, Fill5};
}  // namespace ControlId

// Where ReadOptions gets its answers: the unsigned number a field gives (0 when its text gives
// none) and whether a check box is checked. The dialog is one such source, a test double another.
struct OptionSource {
  std::function<std::uint32_t(int controlId)> FieldNumber;
  std::function<bool(int controlId)> BoxChecked;
};

std::int32_t ClampTempo(std::uint32_t v);
std::int32_t ClampSpeed(std::uint32_t v);
std::int32_t ClampWidth(std::uint32_t v);
std::int32_t ClampHeight(std::uint32_t v);
std::uint8_t ClampByte(std::uint32_t v);  // fill bytes and threshold

void ReadOptions(const OptionSource& source, ConversionSettings& settings);

}  // namespace vorlix
