#include "convert/pattern_encoding.h"

#include <algorithm>

namespace vorlix {
namespace {
constexpr std::uint8_t kBreakFlags = 0x98;    // flag byte: effect type and parameter follow
constexpr std::uint8_t kPatternBreak = 0x0D;  // effect type of the pattern break
constexpr int kAllMarks = 31;                 // note + instrument + volume + both effect bytes
constexpr std::uint8_t kFlagBit = 0x80;       // marks a cell's first byte as a flag byte
}  // namespace

FrameGrid MakeFrameGrid(const ConversionSettings& settings) {
  FrameGrid grid;
  grid.rows = settings.Height;
  grid.channels = settings.Width / 4;
  grid.cells.assign(static_cast<std::size_t>(grid.rows) * grid.channels, FrameCell{});
  return grid;
}

int BreakRow(const ConversionSettings& settings) {
  return std::min(settings.Height / 2, 63);
}

int BreakCellIndex(const ConversionSettings& settings) {
  return (settings.Width / 4) * (BreakRow(settings) + 1) - 1;
}

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
      out.insert(out.end(), {kBreakFlags, kPatternBreak, breakParam});
      continue;
    }
    const std::int32_t* m = grid.cells[i].m;
    // The effect mark weighs 24 (0x18): it always brings both effect bytes.
    const int v = m[0] * 1 + m[1] * 2 + m[2] * 4 + m[3] * 24;
    // Without a flag byte a note byte with its high bit set would be read as a flag byte, and
    // the rest of the pattern with it; such a cell keeps the packed form with all five flags.
    if (v == kAllMarks && (fill[0] & kFlagBit) == 0) {
      out.insert(out.end(), fill.begin(), fill.end());
      continue;
    }
    out.push_back(static_cast<std::uint8_t>(ConversionSettings::PackingBase + v));
    if (m[0]) out.push_back(fill[0]);
    if (m[1]) out.push_back(fill[1]);
    if (m[2]) out.push_back(fill[2]);
    if (m[3]) out.insert(out.end(), {fill[3], fill[4]});
  }
}

}  // namespace vorlix
