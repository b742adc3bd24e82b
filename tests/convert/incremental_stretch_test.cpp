// Frames that change only part of the canvas are stretched again only where they changed. Every
// frame must still come out exactly as the image library's stretch of the whole composed canvas:
// the modules of the two-worker pipeline against the reference conversion, and the stretched
// luminance of the automatic threshold's pass against the library, pixel for pixel.
#include <FreeImage.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "convert/luminance_frames.h"
#include "tests/support/gif_writer.h"
#include "tests/support/literal_path.h"
#include "tests/support/xm_reader.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;
using testgif::GifDescription;
using testgif::GifFrame;

std::vector<testgif::Rgb> Ramp() {
  std::vector<testgif::Rgb> palette;
  for (int i = 0; i < 16; ++i) {
    const auto v = static_cast<std::uint8_t>(i * 17);
    palette.push_back({v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(v / 2)});
  }
  return palette;
}

GifFrame Noise(int left, int top, int width, int height, std::uint32_t salt, int disposal,
               int transparent = -1) {
  GifFrame f = testgif::SolidFrame(left, top, width, height, 0);
  std::uint32_t state = salt * 2654435761u + 11;
  for (std::size_t i = 0; i < f.indices.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    f.indices[i] = static_cast<std::uint8_t>((state >> 16) % 16);
    if (transparent >= 0 && i % 3 == 0) f.indices[i] = static_cast<std::uint8_t>(transparent);
  }
  f.disposal = disposal;
  f.transparentIndex = transparent;
  return f;
}

// A full first frame, then small changes: inside, at each corner and edge, disposed to the
// background and to the previous picture, frames that change nothing (all transparent, or
// wholly off the screen), and a whole frame again. The library's own playback, which the
// reference conversion uses, corrupts its memory on frames reaching past the screen: those are
// left out with `pastEdges` false.
GifDescription SmallChanges(int width, int height, bool pastEdges = true) {
  GifDescription gif;
  gif.width = width;
  gif.height = height;
  gif.globalPalette = Ramp();
  gif.backgroundIndex = 5;
  gif.frames.push_back(Noise(0, 0, width, height, 1, 1));
  const int w = std::max(width / 8, 1), h = std::max(height / 8, 1);
  const int corners[][2] = {{0, 0}, {width - w, 0}, {0, height - h}, {width - w, height - h}};
  std::uint32_t salt = 2;
  for (const auto& c : corners) gif.frames.push_back(Noise(c[0], c[1], w, h, salt++, 1));
  gif.frames.push_back(Noise(0, height / 2, width, 1, salt++, 1));  // a row across
  gif.frames.push_back(Noise(width / 2, 0, 1, height, salt++, 1));  // a column down
  gif.frames.push_back(Noise(width / 3, height / 3, w, h, salt++, 2));
  gif.frames.push_back(Noise(1, 1, 1, 1, salt++, 1));  // the background disposal shows here
  gif.frames.push_back(Noise(width / 4, height / 5, 2 * w, h, salt++, 3, 4));
  gif.frames.push_back(Noise(width - 1, height - 1, 1, 1, salt++, 1));  // the old picture again
  GifFrame clear = testgif::SolidFrame(2, 2, w, h, 7);
  clear.transparentIndex = 7;
  gif.frames.push_back(clear);  // draws nothing
  if (pastEdges) {
    gif.frames.push_back(Noise(width, height, 4, 4, salt++, 1));     // off the screen
    gif.frames.push_back(Noise(width - 2, 0, 9, h + 3, salt++, 2));  // reaching past the edge
  }
  gif.frames.push_back(Noise(0, 0, 2, 2, salt++, 3));  // restored at once
  gif.frames.push_back(Noise(w, h, w, h, salt++, 1));
  gif.frames.push_back(Noise(0, 0, width, height, salt++, 1, 9));  // whole, with holes
  for (int j = 0; j < 6; ++j) {
    gif.frames.push_back(Noise((j * 7) % width, (j * 5) % height, 3, 2, salt++, j % 4));
  }
  return gif;
}

