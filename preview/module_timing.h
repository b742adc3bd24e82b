// How long each frame stays on screen while the module plays.
#pragma once

#include "settings/conversion_settings.h"

namespace vorlix {

// One pattern row lasts Speed ticks of 2.5 / Tempo seconds.
double RowSeconds(const ConversionSettings& settings);

// Rows of frame j that play: with pattern breaks the first pattern plays rows 0 to BreakRow and
// every later one only its break row, which it is entered at; without them each pattern plays
// all its rows. Commands in the fill bytes that move playback are not followed.
int FrameRowsPlayed(const ConversionSettings& settings, int j);

// FrameRowsPlayed times RowSeconds, in whole milliseconds.
int FrameMilliseconds(const ConversionSettings& settings, int j);

}  // namespace vorlix
