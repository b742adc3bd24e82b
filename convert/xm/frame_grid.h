// The sampled picture of one frame: rows x channels cells of four on/off marks.
#pragma once

#include <cstdint>
#include <vector>

#include "settings/conversion_settings.h"

namespace vorlix {

// Marks of one cell, each 0 or 1: note, instrument, volume, effect. Mark m is read from pixel
// column 4n + m of the cell's channel n.
struct FrameCell {
  std::int32_t m[kPixelsPerCell] = {0, 0, 0, 0};
};

// Row-major cells: the cell of row k and channel n has index k * channels + n. Row 0 is the top.
struct FrameGrid {
  int rows = 0;
  int channels = 0;
  std::vector<FrameCell> cells;
};

// A grid of all-zero marks shaped for the settings: Height rows, ChannelCount
// channels.
FrameGrid MakeFrameGrid(const ConversionSettings& settings);

// Row of the pattern-break cell: Height / 2, at most kBreakRowCap.
int BreakRow(const ConversionSettings& settings);
// Index of the pattern-break cell: row BreakRow, last channel.
int BreakCellIndex(const ConversionSettings& settings);

}  // namespace vorlix
