// The pattern view as MilkyTracker 1.03 (FastTracker 2's notation) or Schism Tracker 20221201
// draws it: its notation, its character grid of 8 x 8 screen pixels and its default colours, in
// the pixel font. The whole pattern, or only the window a tracker shows around its cursor row.
#pragma once

#include <optional>

#include "preview/preview_picture.h"

namespace vorlix {

enum class TrackerLook { Ft2, Schism };

// What a tracker's pattern view shows: the first `channels` channels and the rows from
// `rowsAbove` above the cursor row to `rowsBelow` below it. The cursor row is the break row.
struct PatternWindow {
  int channels = 0;
  int rowsAbove = 0;
  int rowsBelow = 0;
};

// The row the trackers keep at their cursor row while playing: the pattern-break row,
// min(rows / 2, 63).
int CursorRow(const PatternView& view);

// The view drawn in the tracker's look. Without a window every row and channel; with one, its
// rows and channels, rows outside the pattern and channels past the module's left blank.
PreviewImage DrawTrackerScreen(const PatternView& view, TrackerLook look,
                               const std::optional<PatternWindow>& window = std::nullopt);

// Screen pixels of one character of both trackers' pattern views.
inline constexpr int kScreenCharSize = 8;
// MilkyTracker: a channel's slot, the x of each field in it (note, instrument, volume, effect,
// parameter), and the room left of the first slot after the row numbers.
inline constexpr int kFt2SlotWidth = 87;
inline constexpr int kFt2FieldX[5] = {0, 25, 42, 59, 68};
inline constexpr int kFt2RowNumberGap = 4;
// Schism: characters before the first channel and per channel (13 and a separator), and the
// character of each field (note, instrument, volume, effect with its parameter).
inline constexpr int kSchismLeftChars = 5;
inline constexpr int kSchismChannelChars = 14;
inline constexpr int kSchismFieldChar[4] = {0, 4, 7, 10};

}  // namespace vorlix
