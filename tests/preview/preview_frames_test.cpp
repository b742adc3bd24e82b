// The preview of every frame against the module that a Save writes with the same options, read
// back through libopenmpt: same cell texts, and a picture pixel drawn exactly where a column
// shows something.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "convert/conversion_run.h"
#include "preview/preview_frames.h"
#include "preview/preview_picture.h"
#include "tests/support/gif_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_helpers.h"
#include "tests/support/xm_reader.h"

namespace vorlix {
namespace {

using testfs::TempDir;
using testgif::GifDescription;
using testgif::GifFrame;
using namespace std::chrono_literals;

// A grey ramp over the screen, then boxes of other greys drawn over it with transparency and
// each disposal, so that composing, stretching and the threshold all matter.
GifDescription RampWithBoxes(int width, int height, int frames) {
  GifDescription gif;
  gif.width = width;
  gif.height = height;
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    gif.globalPalette.push_back({v, static_cast<std::uint8_t>(255 - v), v});
  }
  GifFrame ramp = testgif::SolidFrame(0, 0, width, height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) ramp.indices[y * width + x] = (x * 255 / width + y) % 256;
  }
  gif.frames.push_back(ramp);
  for (int f = 1; f < frames; ++f) {
    GifFrame box = testgif::SolidFrame(f * 3 % width, f * 2 % height, width / 3, height / 3,
                                       static_cast<std::uint8_t>(f * 37));
    box.width = std::min(box.width, width - box.left);
    box.height = std::min(box.height, height - box.top);
    box.indices.assign(box.width * box.height, static_cast<std::uint8_t>(f * 37));
    box.indices[0] = 5;
    box.transparentIndex = 5;
    box.disposal = f % 4;
    gif.frames.push_back(box);
  }
  return gif;
}

class PreviewFramesTest : public ::testing::Test {
 protected:
  TempDir dir{true};
  std::string gif = dir / "in.gif";
  int modules_ = 0;
  void SetUp() override { ASSERT_TRUE(testgif::WriteGif(gif, RampWithBoxes(53, 41, 7))); }

  // The module a Save writes with these settings, as libopenmpt prints its cells.
  std::vector<std::vector<std::string>> ModuleLines(const ConversionSettings& s) {
    const RunReporter quiet{[](MessageKind, const std::string&) {}, [](const std::string&) {}};
    RunState state;
    std::ostringstream out;
    LoadInput(gif, quiet, state);
    std::string name = dir / "module";
    name += std::to_string(modules_++);
    name += ".xm";
    EXPECT_EQ(ConversionRun(name, gif, quiet, out, s, state), SaveOutcome::Written);
    return testxm::OpenmptCellLines(testxm::ReadFileBytes(name));
  }

  void ExpectFramesEqualModule(PreviewFrames& preview, const ConversionSettings& s) {
    const auto module = ModuleLines(s);
    ASSERT_EQ(static_cast<int>(module.size()), preview.FrameCount());
    for (int j = 0; j < preview.FrameCount(); ++j) {
      PatternView view;
      ASSERT_TRUE(preview.View(j, view)) << "frame " << j;
      const PreviewImage picture = DrawPicture(view);
      ASSERT_EQ(view.cells.size(), module[j].size());
      for (std::size_t i = 0; i < view.cells.size(); ++i) {
        ASSERT_EQ(CellLine(view.cells[i]), module[j][i]) << "frame " << j << " cell " << i;
        for (int m = 0; m < kPixelsPerCell; ++m) {
          const int x = static_cast<int>(i) % view.channels * kPixelsPerCell + m;
          const bool drawn = picture.At(x, static_cast<int>(i) / view.channels) != kPaper;
          ASSERT_EQ(drawn, testxm::OpenmptColumnShown(module[j][i], m))
              << "frame " << j << " cell " << i << " column " << m;
        }
      }
    }
  }
};

