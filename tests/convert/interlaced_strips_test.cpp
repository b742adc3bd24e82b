// Interlaced frames of every small height: each must show the same picture as its twin stored
// row by row, in the composed canvas (decoded by the compositor or by a reader, and composed
// again after going back) and in the module.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <sstream>

#include "convert/animation.h"
#include "convert/conversion_run.h"
#include "tests/support/gif_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xm_reader.h"

namespace vorlix {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testgif::GifDescription;
using testgif::GifFrame;

// A white screen, then a strip `height` rows high whose every row differs from the others,
// partly transparent, and after it a frame that is disposed of; every strip interlaced or not.
GifDescription Strips(int height, bool interlaced) {
  GifDescription gif;
  gif.width = 16;
  gif.height = 12;
  gif.globalPalette = {{255, 255, 255}, {0, 0, 0}, {120, 120, 120}};
  gif.frames.push_back(testgif::SolidFrame(0, 0, 16, 12, 0));
  GifFrame strip = testgif::SolidFrame(0, 1, 16, height, 2);
  for (int y = 0; y < height; ++y) {
    strip.indices[y * 16 + y] = 1;       // a dark dot that moves along the rows
    strip.indices[y * 16 + 15 - y] = 1;  // and one that moves back
    strip.indices[y * 16 + 8] = y % 2;   // white (transparent) or dark
  }
  strip.transparentIndex = 0;
  strip.interlaced = interlaced;
  gif.frames.push_back(strip);
  GifFrame second = strip;
  second.left = 3;
  second.top = 12 - height;
  second.disposal = 2;
  gif.frames.push_back(second);
  gif.frames.push_back(testgif::SolidFrame(10, 0, 2, 2, 1));
  return gif;
}

// Every composed canvas of the GIF, composed in order, then the first two again after going
// back; each frame decoded by the compositor or, with `reader`, ahead by a reader.
std::vector<Bytes> Canvases(const std::string& path, bool reader) {
  const ImageLibrary library;
  GifStatus status = GifStatus::Ok;
  GifCompositorHandle frames = OpenGifCompositor(path, status);
  EXPECT_TRUE(frames);
  if (!frames) return {};
  GifFrameReaderHandle decoded = reader ? OpenGifFrameReader(*frames) : nullptr;
  EXPECT_EQ(reader, decoded != nullptr);
  std::vector<Bytes> canvases;
  const int count = GifFrameCount(*frames);
  for (int j : std::vector<int>{0, 1, 2, 3, 1, 2}) {
    if (j >= count) break;
    if (decoded) DecodeGifFrame(*decoded, j);
    FIBITMAP* canvas =
        decoded ? ComposeFrame(*frames, j, *decoded).canvas : ComposeFrame(*frames, j).canvas;
    EXPECT_NE(canvas, nullptr);
    if (canvas == nullptr) return canvases;
    const BYTE* bits = FreeImage_GetBits(canvas);
    canvases.emplace_back(bits, bits + FreeImage_GetPitch(canvas) * FreeImage_GetHeight(canvas));
  }
  return canvases;
}

Bytes ModuleOf(const std::string& input, const std::string& output) {
  RunState state;
  const RunReporter quiet{[](MessageKind, const std::string&) {}, [](const std::string&) {}};
  LoadInput(input, quiet, state);
  std::ostringstream out;
  ConversionSettings settings = StartupSettings();
  settings.Width = 16;
  settings.Height = 24;
  EXPECT_EQ(ConversionRun(output, input, quiet, out, settings, state), SaveOutcome::Written);
  return testxm::ReadFileBytes(output + ".xm");
}

TEST(InterlacedStrips, ShowWhatTheirTwinsStoredRowByRowShow) {
  const testfs::TempDir dir;
  for (int height = 1; height <= 9; ++height) {
    SCOPED_TRACE("height " + std::to_string(height));
    const std::string plain = dir / ("plain" + std::to_string(height) + ".gif");
    const std::string interlaced = dir / ("interlaced" + std::to_string(height) + ".gif");
    ASSERT_TRUE(testgif::WriteGif(plain, Strips(height, false)));
    ASSERT_TRUE(testgif::WriteGif(interlaced, Strips(height, true)));
    for (bool reader : {false, true}) {
      SCOPED_TRACE(reader ? "decoded by a reader" : "decoded by the compositor");
      const std::vector<Bytes> want = Canvases(plain, reader);
      ASSERT_EQ(want.size(), 6u);
      EXPECT_TRUE(Canvases(interlaced, reader) == want);
    }
    const Bytes module = ModuleOf(plain, dir / ("plain" + std::to_string(height)));
    ASSERT_FALSE(module.empty());
    EXPECT_TRUE(ModuleOf(interlaced, dir / ("interlaced" + std::to_string(height))) == module);
  }
}

}  // namespace
}  // namespace vorlix
