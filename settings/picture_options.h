// The picture options beyond the 11-byte settings: how a stretched frame becomes one bit per pixel,
// where the tempo and speed come from, and what shows where no frame has drawn. Each default is
// the behaviour of the 11-byte settings.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vorlix {

// One-bit reduction: at the threshold (None), or one of the image library's dithers.
enum class DitherMethod : std::uint8_t {
  None,
  FloydSteinberg,
  Bayer4,
  Bayer8,
  Bayer16,
  Cluster6,
  Cluster8,
  Cluster16,
};

// Tempo and speed: as set, or chosen from the GIF's median frame delay.
enum class TimingSource : std::uint8_t { Settings, Gif };

// What areas show where no frame has drawn, a frame is transparent, or a frame is disposed of
// by restoring the background: the GIF's background colour, white or black.
enum class BackdropColour : std::uint8_t { Background, Light, Dark };

struct PictureOptions {
  DitherMethod Dither = DitherMethod::None;
  bool AutoThreshold = false;  // one threshold for the whole animation, by Otsu's method
  TimingSource Timing = TimingSource::Settings;
  BackdropColour Backdrop = BackdropColour::Background;
  bool operator==(const PictureOptions&) const = default;
};

// Whether one threshold is chosen for the whole animation: asked for, and no dither (a dither
// uses no threshold).
inline bool AutoThresholdInEffect(const PictureOptions& options) {
  return options.AutoThreshold && options.Dither == DitherMethod::None;
}

// The names the command line takes and the help text shows, in the order of each enum.
inline constexpr std::string_view kDitherNames[] = {"none",    "fs",       "bayer4",   "bayer8",
                                                    "bayer16", "cluster6", "cluster8", "cluster16"};
inline constexpr std::string_view kTimingNames[] = {"settings", "gif"};
inline constexpr std::string_view kBackdropNames[] = {"background", "light", "dark"};

// Position of `name` in `names`, or nothing when it is not there.
inline std::optional<std::uint8_t> IndexOfName(std::span<const std::string_view> names,
                                               std::string_view name) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return static_cast<std::uint8_t>(i);
  }
  return std::nullopt;
}

}  // namespace vorlix
