#include "convert/xm/frame_grid.h"

#include <algorithm>

#include "convert/xm/xm_format.h"

namespace vorlix {

FrameGrid MakeFrameGrid(const ConversionSettings& settings) {
  FrameGrid grid;
  grid.rows = settings.Height;
  grid.channels = ChannelCount(settings);
  grid.cells.assign(static_cast<std::size_t>(grid.rows) * grid.channels, FrameCell{});
  return grid;
}

int BreakRow(const ConversionSettings& settings) {
  return std::min(settings.Height / 2, kBreakRowCap);
}

int BreakCellIndex(const ConversionSettings& settings) {
  return ChannelCount(settings) * (BreakRow(settings) + 1) - 1;
}

}  // namespace vorlix
