#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "convert/conversion_run.h"
#include "tests/support/picture_fixtures.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_helpers.h"
#include "tests/support/xm_reader.h"

namespace vorlix {
namespace {

using testgif::GifDescription;

// The drawn pixels of one decoded pattern: drawn[row][x] (x = 4 x channel + column).
using Drawn = std::vector<std::vector<bool>>;

struct Converted {
  testxm::Module module;
  std::vector<std::uint8_t> bytes;
  std::vector<Drawn> frames;
  std::vector<std::string> information;  // the Information messages but the last (success)
};

// Converts the GIF with the settings in a fresh folder and decodes every pattern.
Converted Convert(const GifDescription& gif, const ConversionSettings& settings) {
  testfs::TempDir dir(true);
  EXPECT_TRUE(testgif::WriteGif("in.gif", gif));
  Converted c;
  RunReporter reporter{[&c](MessageKind kind, const std::string& text) {
                         if (kind == MessageKind::Information) c.information.push_back(text);
                       },
                       [](const std::string&) {}};
  RunState state;
  std::ostringstream out;
  LoadInput("in.gif", reporter, state);
  EXPECT_EQ(ConversionRun("out", "in.gif", reporter, out, settings, state), SaveOutcome::Written);
  c.information.erase(c.information.begin());  // "File loaded."
  c.information.pop_back();                    // the success
  c.bytes = testxm::ReadFileBytes("out.xm");
  c.module = testxm::ParseModule(c.bytes);
  for (const testxm::Pattern& p : c.module.patterns) {
    const std::vector<testxm::Cell> cells = testxm::UnpackCells(p, c.module.channels);
    Drawn drawn(p.rows, std::vector<bool>(4 * c.module.channels));
    for (int k = 0; k < p.rows; ++k) {
      for (int n = 0; n < c.module.channels; ++n) {
        for (int m = 0; m < 4; ++m) drawn[k][4 * n + m] = cells[k * c.module.channels + n].has[m];
      }
    }
    c.frames.push_back(drawn);
  }
  return c;
}

double DrawnPercent(const Drawn& d, int top, int left, int rows, int columns) {
  int count = 0;
  for (int k = top; k < top + rows; ++k) {
    for (int x = left; x < left + columns; ++x) count += d[k][x];
  }
  return 100.0 * count / (rows * columns);
}

double DrawnPercent(const Drawn& d) {
  return DrawnPercent(d, 0, 0, static_cast<int>(d.size()), static_cast<int>(d[0].size()));
}

TEST(PictureOptions, FloydSteinbergDrawsEachBlockOfARampByItsDarkness) {
  constexpr int kSize = 128, kSteps = 8, kBlock = 16;
  ConversionSettings s = testutil::Sized(kSize, kSize, false);
  const GifDescription ramp = testgif::GreyRampGif(kSize, kSize, kSteps);
  const Drawn plain = Convert(ramp, s).frames.at(0);
  s.Picture.Dither = DitherMethod::FloydSteinberg;
  const Drawn fs = Convert(ramp, s).frames.at(0);
  for (int by = 0; by < kSize / kBlock; ++by) {
    for (int bx = 0; bx < kSize / kBlock; ++bx) {
      const double darkness = 100.0 * (255 - testgif::RampGrey(bx, kSteps)) / 255;
      const double share = DrawnPercent(fs, by * kBlock, bx * kBlock, kBlock, kBlock);
      EXPECT_NEAR(share, darkness, 3.0) << "block " << bx << "," << by;
      const double whole = DrawnPercent(plain, by * kBlock, bx * kBlock, kBlock, kBlock);
      EXPECT_TRUE(whole == 0 || whole == 100) << "block " << bx << "," << by << ": " << whole;
    }
  }
}

// Rows of the picture with any drawn pixel, as runs of consecutive rows.
int RunsOfDrawnRows(const Drawn& d) {
  int runs = 0;
  bool previous = false;
  for (const auto& row : d) {
    const bool any = std::find(row.begin(), row.end(), true) != row.end();
    runs += any && !previous;
    previous = any;
  }
  return runs;
}

TEST(PictureOptions, AutomaticThresholdShowsTheTextOfATerminalRecording) {
  const testgif::TerminalLayout layout;
  const GifDescription gif = testgif::TerminalRecordingGif(layout);
  ConversionSettings s = testutil::Sized(120, 150, false);
  s.Picture.AutoThreshold = true;
  s.InverseColors = 1;
  const Converted light = Convert(gif, s);
  ASSERT_EQ(light.information.size(), 1u);
  int chosen = -1;
  ASSERT_EQ(std::sscanf(light.information[0].c_str(), "Automatic threshold: %d.", &chosen), 1)
      << light.information[0];

  std::vector<double> shares;
  for (const Drawn& d : light.frames) shares.push_back(DrawnPercent(d));
  std::vector<double> sorted = shares;
  std::sort(sorted.begin(), sorted.end());
  const double median = sorted[sorted.size() / 2];
  EXPECT_GE(median, 2.0);
  EXPECT_LE(median, 40.0);
  EXPECT_LE(sorted.back(), 60.0);
  // Every text line of the full screen is a band of drawn rows of its own.
  EXPECT_EQ(RunsOfDrawnRows(light.frames.back()), layout.lines);

  // Without inverse colours the same threshold draws the complement.
  s.InverseColors = 0;
  const Converted dark = Convert(gif, s);
  ASSERT_EQ(dark.frames.size(), light.frames.size());
  for (std::size_t j = 0; j < dark.frames.size(); ++j) {
    for (std::size_t k = 0; k < dark.frames[j].size(); ++k) {
      for (std::size_t x = 0; x < dark.frames[j][k].size(); ++x) {
        ASSERT_NE(dark.frames[j][k][x], light.frames[j][k][x]) << j << " " << k << " " << x;
      }
    }
  }

  // The chosen value means what the same value typed means.
  s.Picture.AutoThreshold = false;
  s.InverseColors = 1;
  s.Threshold = static_cast<std::uint8_t>(chosen);
  const Converted typed = Convert(gif, s);
  EXPECT_EQ(typed.bytes, light.bytes);
  EXPECT_TRUE(typed.information.empty());
}

TEST(PictureOptions, GifTimingPlaysEachFrameForItsDelay) {
  constexpr int kFrames = 8;
  for (int delay : {2, 5, 10, 20, 50}) {
    ConversionSettings s = testutil::Sized(16, 16, true);
    s.Picture.Timing = TimingSource::Gif;
    const Converted c = Convert(testgif::ConstantDelayGif(kFrames, delay), s);
    const double row = 2.5 * c.module.speed / c.module.tempo;
    EXPECT_NEAR(row, delay / 100.0, delay / 1000.0) << delay;
    ASSERT_EQ(c.information.size(), 1u);
    EXPECT_NE(c.information[0].find("tempo " + std::to_string(c.module.tempo)), std::string::npos)
        << c.information[0];
    // The first pattern plays up to its break row, every later one a single row.
    const testxm::OpenmptView view = testxm::LoadWithOpenmpt(c.bytes);
    const int firstRows = 16 / 2 + 1;
    EXPECT_NEAR(view.durationSeconds - firstRows * row, (kFrames - 1) * delay / 100.0,
                (kFrames - 1) * delay / 1000.0)
        << delay;
  }
}

TEST(PictureOptions, BackdropFillsWhatNoFrameDraws) {
  // A background colour of grey 100, and one frame transparent everywhere but a black dot.
  GifDescription gif;
  gif.width = gif.height = 16;
  gif.globalPalette = {{100, 100, 100}, {0, 0, 0}, {0, 255, 0}};
  testgif::GifFrame frame = testgif::SolidFrame(0, 0, 16, 16, 2);
  frame.transparentIndex = 2;
  frame.indices[0] = 1;
  gif.frames.push_back(frame);
  struct Case {
    BackdropColour backdrop;
    std::uint8_t threshold;
    double drawn;  // percent of the picture away from the dot
  };
  // Threshold 1 draws only black, 255 everything but white.
  const Case cases[] = {{BackdropColour::Background, 1, 0},
                        {BackdropColour::Background, 255, 100},
                        {BackdropColour::Dark, 1, 100},
                        {BackdropColour::Light, 255, 0}};
  for (const Case& c : cases) {
    ConversionSettings s = testutil::Sized(16, 16, false);
    s.Threshold = c.threshold;
    s.Picture.Backdrop = c.backdrop;
    const Drawn d = Convert(gif, s).frames.at(0);
    EXPECT_EQ(DrawnPercent(d, 4, 4, 12, 12), c.drawn) << int(c.backdrop) << " " << +c.threshold;
  }
}

}  // namespace
}  // namespace vorlix
