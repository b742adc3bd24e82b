#include "convert/xm/pattern_encoding.h"

namespace vorlix {
std::uint8_t PackedDecimal(int x) {
  return static_cast<std::uint8_t>(x + 6 * (x / 10));
}

void EncodeFrame(const FrameGrid& grid, const ConversionSettings& settings, PatternBytes& out) {
  const auto& fill = settings.FillBytes;
  const int breakIndex = settings.BreakPatterns ? BreakCellIndex(settings) : -1;
  const std::uint8_t breakParam = PackedDecimal(BreakRow(settings));
  const int cellCount = grid.rows * grid.channels;
  out.reserve(out.size() + static_cast<std::size_t>(cellCount) * 2);
  for (int i = 0; i < cellCount; ++i) {
    if (i == breakIndex) {
      const auto flags = static_cast<std::uint8_t>(PackingBase | kEffectFlags);
      out.insert(out.end(), {flags, kPatternBreakEffect, breakParam});
      continue;
    }
    const std::int32_t* m = grid.cells[i].m;
    // The effect mark always brings both effect bytes.
    const int v =
        m[0] * kNoteFlag + m[1] * kInstrumentFlag + m[2] * kVolumeFlag + m[3] * kEffectFlags;
    // Without a flag byte a note byte with its high bit set would be read as a flag byte, and
    // the rest of the pattern with it; such a cell keeps the flag byte with all five bits.
    if (v == kAllColumnFlags && (fill[0] & PackingBase) == 0) {
      out.insert(out.end(), fill.begin(), fill.end());
      continue;
    }
    out.push_back(static_cast<std::uint8_t>(PackingBase + v));
    if (m[0]) out.push_back(fill[0]);
    if (m[1]) out.push_back(fill[1]);
    if (m[2]) out.push_back(fill[2]);
    if (m[3]) out.insert(out.end(), {fill[3], fill[4]});
  }
}

}  // namespace vorlix
