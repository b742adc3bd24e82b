// The user's options of a conversion, under their names, with their built-in defaults.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "settings/picture_options.h"

namespace vorlix {

inline constexpr int FillByteCount = 5;   // note, instrument, volume, effect type, parameter
inline constexpr int kPixelsPerCell = 4;  // note, instrument, volume and effect column
inline constexpr std::size_t kModuleTitleSize = 20;  // bytes of the module's name field

// The ranges a tempo (beats per minute) and a speed (ticks per row) are clamped into.
inline constexpr int kMinTempo = 32;
inline constexpr int kMaxTempo = 255;
inline constexpr int kMinSpeed = 1;
inline constexpr int kMaxSpeed = 31;

struct ConversionSettings {
  std::int32_t Tempo = 250;   // beats per minute
  std::int32_t Speed = 5;     // ticks per row
  std::int32_t Width = 120;   // pixels; ChannelCount channels
  std::int32_t Height = 150;  // pattern rows
  std::uint8_t Threshold = 160;
  // Note, instrument, volume, effect type, effect parameter. The fifth is derived at start-up.
  std::array<std::uint8_t, FillByteCount> FillBytes{0x3D, 0x7F, 0x4D, 0x09, 0x00};
  std::uint8_t InverseColors = 0;  // draw the bright pixels instead of the dark ones
  std::uint8_t BreakPatterns = 1;  // each pattern gets a pattern-break cell
  PictureOptions Picture;          // dither, automatic threshold, timing, backdrop
  // The module's name field, zero padded; nothing for the built-in name. Not kept in the
  // settings file.
  std::optional<std::array<char, kModuleTitleSize>> Title;
};

// The built-in defaults with the fifth fill byte derived from the built-in height, as the
// programs set them up once at start. Later changes of Height leave that byte alone.
ConversionSettings StartupSettings();

// The module's channels: one a cell of kPixelsPerCell pixels across.
constexpr int ChannelCount(const ConversionSettings& settings) {
  return settings.Width / kPixelsPerCell;
}

}  // namespace vorlix