struct Options {
  int width, height, threshold;
  bool inverse, breakOn;
  std::array<std::uint8_t, FillByteCount> fill;
  PictureOptions picture = {};
};
const Options kOptionSets[] = {
    {120, 150, 160, false, true, {61, 127, 77, 9, 99}},  // the defaults
    {10, 16, 100, true, true, {61, 127, 77, 9, 99}},
    {128, 200, 0, false, false, {1, 2, 0x10, 0x0F, 0}},
    {64, 33, 255, true, true, {97, 255, 0xC3, 3, 0x20}},
    {37, 77, 128, false, false, {0x9F, 0x31, 0x22, 0x07, 0x15}},
    {120, 150, 160, false, true, {61, 127, 77, 9, 99}, {DitherMethod::Bayer8}},
    {60, 50, 10, true, true, {61, 127, 77, 9, 99}, {DitherMethod::FloydSteinberg}},
    {96, 100, 0, false, true, {61, 127, 77, 9, 99}, {DitherMethod::None, true}},
    {40,
     30,
     160,
     false,
     true,
     {61, 127, 77, 9, 99},
     {DitherMethod::Cluster6, false, TimingSource::Settings, BackdropColour::Dark}},
    {120,
     150,
     200,
     false,
     false,
     {61, 127, 77, 9, 99},
     {DitherMethod::None, true, TimingSource::Gif, BackdropColour::Light}},
};

ConversionSettings WithOptions(const Options& o) {
  ConversionSettings s = testutil::Sized(o.width, o.height, o.breakOn);
  s.Threshold = static_cast<std::uint8_t>(o.threshold);
  s.InverseColors = o.inverse ? 1 : 0;
  s.FillBytes = o.fill;
  s.Picture = o.picture;
  return s;
}

TEST_F(PreviewFramesTest, EveryFrameEqualsTheModuleForEachOptionSet) {
  for (const Options& o : kOptionSets) {
    SCOPED_TRACE(testing::Message() << o.width << "x" << o.height << " t" << o.threshold);
    const ConversionSettings s = WithOptions(o);
    RunError error = RunError::None;
    const auto preview = PreviewFrames::Open(gif, s, error);
    ASSERT_TRUE(preview);
    ASSERT_TRUE(preview->WaitUntilPrepared(10s));
    ExpectFramesEqualModule(*preview, s);
  }
}

TEST_F(PreviewFramesTest, OptionChangesAfterOpeningGiveTheModuleOfTheNewOptions) {
  // No composed picture kept but the shown one: frames of a new size are composed again.
  for (const std::size_t budget : {kPreviewCanvasBudget, std::size_t{0}}) {
    SCOPED_TRACE(budget);
    RunError error = RunError::None;
    const auto preview = PreviewFrames::Open(gif, WithOptions(kOptionSets[0]), error, budget);
    ASSERT_TRUE(preview);
    for (const Options& o : kOptionSets) {
      const ConversionSettings s = WithOptions(o);
      preview->SetSettings(s);
      ASSERT_TRUE(preview->WaitUntilPrepared(10s));
      ExpectFramesEqualModule(*preview, s);
    }
  }
}

TEST_F(PreviewFramesTest, ShownFrameIsRedrawnAtOnceAtANewSize) {
  RunError error = RunError::None;
  const auto preview = PreviewFrames::Open(gif, WithOptions(kOptionSets[0]), error, 0);
  ASSERT_TRUE(preview);
  preview->ShowFrame(4);
  // Until the shown frame's picture is kept again, only prepared frames can be shown.
  const auto until = std::chrono::steady_clock::now() + 10s;
  FrameGrid grid;
  for (int size = 20; size < 200; size += 30) {
    ConversionSettings s = WithOptions(kOptionSets[0]);
    s.Height = size;
    preview->SetSettings(s);
    if (size == 20) {
      while (!preview->Sample(4, grid) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(1ms);
      }
    }
    ASSERT_TRUE(preview->Sample(4, grid)) << "height " << size;  // without waiting
    EXPECT_EQ(grid.rows, size);
  }
}

// A frame as the preview shows it: the cells' texts and both styles' pixels.
struct ShownFrame {
  std::vector<std::string> cells;
  std::vector<std::uint8_t> picture, tracker;
  bool operator==(const ShownFrame&) const = default;
};

ShownFrame Shown(PreviewFrames& preview, int j) {
  ShownFrame shown;
  PatternView view;
  EXPECT_TRUE(preview.View(j, view)) << "frame " << j;
  for (const CellText& cell : view.cells) shown.cells.push_back(CellLine(cell));
  shown.picture = DrawPicture(view).pixels;
  shown.tracker = DrawPreview(view, PreviewStyle::Tracker).pixels;
  return shown;
}

// Steps until nothing remains, each step preparing at most one frame; the steps taken.
int StepToTheEnd(PreviewFrames& preview) {
  int steps = 0;
  bool more = true;
  while (more && steps < 1000) {
    const int before = preview.PreparedFrames();
    more = preview.PrepareStep();
    EXPECT_LE(preview.PreparedFrames() - before, 1) << "step " << steps;
    ++steps;
  }
  EXPECT_FALSE(more);
  return steps;
}

