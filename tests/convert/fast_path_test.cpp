// The conversion against the straightforward reference path: on well-formed GIFs both must write
// the same module, byte for byte, whatever the frames' layout and the options.
#include <FreeImage.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "convert/conversion_run.h"
#include "tests/support/gif_writer.h"
#include "tests/support/literal_path.h"
#include "tests/support/xm_reader.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;
using testgif::GifDescription;
using testgif::GifFrame;
using testgif::Rgb;

// Brightness spread over the palette, so any threshold splits the pixels differently.
std::vector<Rgb> Shades(int count, int salt) {
  std::vector<Rgb> palette;
  for (int i = 0; i < count; ++i) {
    const int v = (i * 255) / std::max(count - 1, 1);
    palette.push_back({static_cast<std::uint8_t>(v),
                       static_cast<std::uint8_t>((v + salt * 40) % 256),
                       static_cast<std::uint8_t>(255 - v)});
  }
  return palette;
}

// A frame of pseudo-random indices below `colours`; every `holeEvery`-th pixel (0: none) gets
// the transparent index.
GifFrame Noise(int left, int top, int width, int height, int colours, std::uint32_t salt,
               int disposal, int transparent = -1, int holeEvery = 0) {
  GifFrame f = testgif::SolidFrame(left, top, width, height, 0);
  std::uint32_t state = salt * 2654435761u + 7;
  for (std::size_t i = 0; i < f.indices.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    f.indices[i] = static_cast<std::uint8_t>((state >> 16) % colours);
    if (transparent >= 0 && holeEvery > 0 && i % holeEvery == 0) {
      f.indices[i] = static_cast<std::uint8_t>(transparent);
    }
  }
  f.disposal = disposal;
  f.transparentIndex = transparent;
  return f;
}

// Every disposal method on overlapping sub-rectangles, transparency, local palettes and
// interlaced frames, all inside a 48x36 screen.
GifDescription Mixed() {
  GifDescription gif;
  gif.width = 48;
  gif.height = 36;
  gif.globalPalette = Shades(16, 0);
  gif.backgroundIndex = 3;
  gif.frames.push_back(Noise(0, 0, 48, 36, 16, 1, 0));
  gif.frames.push_back(Noise(5, 4, 20, 12, 16, 2, 2, 7, 3));
  gif.frames.push_back(Noise(20, 10, 16, 16, 16, 3, 3, 0, 2));
  GifFrame local = Noise(0, 20, 48, 16, 4, 4, 1);
  local.localPalette = Shades(4, 2);
  gif.frames.push_back(local);
  GifFrame interlaced = Noise(10, 0, 30, 36, 16, 5, 2, 5, 4);
  interlaced.interlaced = true;
  gif.frames.push_back(interlaced);
  GifFrame previous = Noise(2, 2, 12, 30, 8, 6, 3, 1, 2);
  previous.localPalette = Shades(8, 3);
  gif.frames.push_back(previous);
  gif.frames.push_back(Noise(30, 6, 18, 9, 16, 7, 0));
  gif.frames.push_back(Noise(0, 0, 48, 36, 16, 8, 1, 9, 5));
  gif.frames.push_back(Noise(40, 28, 8, 8, 16, 9, 2));
  GifFrame last = Noise(1, 1, 46, 34, 16, 10, 3, 2, 3);
  last.interlaced = true;
  gif.frames.push_back(last);
  gif.frames.push_back(Noise(16, 12, 4, 4, 16, 11, 1));
  return gif;
}

// More frames than a module takes: a full first frame, then small boxes left in place.
GifDescription Long() {
  GifDescription gif;
  gif.width = 16;
  gif.height = 12;
  gif.globalPalette = Shades(4, 1);
  gif.frames.push_back(Noise(0, 0, 16, 12, 4, 100, 1));
  for (int j = 1; j < 250; ++j) {
    // A whole frame now and then keeps the reference path from going back to frame 0 each time.
    gif.frames.push_back(j % 25 == 0 ? Noise(0, 0, 16, 12, 4, 100 + j, 1)
                                     : Noise(j % 13, j % 9, 3, 3, 4, 100 + j, j % 5 ? 1 : 2, 3, 4));
  }
  return gif;
}

class FastPath : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("vorlix_fast_path_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  // Converts the GIF both ways with the settings and expects the same bytes.
  void ExpectSameModule(const GifDescription& gif, const ConversionSettings& settings,
                        const std::string& label) {
    SCOPED_TRACE(label);
    const std::string input = PathOf(label + ".gif");
    ASSERT_TRUE(testgif::WriteGif(input, gif));

    const std::string literalOutput = PathOf(label + "_literal.xm");
    FreeImage_Initialise(FALSE);
    const bool literalOk = literal::ConvertGifToFile(input, settings, literalOutput);
    FreeImage_DeInitialise();
    ASSERT_TRUE(literalOk);

    const std::string output = PathOf(label + ".xm");
    RunState state;
    const RunReporter quiet{[](MessageKind, const std::string&) {}, [](const std::string&) {}};
    std::ostringstream lines;
    ConversionSettings ours = settings;
    LoadInput(input, quiet, state);
    ASSERT_EQ(ConversionRun(output, input, quiet, lines, ours, state), SaveOutcome::Written);

    const auto expected = testxm::ReadFileBytes(literalOutput);
    const auto actual = testxm::ReadFileBytes(output);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(actual[i], expected[i]) << "first difference at byte " << i;
    }
  }

 private:
  fs::path dir_;
};

TEST_F(FastPath, MatchesReferenceOnEveryFrameLayout) {
  ExpectSameModule(Mixed(), StartupSettings(), "mixed");
  // A frame 0 that does not cover the screen shows the background around it.
  GifDescription partial = Mixed();
  partial.frames.front() = Noise(8, 6, 20, 20, 16, 12, 1, 4, 3);
  ExpectSameModule(partial, StartupSettings(), "partial_first");
}

TEST_F(FastPath, MatchesReferenceBeyondTheFrameLimit) {
  ExpectSameModule(Long(), StartupSettings(), "long");
}

TEST_F(FastPath, MatchesReferenceWithEveryOption) {
  struct Variant {
    const char* label;
    std::function<void(ConversionSettings&)> change;
  };
  const Variant variants[] = {
      {"narrow_short", [](ConversionSettings& s) { s.Width = 10, s.Height = 16; }},
      {"inverse", [](ConversionSettings& s) { s.InverseColors = 1; }},
      {"no_break", [](ConversionSettings& s) { s.BreakPatterns = 0; }},
      {"threshold_0", [](ConversionSettings& s) { s.Threshold = 0; }},
      {"threshold_255", [](ConversionSettings& s) { s.Threshold = 255; }},
      {"wide_inverse_no_break",
       [](ConversionSettings& s) {
         s.Width = 128, s.Height = 200, s.InverseColors = 1, s.BreakPatterns = 0;
         s.Threshold = 90;
       }},
  };
  for (const Variant& v : variants) {
    ConversionSettings settings = StartupSettings();
    v.change(settings);
    ExpectSameModule(Mixed(), settings, v.label);
  }
}

}  // namespace
}  // namespace vorlix
