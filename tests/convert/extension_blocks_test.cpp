// Extension blocks that change no picture: comments, application and plain-text blocks, blocks of
// unknown labels, and graphic control blocks replaced by a later one. A GIF with any number of
// them converts to the same module as its twin without them.
#include <gtest/gtest.h>

#include <sstream>

#include "convert/conversion_run.h"
#include "tests/support/gif_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xm_reader.h"

namespace vorlix {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testgif::GifDescription;
using testgif::GifFrame;

// Four frames over each other: transparency, every disposal, a local palette.
GifDescription Frames() {
  GifDescription gif;
  gif.width = 24;
  gif.height = 20;
  gif.globalPalette = {{255, 255, 255}, {0, 0, 0}, {90, 90, 90}, {200, 30, 30}};
  gif.backgroundIndex = 3;
  for (int f = 0; f < 4; ++f) {
    GifFrame frame = testgif::SolidFrame(f * 3, f * 2, 14, 12, 0);
    for (std::size_t i = 0; i < frame.indices.size(); ++i) {
      frame.indices[i] = static_cast<std::uint8_t>((i * (f + 3) / 5) % 4);
    }
    frame.disposal = f;
    frame.transparentIndex = f % 2 == 0 ? 2 : -1;
    if (f == 2) frame.localPalette = {{10, 10, 10}, {240, 240, 240}, {0, 0, 0}, {128, 128, 128}};
    gif.frames.push_back(frame);
  }
  return gif;
}

// Offsets of the blocks that start each frame: its control block, or its image descriptor.
std::vector<std::size_t> FrameStarts(const Bytes& bytes, int frames) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i + 2 < bytes.size() && static_cast<int>(starts.size()) < frames; ++i) {
    if (bytes[i] == 0x21 && bytes[i + 1] == 0xF9 && bytes[i + 2] == 4) starts.push_back(i);
  }
  return starts;
}

// The twin with `blocks` before every frame and before the trailer.
Bytes WithBlocks(const Bytes& plain, const Bytes& blocks, int frames) {
  const std::vector<std::size_t> starts = FrameStarts(plain, frames);
  Bytes out;
  std::size_t from = 0;
  for (std::size_t start : starts) {
    out.insert(out.end(), plain.begin() + from, plain.begin() + start);
    out.insert(out.end(), blocks.begin(), blocks.end());
    from = start;
  }
  out.insert(out.end(), plain.begin() + from, plain.end() - 1);
  out.insert(out.end(), blocks.begin(), blocks.end());
  out.push_back(0x3B);
  return out;
}

Bytes ModuleOf(const Bytes& gif, const ConversionSettings& settings) {
  testfs::TempDir dir;
  const std::string input = dir / "in.gif";
  EXPECT_TRUE(testfs::WriteBytes(input, gif));
  RunState state;
  const RunReporter quiet{[](MessageKind, const std::string&) {}, [](const std::string&) {}};
  LoadInput(input, quiet, state);
  std::ostringstream out;
  EXPECT_EQ(ConversionRun(dir / "out", input, quiet, out, settings, state), SaveOutcome::Written);
  return testxm::ReadFileBytes(dir / "out.xm");
}

TEST(ExtensionBlocks, LeaveTheModuleAsItIsWithoutThem) {
  const Bytes comment = {0x21, 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0};
  const Bytes empty = {0x21, 0xFE, 0};
  const Bytes application = {0x21, 0xFF, 11,  'N', 'E', 'T', 'S', 'C', 'A', 'P',
                             'E',  '2',  '.', '0', 3,   1,   5,   0,   0};
  const Bytes plainText = {0x21, 0x01, 12, 0, 0, 0, 0, 4, 0, 4, 0, 8, 8, 1, 0, 1, 'x', 0};
  const Bytes unknown = {0x21, 0x42, 2, 7, 7, 0};
  // Another control block: transparent index 1 and disposal 3, replaced by the frame's own.
  const Bytes control = {0x21, 0xF9, 4, 0x0D, 99, 0, 1, 0};
  const struct {
    const char* what;
    Bytes blocks;
  } cases[] = {
      {"a comment", comment},
      {"an application block", application},
      {"a plain-text block", plainText},
      {"a block of another label", unknown},
      {"a replaced control block", control},
      {"all of them, twice",
       [&] {
         Bytes all;
         for (int i = 0; i < 2; ++i) {
           for (const Bytes* b : {&comment, &control, &application, &plainText, &unknown}) {
             all.insert(all.end(), b->begin(), b->end());
           }
         }
         return all;
       }()},
      {"a thousand empty comments",
       [&] {
         Bytes many;
         for (int i = 0; i < 1000; ++i) many.insert(many.end(), empty.begin(), empty.end());
         return many;
       }()},
  };
  const GifDescription gif = Frames();
  const Bytes plain = testgif::EncodeGif(gif);
  ASSERT_EQ(FrameStarts(plain, 4).size(), 4u);
  ConversionSettings settings = StartupSettings();
  settings.Width = 24;
  settings.Height = 20;
  const Bytes want = ModuleOf(plain, settings);
  ASSERT_FALSE(want.empty());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ModuleOf(WithBlocks(plain, c.blocks, 4), settings), want);
  }
}

}  // namespace
}  // namespace vorlix
