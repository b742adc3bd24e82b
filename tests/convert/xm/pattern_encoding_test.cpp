#include <gtest/gtest.h>

#include "convert/xm/pattern_encoding.h"
#include "tests/support/test_helpers.h"

namespace vorlix {
namespace {

using testutil::Sized;

FrameGrid Filled(const ConversionSettings& s, FrameCell cell) {
  FrameGrid g = MakeFrameGrid(s);
  std::fill(g.cells.begin(), g.cells.end(), cell);
  return g;
}

PatternBytes Encode(const FrameGrid& g, const ConversionSettings& s) {
  PatternBytes out;
  EncodeFrame(g, s, out);
  return out;
}

TEST(PackedDecimal, PutsTensInHighNibble) {
  EXPECT_EQ(PackedDecimal(0), 0x00);
  EXPECT_EQ(PackedDecimal(8), 0x08);
  EXPECT_EQ(PackedDecimal(20), 0x20);
  EXPECT_EQ(PackedDecimal(63), 0x63);
  EXPECT_EQ(PackedDecimal(99), 0x99);
}

TEST(EncodeFrame, SixteenMarkCasesWithDefaultFillBytes) {
  // Break off, so cell 0 of a one-cell-wide view is always encoded from its marks.
  const ConversionSettings s = Sized(8, 16, false);
  const std::uint8_t F0 = 0x3D, F1 = 0x7F, F2 = 0x4D, F3 = 0x09, F4 = 0x63;
  struct Case {
    FrameCell marks;
    PatternBytes bytes;
  };
  const Case cases[] = {
      {{{0, 0, 0, 0}}, {0x80}},
      {{{1, 0, 0, 0}}, {0x81, F0}},
      {{{0, 1, 0, 0}}, {0x82, F1}},
      {{{1, 1, 0, 0}}, {0x83, F0, F1}},
      {{{0, 0, 1, 0}}, {0x84, F2}},
      {{{1, 0, 1, 0}}, {0x85, F0, F2}},
      {{{0, 1, 1, 0}}, {0x86, F1, F2}},
      {{{1, 1, 1, 0}}, {0x87, F0, F1, F2}},
      {{{0, 0, 0, 1}}, {0x98, F3, F4}},
      {{{1, 0, 0, 1}}, {0x99, F0, F3, F4}},
      {{{0, 1, 0, 1}}, {0x9A, F1, F3, F4}},
      {{{1, 1, 0, 1}}, {0x9B, F0, F1, F3, F4}},
      {{{0, 0, 1, 1}}, {0x9C, F2, F3, F4}},
      {{{1, 0, 1, 1}}, {0x9D, F0, F2, F3, F4}},
      {{{0, 1, 1, 1}}, {0x9E, F1, F2, F3, F4}},
      {{{1, 1, 1, 1}}, {F0, F1, F2, F3, F4}},
  };
  for (const Case& c : cases) {
    FrameGrid g = Filled(s, FrameCell{});
    g.cells[0] = c.marks;
    const PatternBytes out = Encode(g, s);
    const PatternBytes first(out.begin(), out.begin() + c.bytes.size());
    EXPECT_EQ(first, c.bytes) << "marks " << c.marks.m[0] << c.marks.m[1] << c.marks.m[2]
                              << c.marks.m[3];
    EXPECT_EQ(out.size(), c.bytes.size() + g.cells.size() - 1);
  }
}

TEST(EncodeFrame, EmptyGridIsOneFlagBytePerCellPlusTheBreak) {
  const ConversionSettings off = Sized(120, 150, false);
  const PatternBytes plain = Encode(Filled(off, FrameCell{}), off);
  EXPECT_EQ(plain, PatternBytes(150 * 30, 0x80));

  const ConversionSettings on = Sized(120, 150, true);
  const PatternBytes withBreak = Encode(Filled(on, FrameCell{}), on);
  ASSERT_EQ(withBreak.size(), 150u * 30 + 2);
  // Break cell 1919 (row 63, channel 29) follows 1919 empty cells.
  EXPECT_EQ(BreakCellIndex(on), 1919);
  EXPECT_EQ(withBreak[1918], 0x80);
  EXPECT_EQ(withBreak[1919], 0x98);
  EXPECT_EQ(withBreak[1920], 0x0D);
  EXPECT_EQ(withBreak[1921], 0x63);
  EXPECT_EQ(withBreak[1922], 0x80);
}

TEST(EncodeFrame, FullGridUsesTheFiveByteFormEverywhere) {
  const FrameCell all{{1, 1, 1, 1}};
  const ConversionSettings off = Sized(40, 20, false);
  const PatternBytes plain = Encode(Filled(off, all), off);
  ASSERT_EQ(plain.size(), 5u * 20 * 10);
  for (std::size_t i = 0; i < plain.size(); i += 5) {
    ASSERT_EQ(PatternBytes(plain.begin() + i, plain.begin() + i + 5),
              (PatternBytes{0x3D, 0x7F, 0x4D, 0x09, 0x63}));
  }
  const ConversionSettings on = Sized(40, 20, true);
  EXPECT_EQ(Encode(Filled(on, all), on).size(), 5u * 20 * 10 - 2);
}

// A note byte with its high bit set would be read as a flag byte: such a full cell keeps the
// flag byte with all five bits; every other cell is written as before.
TEST(EncodeFrame, FullCellWithHighNoteByteKeepsItsFlagByte) {
  const ConversionSettings base = Sized(8, 16, false);
  const std::pair<std::uint8_t, PatternBytes> cases[] = {
      {0x7F, {0x7F, 1, 2, 3, 4}},
      {0x80, {0x9F, 0x80, 1, 2, 3, 4}},
      {0xFF, {0x9F, 0xFF, 1, 2, 3, 4}},
  };
  for (const auto& [note, bytes] : cases) {
    ConversionSettings s = base;
    s.FillBytes = {note, 1, 2, 3, 4};
    FrameGrid g = Filled(s, FrameCell{{1, 0, 0, 0}});
    g.cells[0] = FrameCell{{1, 1, 1, 1}};
    const PatternBytes out = Encode(g, s);
    EXPECT_EQ(PatternBytes(out.begin(), out.begin() + bytes.size()), bytes) << int(note);
    EXPECT_EQ(PatternBytes(out.begin() + bytes.size(), out.begin() + bytes.size() + 2),
              (PatternBytes{0x81, note}));
  }
}

TEST(EncodeFrame, BreakRowAndParameterFollowHeight) {
  const std::pair<int, std::uint8_t> cases[] = {{16, 0x08},  {40, 0x20},  {126, 0x63},
                                                {127, 0x63}, {150, 0x63}, {200, 0x63}};
  for (auto [height, param] : cases) {
    const ConversionSettings s = Sized(8, height);
    const int row = std::min(height / 2, 63);
    EXPECT_EQ(BreakRow(s), row);
    EXPECT_EQ(BreakCellIndex(s), 2 * (row + 1) - 1);
    const PatternBytes out = Encode(Filled(s, FrameCell{}), s);
    const std::size_t at = static_cast<std::size_t>(BreakCellIndex(s));
    EXPECT_EQ(PatternBytes(out.begin() + at, out.begin() + at + 3),
              (PatternBytes{0x98, 0x0D, param}))
        << "height " << height;
  }
}

TEST(EncodeFrame, WidthsEightToElevenGiveTwoChannels) {
  for (int width = 8; width <= 11; ++width) {
    const ConversionSettings s = Sized(width, 16);
    EXPECT_EQ(BreakCellIndex(s), 17);
    EXPECT_EQ(Encode(Filled(s, FrameCell{}), s).size(), 16u * 2 + 2) << "width " << width;
  }
}

TEST(EncodeFrame, BreakCellIgnoresItsMarksAndFillBytes) {
  const ConversionSettings s = Sized(8, 16);
  FrameGrid g = Filled(s, FrameCell{});
  g.cells[17] = FrameCell{{1, 1, 1, 1}};
  const PatternBytes out = Encode(g, s);
  EXPECT_EQ(PatternBytes(out.begin() + 17, out.begin() + 20), (PatternBytes{0x98, 0x0D, 0x08}));

  // With breaks off the same cell is encoded from its marks like any other.
  const ConversionSettings off = Sized(8, 16, false);
  const PatternBytes plain = Encode(g, off);
  EXPECT_EQ(PatternBytes(plain.begin() + 17, plain.begin() + 22),
            (PatternBytes{0x3D, 0x7F, 0x4D, 0x09, 0x63}));
}

TEST(EncodeFrame, EffectOnlyCellSharesTheBreakFlagButCarriesFillBytes) {
  ConversionSettings s = Sized(8, 16);
  s.FillBytes = {1, 2, 3, 0xF0, 0xFF};
  FrameGrid g = Filled(s, FrameCell{{0, 0, 0, 1}});
  const PatternBytes out = Encode(g, s);
  EXPECT_EQ(PatternBytes(out.begin(), out.begin() + 3), (PatternBytes{0x98, 0xF0, 0xFF}));
}

TEST(EncodeFrame, FramesEncodedInARowMatchEachAlone) {
  const ConversionSettings s = Sized(16, 16);
  FrameGrid a = Filled(s, FrameCell{{1, 0, 1, 0}});
  FrameGrid b = Filled(s, FrameCell{{0, 1, 0, 1}});
  PatternBytes buffer;
  EncodeFrame(a, s, buffer);
  EXPECT_EQ(buffer, Encode(a, s));
  buffer.clear();
  EncodeFrame(b, s, buffer);
  EXPECT_EQ(buffer, Encode(b, s));
}

}  // namespace
}  // namespace vorlix
