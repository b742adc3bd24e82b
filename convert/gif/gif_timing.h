// Tempo and speed from the GIF's own frame delays: the row time (speed x 2.5 / tempo seconds)
// closest to the median delay. With pattern breaks on, each frame after the first plays one row.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "settings/conversion_settings.h"

namespace vorlix {

// Delays of 0 or 1 hundredths play as 10, as browsers play them.
inline constexpr int kShortDelayAsPlayed = 10;

// The median of the delays (hundredths of a second) as played; of an even count the lower of
// the two middle ones. Nothing when there are no delays.
std::optional<int> MedianDelay(std::span<const int> delays);

struct RowTiming {
  int Tempo = 0;  // kMinTempo..kMaxTempo
  int Speed = 0;  // kMinSpeed..kMaxSpeed
};

// The tempo and speed whose row time is closest to `delay` hundredths. Of equally close ones,
// the preferred speed wins, then the smallest speed, and for one speed the smallest tempo.
RowTiming ClosestRowTiming(int delay, int preferredSpeed);

// When the settings take their timing from the GIF and it gives a median delay: Tempo and Speed
// set to the closest row timing, which is returned. Otherwise the settings stay and nothing is.
std::optional<RowTiming> ApplyGifTiming(std::optional<int> medianDelay,
                                        ConversionSettings& settings);

}  // namespace vorlix
