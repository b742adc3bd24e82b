#include <FreeImage.h>
#include <gtest/gtest.h>

#include <functional>

#include "convert/picture/frame_sampling.h"
#include "tests/support/test_helpers.h"

namespace vorlix {
namespace {

// A 24-bit picture whose pixels are black where `dark(x, y)` holds (y = 0 is the top row) and
// white elsewhere.
struct Picture {
  FIBITMAP* dib;
  Picture(int w, int h, const std::function<bool(int, int)>& dark)
      : dib(FreeImage_Allocate(w, h, 24)) {
    for (int y = 0; y < h; ++y) {
      BYTE* line = FreeImage_GetScanLine(dib, h - 1 - y);
      for (int x = 0; x < w; ++x) {
        const BYTE v = dark(x, y) ? 0 : 255;
        line[3 * x] = line[3 * x + 1] = line[3 * x + 2] = v;
      }
    }
  }
  ~Picture() { FreeImage_Unload(dib); }
};

using testutil::Sized;

FrameGrid Sample(FIBITMAP* picture, const ConversionSettings& s) {
  FrameGrid grid = MakeFrameGrid(s);
  SampleImage(picture, s, grid);
  return grid;
}

// Every cell but the break cell holds `mark` in all four marks; the break cell holds 0 0 0 1.
void ExpectUniform(const FrameGrid& g, const ConversionSettings& s, int mark) {
  const int breakCell = s.BreakPatterns ? BreakCellIndex(s) : -1;
  for (int i = 0; i < static_cast<int>(g.cells.size()); ++i) {
    const FrameCell expected =
        i == breakCell ? FrameCell{{0, 0, 0, 1}} : FrameCell{{mark, mark, mark, mark}};
    for (int m = 0; m < 4; ++m) ASSERT_EQ(g.cells[i].m[m], expected.m[m]) << "cell " << i;
  }
}

TEST(MarkFromIndex, DarkIsDrawnUnlessInverse) {
  ConversionSettings s = StartupSettings();
  EXPECT_EQ(MarkFromIndex(0, s), 1);
  EXPECT_EQ(MarkFromIndex(1, s), 0);
  s.InverseColors = 1;
  EXPECT_EQ(MarkFromIndex(0, s), 0);
  EXPECT_EQ(MarkFromIndex(1, s), 1);
}

TEST(SampleImage, UniformPicturesAndTheBreakCell) {
  Picture black(50, 40, [](int, int) { return true; });
  Picture white(50, 40, [](int, int) { return false; });
  for (bool breakOn : {true, false}) {
    const ConversionSettings s = Sized(120, 150, breakOn);
    ExpectUniform(Sample(black.dib, s), s, 1);
    ExpectUniform(Sample(white.dib, s), s, 0);
    ConversionSettings inverse = s;
    inverse.InverseColors = 1;
    ExpectUniform(Sample(black.dib, inverse), inverse, 0);
    ExpectUniform(Sample(white.dib, inverse), inverse, 1);
  }
}

TEST(SampleImage, ThresholdZeroMakesEveryPixelBright) {
  Picture black(30, 30, [](int, int) { return true; });
  ConversionSettings s = Sized(16, 16);
  s.Threshold = 0;
  ExpectUniform(Sample(black.dib, s), s, 0);
  s.InverseColors = 1;
  ExpectUniform(Sample(black.dib, s), s, 1);
}

TEST(SampleImage, PictureIsNeitherMirroredNorTurned) {
  // Output-sized black and white pictures pass the stretch and threshold unchanged.
  Picture dot(8, 16, [](int x, int y) { return x == 5 && y == 0; });
  const ConversionSettings s = Sized(8, 16, false);
  const FrameGrid g = Sample(dot.dib, s);
  for (int i = 0; i < static_cast<int>(g.cells.size()); ++i) {
    for (int m = 0; m < 4; ++m) {
      EXPECT_EQ(g.cells[i].m[m], i == 1 && m == 1 ? 1 : 0) << "cell " << i << " mark " << m;
    }
  }
  Picture bottom(8, 16, [](int x, int y) { return x == 0 && y == 15; });
  EXPECT_EQ(Sample(bottom.dib, s).cells[15 * 2].m[0], 1);
}

TEST(SampleImage, WidthTenLeavesTheLastTwoColumnsUnread) {
  Picture rightEdge(10, 16, [](int x, int) { return x >= 8; });
  const ConversionSettings s = Sized(10, 16, false);
  const FrameGrid g = Sample(rightEdge.dib, s);
  ASSERT_EQ(g.channels, 2);
  ExpectUniform(g, s, 0);
}

TEST(SampleImage, PicturesAreStretchedNotCropped) {
  // A wide picture, dark on its left half, fills the left channel of a narrow grid.
  Picture leftHalf(200, 10, [](int x, int) { return x < 100; });
  const ConversionSettings s = Sized(8, 16, false);
  const FrameGrid g = Sample(leftHalf.dib, s);
  for (int row = 0; row < 16; ++row) {
    for (int m = 0; m < 4; ++m) {
      ASSERT_EQ(g.cells[row * 2].m[m], 1) << "row " << row;
      ASSERT_EQ(g.cells[row * 2 + 1].m[m], 0) << "row " << row;
    }
  }
}

TEST(SampleImage, NoPictureGivesEmptyMarksWithTheBreak) {
  const ConversionSettings s = Sized(12, 20);
  FrameGrid g = MakeFrameGrid(s);
  std::fill(g.cells.begin(), g.cells.end(), FrameCell{{1, 1, 1, 1}});
  SampleImage(nullptr, s, g);
  ExpectUniform(g, s, 0);
}

}  // namespace
}  // namespace vorlix
