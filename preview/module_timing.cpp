#include "preview/module_timing.h"

#include <cmath>

#include "convert/xm/frame_grid.h"

namespace vorlix {

double RowSeconds(const ConversionSettings& settings) {
  return settings.Tempo > 0 ? settings.Speed * 2.5 / settings.Tempo : 0.0;
}

int FrameRowsPlayed(const ConversionSettings& settings, int j) {
  if (!settings.BreakPatterns) return settings.Height;
  return j == 0 ? BreakRow(settings) + 1 : 1;
}

int FrameMilliseconds(const ConversionSettings& settings, int j) {
  return static_cast<int>(std::lround(FrameRowsPlayed(settings, j) * RowSeconds(settings) * 1000));
}

}  // namespace vorlix
