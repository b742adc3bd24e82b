// The pattern view and the picture preview against what libopenmpt, a player trackers use,
// reads from the written module.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <array>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "convert/xm/pattern_encoding.h"
#include "convert/xm/xm_writer.h"
#include "preview/pattern_view.h"
#include "preview/pixel_font.h"
#include "preview/preview_picture.h"
#include "tests/support/test_helpers.h"
#include "tests/support/xm_reader.h"

namespace vorlix {
namespace {

using testutil::Sized;

// The widest patterns the module can have: 32 channels of 200 rows.
constexpr int kChannels = 32, kRows = 200, kCellsPerPattern = kChannels * kRows;

// libopenmpt's line of every cell of every pattern, in pattern, row, channel order.
std::vector<std::string> OpenmptLines(const ConversionSettings& s,
                                      const std::vector<PatternBytes>& patterns) {
  const openmpt::module module(BuildModule(s, patterns));
  std::vector<std::string> lines;
  const int channels = s.Width / 4;
  for (int p = 0; p < static_cast<int>(patterns.size()); ++p) {
    for (int r = 0; r < s.Height; ++r) {
      for (int c = 0; c < channels; ++c) {
        lines.push_back(module.format_pattern_row_channel(p, r, c, 0, true));
      }
    }
  }
  return lines;
}

// Patterns of whole-size cells, one cell per value, each cell written as `cell` gives it.
void CompareEveryValue(int valueCount, const std::function<void(PatternBytes&, int)>& cell) {
  const ConversionSettings s = Sized(4 * kChannels, kRows, false);
  std::vector<PatternBytes> patterns;
  for (int start = 0; start < valueCount; start += kCellsPerPattern) {
    PatternBytes bytes;
    for (int v = start; v < start + kCellsPerPattern; ++v) {
      if (v < valueCount) {
        cell(bytes, v);
      } else {
        bytes.push_back(0x80);
      }
    }
    patterns.push_back(bytes);
  }
  const std::vector<std::string> expected = OpenmptLines(s, patterns);
  std::vector<CellText> cells;
  for (const PatternBytes& bytes : patterns) {
    const std::vector<CellText> texts =
        FormatPattern(UnpackPattern(bytes, kRows, kChannels), kChannels);
    cells.insert(cells.end(), texts.begin(), texts.end());
  }
  for (int v = 0; v < valueCount; ++v) {
    const std::string line = CellLine(cells[v]);
    ASSERT_EQ(line, expected[v]) << "value " << v;
    for (char c : line) EXPECT_TRUE(c == '?' || &Glyph(c) != &Glyph('?')) << "no glyph: " << c;
  }
}

TEST(CellText, EqualsLibopenmptForEveryByteOfEachColumn) {
  const std::uint8_t flagOf[] = {0x81, 0x82, 0x84, 0x88, 0x90};
  for (int column = 0; column < 5; ++column) {
    SCOPED_TRACE(column);
    CompareEveryValue(256, [&](PatternBytes& b, int v) {
      b.push_back(flagOf[column]);
      b.push_back(static_cast<std::uint8_t>(v));
    });
  }
}

TEST(CellText, EqualsLibopenmptForEveryEffectTypeAndParameter) {
  CompareEveryValue(65536, [](PatternBytes& b, int v) {
    b.insert(b.end(), {0x98, static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
  });
}

TEST(CellText, EqualsLibopenmptForVolumeCommandsBesideEffects) {
  // A player folds some volume commands into the effect beside them, so every volume byte goes
  // with every effect type, a note and an instrument.
  constexpr std::uint8_t kParameters[] = {0x00, 0x01, 0x0F, 0x10, 0x30, 0x37, 0xF0, 0xFF};
  CompareEveryValue(256 * 40 * 8, [&](PatternBytes& b, int v) {
    b.insert(b.end(), {0x3D, 0x01, static_cast<std::uint8_t>(v / 320),
                       static_cast<std::uint8_t>(v / 8 % 40), kParameters[v % 8]});
  });
}

// Every mark case once per row and channel, shifted from cell to cell.
FrameGrid AllMarkCases(const ConversionSettings& s) {
  FrameGrid grid = MakeFrameGrid(s);
  for (int i = 0; i < static_cast<int>(grid.cells.size()); ++i) {
    const int v = (i * 7 + i / grid.channels) % 16;
    grid.cells[i] = FrameCell{{v & 1, (v >> 1) & 1, (v >> 2) & 1, (v >> 3) & 1}};
  }
  return grid;
}

TEST(PatternView, TextsAndPictureEqualTheModuleReadBack) {
  struct Case {
    int width, height;
    bool breakOn;
    std::array<std::uint8_t, 5> fill;
  };
  const Case cases[] = {
      {120, 150, true, {61, 127, 77, 9, 99}},          // the defaults
      {8, 16, true, {97, 1, 0x10, 0x0F, 0x00}},        // key off, volume 0, speed 0 (dropped)
      {10, 40, false, {1, 0x40, 0xC7, 13, 0x99}},      // panning, a break of the fill bytes
      {128, 200, true, {96, 255, 0xFF, 38, 0xFF}},     // the last note, parameter extension
      {64, 32, true, {0, 0, 0, 0, 0}},                 // columns present, but empty to the eye
      {36, 20, false, {50, 9, 0x65, 33, 0x62}},        // volume slide, dropped X command
      {16, 16, true, {0x9F, 0x31, 0x22, 0x07, 0x15}},  // a note byte read as a flag byte
      {24, 18, false, {0x81, 0x83, 0x50, 0x0E, 0xC3}},
      {40, 16, true, {12, 3, 0xF2, 33, 0x6F}},  // fine pattern delays: one a row remains
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " fill " << int{c.fill[0]});
    ConversionSettings s = Sized(c.width, c.height, c.breakOn);
    s.FillBytes = c.fill;
    const FrameGrid grid = AllMarkCases(s);
    PatternBytes bytes;
    EncodeFrame(grid, s, bytes);
    const std::vector<std::string> expected = OpenmptLines(s, {bytes});
    const PatternView view = ViewFrame(grid, s);
    const PreviewImage picture = DrawPicture(view);
    ASSERT_EQ(view.cells.size(), expected.size());
    ASSERT_EQ(picture.width, 4 * (c.width / 4));
    ASSERT_EQ(picture.height, c.height);
    for (std::size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(CellLine(view.cells[i]), expected[i]) << "cell " << i;
      const bool isBreak = static_cast<int>(i) == view.breakCell;
      for (int m = 0; m < 4; ++m) {
        const int x = static_cast<int>(i) % view.channels * 4 + m;
        const int y = static_cast<int>(i) / view.channels;
        const std::uint8_t shown = isBreak ? std::uint8_t{kBreakMark} : std::uint8_t{kInk};
        ASSERT_EQ(picture.At(x, y),
                  testxm::OpenmptColumnShown(expected[i], m) ? shown : std::uint8_t{kPaper})
            << "cell " << i << " column " << m;
      }
    }
  }
}

TEST(PatternView, BreakCellIsMarkedOnlyWithBreaksOn) {
  ConversionSettings s = Sized(120, 150, true);
  const FrameGrid empty = MakeFrameGrid(s);
  const PreviewImage on = DrawPicture(ViewFrame(empty, s));
  EXPECT_EQ(on.At(4 * 29 + 3, 63), kBreakMark);  // the break's effect column, row 63
  EXPECT_EQ(on.At(4 * 29 + 2, 63), kPaper);
  s.BreakPatterns = 0;
  const PreviewImage off = DrawPicture(ViewFrame(empty, s));
  for (std::uint8_t p : off.pixels) ASSERT_EQ(p, kPaper);
}

TEST(DrawTracker, DrawsEachColumnInkWhenShownAndTheBreakInRed) {
  const ConversionSettings s = Sized(8, 16, true);  // 2 channels, break in row 8 channel 1
  FrameGrid grid = MakeFrameGrid(s);
  grid.cells[0] = FrameCell{{1, 0, 0, 0}};  // row 0, channel 0: only the note
  const PreviewImage image = DrawTracker(ViewFrame(grid, s));
  EXPECT_EQ(image.width, (kTrackerRowNumberChars + 2 * kTrackerChannelChars) * kTrackerCharWidth);
  EXPECT_EQ(image.height, 16 * kTrackerLineHeight);
  // Which shades appear in the character box at text position `chars` of row `row`.
  auto shadesAt = [&](int row, int chars, int count) {
    std::set<int> shades;
    for (int y = row * kTrackerLineHeight; y < row * kTrackerLineHeight + kGlyphHeight; ++y) {
      for (int x = chars * kTrackerCharWidth; x < (chars + count) * kTrackerCharWidth - 1; ++x) {
        if (image.At(x, y) != kPaper) shades.insert(image.At(x, y));
      }
    }
    return shades;
  };
  const int channel0 = kTrackerRowNumberChars, channel1 = channel0 + kTrackerChannelChars;
  EXPECT_EQ(shadesAt(0, channel0, 3), std::set<int>{kInk});             // "C-6"
  EXPECT_EQ(shadesAt(0, channel0 + 4, 2), std::set<int>{kFaint});       // ".."
  EXPECT_EQ(shadesAt(8, channel1 + 10, 3), std::set<int>{kBreakMark});  // "D08"
  EXPECT_EQ(shadesAt(8, channel1, 3), std::set<int>{kFaint});
}

}  // namespace
}  // namespace vorlix