class IncrementalStretch : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("vorlix_incremental_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const GifDescription& gif, const std::string& label) {
    const std::string path = (dir_ / (label + ".gif")).string();
    EXPECT_TRUE(testgif::WriteGif(path, gif));
    return path;
  }

  void ExpectSameModule(const std::string& input, const ConversionSettings& settings) {
    const std::string literalOutput = (dir_ / "literal.xm").string();
    FreeImage_Initialise(FALSE);
    const bool literalOk = literal::ConvertGifToFile(input, settings, literalOutput);
    FreeImage_DeInitialise();
    ASSERT_TRUE(literalOk);
    const std::string output = (dir_ / "ours.xm").string();
    fs::remove(output);
    RunState state;
    const RunReporter quiet{[](MessageKind, const std::string&) {}, [](const std::string&) {}};
    std::ostringstream lines;
    ConversionSettings ours = settings;
    LoadInput(input, quiet, state);
    ASSERT_EQ(ConversionRun(output, input, quiet, lines, ours, state), SaveOutcome::Written);
    EXPECT_TRUE(testxm::ReadFileBytes(output) == testxm::ReadFileBytes(literalOutput));
  }

 private:
  fs::path dir_;
};

struct Shape {
  int gifWidth, gifHeight, width, height;
};
// Down and up on each axis, one axis equal, both equal, odd sizes.
constexpr Shape kShapes[] = {
    {64, 48, 120, 150},   {320, 240, 120, 150}, {120, 90, 120, 150}, {37, 150, 120, 150},
    {120, 150, 120, 150}, {201, 97, 40, 16},    {9, 7, 128, 200},    {3, 1, 8, 16},
};

TEST_F(IncrementalStretch, PipelineWritesTheReferenceModule) {
  for (const Shape& s : kShapes) {
    // On this screen the library's playback, which the reference conversion uses, draws the
    // frames differently from the compositor, already before frames were stretched in parts;
    // the luminance test below covers it against the compositor.
    if (s.gifWidth == 9) continue;
    const std::string label = std::to_string(s.gifWidth) + "x" + std::to_string(s.gifHeight) +
                              "_to_" + std::to_string(s.width) + "x" + std::to_string(s.height);
    SCOPED_TRACE(label);
    ConversionSettings settings = StartupSettings();
    settings.Width = s.width;
    settings.Height = s.height;
    ExpectSameModule(Write(SmallChanges(s.gifWidth, s.gifHeight, false), label), settings);
  }
}

// The library's stretch of the whole composed canvas (without alpha) as 8-bit luminance.
Bitmap LibraryGrey(FIBITMAP* canvas, int width, int height) {
  const Bitmap rgb(FreeImage_ConvertTo24Bits(canvas));
  const Bitmap stretched(FreeImage_Rescale(rgb.get(), width, height, FILTER_BICUBIC));
  return Bitmap(FreeImage_ConvertToGreyscale(stretched.get()));
}

bool SamePixels(FIBITMAP* a, FIBITMAP* b) {
  if (FreeImage_GetWidth(a) != FreeImage_GetWidth(b) ||
      FreeImage_GetHeight(a) != FreeImage_GetHeight(b) || FreeImage_GetBPP(a) != 8 ||
      FreeImage_GetBPP(b) != 8) {
    return false;
  }
  for (unsigned y = 0; y < FreeImage_GetHeight(a); ++y) {
    if (std::memcmp(FreeImage_GetScanLine(a, y), FreeImage_GetScanLine(b, y),
                    FreeImage_GetWidth(a)) != 0) {
      return false;
    }
  }
  return true;
}

TEST_F(IncrementalStretch, LuminancePassEqualsTheLibraryOnEveryFrame) {
  const BackdropColour backdrops[] = {BackdropColour::Background, BackdropColour::Light,
                                      BackdropColour::Dark};
  ImageLibrary library;
  for (const Shape& s : kShapes) {
    const std::string path = Write(SmallChanges(s.gifWidth, s.gifHeight), "luminance");
    for (const BackdropColour backdrop : backdrops) {
      SCOPED_TRACE(std::to_string(s.gifWidth) + "x" + std::to_string(s.gifHeight) + " to " +
                   std::to_string(s.width) + "x" + std::to_string(s.height) + ", backdrop " +
                   std::to_string(static_cast<int>(backdrop)));
      ConversionSettings settings = StartupSettings();
      settings.Width = s.width;
      settings.Height = s.height;
      Animation ours, oracle;
      ASSERT_EQ(OpenAnimation(path, ours), RunError::None);
      ASSERT_EQ(OpenAnimation(path, oracle), RunError::None);
      SetBackdrop(*ours.compositor, backdrop);
      SetBackdrop(*oracle.compositor, backdrop);
      LuminanceFrames frames;
      ASSERT_EQ(frames.Read(ours, settings), RunError::None);
      for (int j = 0; j < oracle.frameTotal; ++j) {
        const Bitmap expected =
            LibraryGrey(ComposeAnimationFrame(oracle, j), settings.Width, settings.Height);
        ASSERT_TRUE(SamePixels(frames.Frame(j), expected.get())) << "frame " << j;
      }
    }
  }
}

}  // namespace
}  // namespace vorlix