struct SteppedCase {
  const char* what;
  Options opening, changed;  // the change comes after a few steps, while preparing
  std::size_t budget;
  int shown;
};
Options WithThreshold(Options o, int threshold) {
  o.threshold = threshold;
  return o;
}
const SteppedCase kSteppedCases[] = {
    {"size", kOptionSets[0], kOptionSets[1], kPreviewCanvasBudget, 0},
    {"size, no picture kept", kOptionSets[0], kOptionSets[4], 0, 4},
    {"threshold", kOptionSets[0], WithThreshold(kOptionSets[0], 90), kPreviewCanvasBudget, 2},
    {"automatic threshold", kOptionSets[0], kOptionSets[7], kPreviewCanvasBudget, 0},
    {"dither", kOptionSets[2], kOptionSets[6], 0, 6},
    {"backdrop", kOptionSets[0], kOptionSets[8], kPreviewCanvasBudget, 3},
    {"backdrop and automatic threshold", kOptionSets[8], kOptionSets[9], 0, 1},
};

TEST_F(PreviewFramesTest, WithoutAThreadStepsGiveTheWorkersFrames) {
  for (const SteppedCase& c : kSteppedCases) {
    SCOPED_TRACE(c.what);
    RunError error = RunError::None;
    const auto worker = PreviewFrames::Open(gif, WithOptions(c.opening), error, c.budget);
    const auto stepped =
        PreviewFrames::Open(gif, WithOptions(c.opening), error, c.budget, PreviewThreading::None);
    ASSERT_TRUE(worker && stepped);
    ASSERT_FALSE(worker->Stepped());
    ASSERT_TRUE(stepped->Stepped());
    EXPECT_FALSE(worker->PrepareStep());      // the worker prepares by itself
    EXPECT_EQ(stepped->PreparedFrames(), 1);  // opening prepares frame 0 only
    for (PreviewFrames* preview : {worker.get(), stepped.get()}) preview->ShowFrame(c.shown);
    ASSERT_TRUE(stepped->PrepareStep());
    ASSERT_TRUE(stepped->PrepareStep());
    EXPECT_EQ(stepped->PreparedFrames(), 3);

    // The change starts preparing over, as it does for the worker.
    const ConversionSettings changed = WithOptions(c.changed);
    for (PreviewFrames* preview : {worker.get(), stepped.get()}) preview->SetSettings(changed);
    StepToTheEnd(*stepped);
    EXPECT_EQ(stepped->PreparedFrames(), stepped->FrameCount());
    ASSERT_TRUE(worker->WaitUntilPrepared(10s));
    EXPECT_EQ(stepped->Used().Threshold, worker->Used().Threshold);
    for (int j = 0; j < worker->FrameCount(); ++j) {
      ASSERT_EQ(Shown(*stepped, j), Shown(*worker, j)) << "frame " << j;
    }

    // The shown frame's picture is at hand: a new size draws it with no step.
    ConversionSettings taller = changed;
    taller.Height += 7;
    stepped->SetSettings(taller);
    FrameGrid grid;
    ASSERT_TRUE(stepped->Sample(c.shown, grid));
    EXPECT_EQ(grid.rows, taller.Height);
    // Waiting without a worker steps until every frame is prepared.
    ASSERT_TRUE(stepped->WaitUntilPrepared(10s));
    EXPECT_EQ(stepped->PreparedFrames(), stepped->FrameCount());
    EXPECT_FALSE(stepped->PrepareStep());
    EXPECT_FALSE(stepped->Failed());
  }
}

TEST(PreviewFrames, RefusesWhatCannotBeOpened) {
  TempDir dir;
  RunError error = RunError::None;
  EXPECT_FALSE(PreviewFrames::Open(dir / "missing.gif", StartupSettings(), error));
  EXPECT_EQ(error, RunError::CannotOpen);
  ASSERT_TRUE(testfs::WriteBytes(dir / "text.gif", {'h', 'e', 'l', 'l', 'o'}));
  EXPECT_FALSE(PreviewFrames::Open(dir / "text.gif", StartupSettings(), error));
  EXPECT_EQ(error, RunError::CannotOpen);
}

}  // namespace
}  // namespace vorlix
