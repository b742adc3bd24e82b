#include "convert/gif/gif_compositor.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>

#include "tests/support/gif_writer.h"

namespace vorlix {
namespace {

using testgif::GifDescription;
using testgif::GifFrame;
using testgif::Rgb;
using testgif::SolidFrame;

class GifTest : public ::testing::Test {
 protected:
  void SetUp() override { FreeImage_Initialise(); }
  void TearDown() override { FreeImage_DeInitialise(); }

  std::string Write(const GifDescription& gif) {
    const std::string path = Path();
    EXPECT_TRUE(testgif::WriteGif(path, gif));
    return path;
  }
  std::string Path() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return (std::filesystem::path(::testing::TempDir()) /
            (std::string(info->name()) + "_" + std::to_string(fileNumber_++) + ".gif"))
        .string();
  }

 private:
  int fileNumber_ = 0;
};

using GifWriter = GifTest;
using Compositor = GifTest;

std::vector<Rgb> Ramp(int count, int salt) {
  std::vector<Rgb> palette;
  for (int i = 0; i < count; ++i) {
    palette.push_back({static_cast<std::uint8_t>(i * 7 + salt), static_cast<std::uint8_t>(255 - i),
                       static_cast<std::uint8_t>(i * 31 + salt * 3)});
  }
  return palette;
}

// A frame whose indices cycle through `colours` values, so every pixel tells where it came from.
GifFrame PatternFrame(int left, int top, int width, int height, int colours, int offset) {
  GifFrame frame = SolidFrame(left, top, width, height, 0);
  for (std::size_t i = 0; i < frame.indices.size(); ++i) {
    frame.indices[i] = static_cast<std::uint8_t>((i * 5 + offset + i / width) % colours);
  }
  return frame;
}

// Canvas pixel at (x, y), y counted from the top.
RGBQUAD PixelAt(FIBITMAP* dib, int x, int y) {
  const int height = static_cast<int>(FreeImage_GetHeight(dib));
  return reinterpret_cast<const RGBQUAD*>(FreeImage_GetScanLine(dib, height - 1 - y))[x];
}

bool SamePixel(RGBQUAD a, RGBQUAD b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

RGBQUAD Opaque(Rgb c) {
  RGBQUAD q{};
  q.rgbRed = c.r;
  q.rgbGreen = c.g;
  q.rgbBlue = c.b;
  q.rgbReserved = 255;
  return q;
}

// Compares every composed frame with the image library's own playback of the file.
void ExpectMatchesPlayback(const std::string& path) {
  GifStatus status{};
  GifCompositorHandle frames = OpenGifCompositor(path, status);
  ASSERT_EQ(status, GifStatus::Ok);
  ASSERT_TRUE(frames);
  FIMULTIBITMAP* playback =
      FreeImage_OpenMultiBitmap(FIF_GIF, path.c_str(), FALSE, TRUE, FALSE, GIF_PLAYBACK);
  ASSERT_NE(playback, nullptr);
  const int count = FreeImage_GetPageCount(playback);
  EXPECT_EQ(GifFrameCount(*frames), count);
  for (int j = 0; j < count && j < GifFrameCount(*frames); ++j) {
    FIBITMAP* ours = ComposeFrame(*frames, j).canvas;
    FIBITMAP* theirs = FreeImage_LockPage(playback, j);
    ASSERT_NE(ours, nullptr) << "frame " << j;
    ASSERT_NE(theirs, nullptr) << "frame " << j;
    ASSERT_EQ(FreeImage_GetBPP(ours), 32u);
    ASSERT_EQ(FreeImage_GetWidth(ours), FreeImage_GetWidth(theirs));
    ASSERT_EQ(FreeImage_GetHeight(ours), FreeImage_GetHeight(theirs));
    const int width = static_cast<int>(FreeImage_GetWidth(ours));
    const int height = static_cast<int>(FreeImage_GetHeight(ours));
    int mismatches = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const RGBQUAD a = PixelAt(ours, x, y), b = PixelAt(theirs, x, y);
        if (!SamePixel(a, b) && mismatches++ < 3) {
          ADD_FAILURE() << "frame " << j << " pixel (" << x << "," << y << "): ours "
                        << int(a.rgbRed) << "," << int(a.rgbGreen) << "," << int(a.rgbBlue) << "/"
                        << int(a.rgbReserved) << " playback " << int(b.rgbRed) << ","
                        << int(b.rgbGreen) << "," << int(b.rgbBlue) << "/" << int(b.rgbReserved);
        }
      }
    }
    EXPECT_EQ(mismatches, 0) << "frame " << j;
    FreeImage_UnlockPage(playback, theirs, FALSE);
  }
  FreeImage_CloseMultiBitmap(playback);
}

int ReadWord(FIBITMAP* dib, const char* key) {
  FITAG* tag = nullptr;
  if (!FreeImage_GetMetadata(FIMD_ANIMATION, dib, key, &tag)) return -1;
  return *static_cast<const WORD*>(FreeImage_GetTagValue(tag));
}

// ---- the writer ----

TEST_F(GifWriter, RoundTripsThroughImageLibrary) {
  GifDescription gif;
  gif.width = 320;
  gif.height = 220;
  gif.globalPalette = Ramp(3, 1);  // padded to 4
  gif.backgroundIndex = 2;

  // Noise over all 256 indices overflows the 4096-entry code table several times.
  GifFrame noisy = SolidFrame(0, 0, 300, 200, 0);
  std::mt19937 rng(7);
  for (std::uint8_t& index : noisy.indices) {
    index = static_cast<std::uint8_t>(rng() % 3 == 0 ? rng() % 256 : rng() % 4);
  }
  noisy.disposal = 2;
  noisy.delayCs = 7;
  GifFrame interlaced = PatternFrame(5, 9, 13, 11, 16, 3);
  interlaced.interlaced = true;
  interlaced.localPalette = Ramp(16, 5);
  interlaced.transparentIndex = 6;
  interlaced.disposal = 3;
  GifFrame pastScreen = PatternFrame(200, 210, 40, 30, 4, 1);
  gif.frames = {noisy, interlaced, pastScreen};

  const std::string path = Write(gif);
  FIMULTIBITMAP* file =
      FreeImage_OpenMultiBitmap(FIF_GIF, path.c_str(), FALSE, TRUE, FALSE, GIF_LOAD256);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(FreeImage_GetPageCount(file), 3);
  for (int p = 0; p < 3; ++p) {
    SCOPED_TRACE(p);
    const GifFrame& frame = gif.frames[p];
    FIBITMAP* dib = FreeImage_LockPage(file, p);
    ASSERT_NE(dib, nullptr);
    ASSERT_EQ(FreeImage_GetWidth(dib), static_cast<unsigned>(frame.width));
    ASSERT_EQ(FreeImage_GetHeight(dib), static_cast<unsigned>(frame.height));
    EXPECT_EQ(ReadWord(dib, "FrameLeft"), frame.left);
    EXPECT_EQ(ReadWord(dib, "FrameTop"), frame.top);
    int wrong = 0;
    for (int y = 0; y < frame.height; ++y) {
      const BYTE* row = FreeImage_GetScanLine(dib, frame.height - 1 - y);
      for (int x = 0; x < frame.width; ++x) {
        wrong += row[x] != frame.indices[static_cast<std::size_t>(y) * frame.width + x];
      }
    }
    EXPECT_EQ(wrong, 0);

    const std::vector<Rgb>& palette =
        frame.localPalette.empty() ? gif.globalPalette : frame.localPalette;
    const RGBQUAD* decoded = FreeImage_GetPalette(dib);
    for (std::size_t i = 0; i < palette.size(); ++i) {
      EXPECT_EQ(decoded[i].rgbRed, palette[i].r);
      EXPECT_EQ(decoded[i].rgbGreen, palette[i].g);
      EXPECT_EQ(decoded[i].rgbBlue, palette[i].b);
    }

    FITAG* tag = nullptr;
    ASSERT_TRUE(FreeImage_GetMetadata(FIMD_ANIMATION, dib, "DisposalMethod", &tag));
    EXPECT_EQ(*static_cast<const BYTE*>(FreeImage_GetTagValue(tag)), frame.disposal);
    ASSERT_TRUE(FreeImage_GetMetadata(FIMD_ANIMATION, dib, "FrameTime", &tag));
    EXPECT_EQ(*static_cast<const LONG*>(FreeImage_GetTagValue(tag)), frame.delayCs * 10);
    const bool transparent = frame.transparentIndex >= 0;
    EXPECT_EQ(FreeImage_IsTransparent(dib) != 0, transparent);
    if (transparent) {
      ASSERT_GT(FreeImage_GetTransparencyCount(dib), unsigned(frame.transparentIndex));
      EXPECT_EQ(FreeImage_GetTransparencyTable(dib)[frame.transparentIndex], 0);
    }
    if (p == 0) {
      EXPECT_EQ(ReadWord(dib, "LogicalWidth"), gif.width);
      EXPECT_EQ(ReadWord(dib, "LogicalHeight"), gif.height);
      ASSERT_TRUE(FreeImage_GetMetadata(FIMD_ANIMATION, dib, "GlobalPalette", &tag));
      EXPECT_EQ(FreeImage_GetTagCount(tag), 4u);
    }
    FreeImage_UnlockPage(file, dib, FALSE);
  }
  FreeImage_CloseMultiBitmap(file);
}

// ---- the compositor against the library's playback ----

TEST_F(Compositor, MatchesPlaybackForMixedDisposals) {
  GifDescription gif;
  gif.width = 24;
  gif.height = 18;
  gif.globalPalette = Ramp(8, 0);
  gif.backgroundIndex = 5;
  GifFrame base = PatternFrame(0, 0, 24, 18, 8, 0);
  GifFrame keep = PatternFrame(2, 3, 9, 7, 8, 1);
  keep.disposal = 1;
  keep.transparentIndex = 2;
  GifFrame cleared = PatternFrame(10, 4, 11, 9, 8, 2);
  cleared.disposal = 2;
  GifFrame restored = PatternFrame(4, 6, 15, 10, 8, 3);
  restored.disposal = 3;
  restored.transparentIndex = 0;
  GifFrame unspecified = PatternFrame(0, 10, 8, 8, 8, 4);
  unspecified.disposal = 0;
  GifFrame odd = PatternFrame(16, 0, 8, 8, 8, 5);
  odd.disposal = 5;
  GifFrame restoredAgain = PatternFrame(1, 1, 20, 15, 8, 6);
  restoredAgain.disposal = 3;
  GifFrame fullCleared = PatternFrame(0, 0, 24, 18, 8, 7);
  fullCleared.disposal = 2;
  fullCleared.transparentIndex = 3;
  GifFrame last = PatternFrame(6, 6, 6, 6, 8, 0);
  gif.frames = {base, keep, cleared, restored, unspecified, odd, restoredAgain, fullCleared, last};
  ExpectMatchesPlayback(Write(gif));

  // Starting with a restored and a cleared frame over the bare background.
  gif.frames = {restored, cleared, keep, restoredAgain, last};
  ExpectMatchesPlayback(Write(gif));
}

TEST_F(Compositor, MatchesPlaybackForLocalTablesAndInterlacing) {
  GifDescription gif;
  gif.width = 20;
  gif.height = 22;
  gif.globalPalette = Ramp(4, 9);
  gif.backgroundIndex = 1;
  GifFrame first = PatternFrame(0, 0, 20, 22, 4, 0);
  GifFrame local = PatternFrame(3, 2, 12, 9, 32, 1);
  local.localPalette = Ramp(32, 40);
  local.transparentIndex = 17;
  GifFrame interlaced = PatternFrame(1, 4, 17, 13, 64, 2);
  interlaced.interlaced = true;
  interlaced.localPalette = Ramp(64, 90);
  interlaced.disposal = 3;
  GifFrame both = PatternFrame(5, 5, 10, 17, 256, 3);
  both.interlaced = true;
  both.localPalette = Ramp(256, 3);
  both.transparentIndex = 200;
  both.disposal = 2;
  GifFrame global = PatternFrame(8, 0, 12, 12, 4, 1);
  gif.frames = {first, local, interlaced, both, global};
  ExpectMatchesPlayback(Write(gif));
}

TEST_F(Compositor, MatchesPlaybackForBackgroundChoices) {
  GifDescription gif;
  gif.width = 12;
  gif.height = 10;
  GifFrame small = PatternFrame(2, 2, 5, 5, 4, 0);
  small.disposal = 2;
  GifFrame other = PatternFrame(5, 3, 6, 6, 4, 1);
  other.transparentIndex = 1;

  {
    SCOPED_TRACE("background index outside the global table");
    gif.globalPalette = Ramp(4, 2);
    gif.backgroundIndex = 9;
    gif.frames = {small, other};
    ExpectMatchesPlayback(Write(gif));
  }
  {
    SCOPED_TRACE("no global table");
    gif.globalPalette.clear();
    gif.backgroundIndex = 0;
    small.localPalette = Ramp(4, 60);
    other.localPalette = Ramp(4, 120);
    gif.frames = {small, other};
    ExpectMatchesPlayback(Write(gif));
  }
  {
    SCOPED_TRACE("one frame");
    gif.globalPalette = Ramp(2, 77);
    gif.backgroundIndex = 1;
    gif.loopExtension = false;
    gif.frames = {PatternFrame(3, 1, 4, 6, 2, 0)};
    ExpectMatchesPlayback(Write(gif));
  }
}

TEST_F(Compositor, MatchesPlaybackOnRandomAnimations) {
  std::mt19937 rng(2024);
  auto pick = [&rng](int lo, int hi) { return static_cast<int>(lo + rng() % (hi - lo + 1)); };
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    GifDescription gif;
    gif.width = pick(1, 40);
    gif.height = pick(1, 30);
    if (pick(0, 4) > 0) gif.globalPalette = Ramp(pick(1, 256), round);
    gif.backgroundIndex = pick(0, 255);
    const int frameCount = pick(1, 10);
    for (int f = 0; f < frameCount; ++f) {
      const int width = pick(1, gif.width), height = pick(1, gif.height);
      const bool local = gif.globalPalette.empty() || pick(0, 3) == 0;
      const int colours = local ? pick(2, 256) : static_cast<int>(gif.globalPalette.size());
      GifFrame frame = PatternFrame(pick(0, gif.width - width), pick(0, gif.height - height), width,
                                    height, colours, f);
      if (local) frame.localPalette = Ramp(colours, f * 13);
      frame.disposal = pick(0, 7);
      if (pick(0, 1)) frame.transparentIndex = pick(0, colours - 1);
      frame.interlaced = pick(0, 3) == 0;
      gif.frames.push_back(frame);
    }
    ExpectMatchesPlayback(Write(gif));
  }
}

// ---- where the compositor departs from playback ----

TEST_F(Compositor, ClipsFramesToTheScreen) {
  GifDescription gif;
  gif.width = 16;
  gif.height = 16;
  gif.globalPalette = {{0, 0, 0}, {200, 0, 0}, {0, 200, 0}, {0, 0, 200}};
  gif.backgroundIndex = 0;
  GifFrame far = SolidFrame(200, 3, 20, 20, 1);
  GifFrame straddling = SolidFrame(12, 10, 30, 40, 2);
  straddling.disposal = 2;
  GifFrame last = SolidFrame(0, 0, 2, 2, 3);
  gif.frames = {far, straddling, last};
  GifStatus status{};
  GifCompositorHandle frames = OpenGifCompositor(Write(gif), status);
  ASSERT_TRUE(frames);
  ASSERT_EQ(GifFrameCount(*frames), 3);

  FIBITMAP* canvas = ComposeFrame(*frames, 0).canvas;
  ASSERT_NE(canvas, nullptr);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) ASSERT_EQ(PixelAt(canvas, x, y).rgbReserved, 0) << x << "," << y;
  }
  canvas = ComposeFrame(*frames, 1).canvas;
  EXPECT_TRUE(SamePixel(PixelAt(canvas, 12, 10), Opaque(gif.globalPalette[2])));
  EXPECT_TRUE(SamePixel(PixelAt(canvas, 15, 15), Opaque(gif.globalPalette[2])));
  EXPECT_EQ(PixelAt(canvas, 11, 15).rgbReserved, 0);
  EXPECT_EQ(PixelAt(canvas, 15, 9).rgbReserved, 0);
  canvas = ComposeFrame(*frames, 2).canvas;
  EXPECT_EQ(PixelAt(canvas, 15, 15).rgbReserved, 0);
  EXPECT_TRUE(SamePixel(PixelAt(canvas, 1, 1), Opaque(gif.globalPalette[3])));
}

TEST_F(Compositor, KeepsFrameWithoutControlExtension) {
  GifDescription gif;
  gif.width = 10;
  gif.height = 8;
  gif.globalPalette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  GifFrame base = SolidFrame(0, 0, 10, 8, 1);
  base.transparentIndex = 2;
  GifFrame bare = SolidFrame(2, 2, 5, 5, 2);  // the index that was transparent before
  bare.hasControlExtension = false;
  GifFrame restored = SolidFrame(7, 5, 3, 3, 3);  // its control extension is not the next one's
  restored.disposal = 3;
  GifFrame after = SolidFrame(8, 0, 2, 2, 3);
  gif.frames = {base, restored, bare, after};
  const std::string path = Write(gif);

  GifStatus status{};
  GifCompositorHandle frames = OpenGifCompositor(path, status);
  ASSERT_TRUE(frames);
  FIMULTIBITMAP* playback =
      FreeImage_OpenMultiBitmap(FIF_GIF, path.c_str(), FALSE, TRUE, FALSE, GIF_PLAYBACK);
  ASSERT_NE(playback, nullptr);
  for (int j = 0; j < 3; ++j) {
    FIBITMAP* canvas = ComposeFrame(*frames, j).canvas;
    ASSERT_NE(canvas, nullptr);
    FIBITMAP* theirs = FreeImage_LockPage(playback, j);
    // As the newest frame it looks the same as in playback...
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 10; ++x) {
        EXPECT_TRUE(SamePixel(PixelAt(canvas, x, y), PixelAt(theirs, x, y))) << j;
      }
    }
    FreeImage_UnlockPage(playback, theirs, FALSE);
  }
  // ...and it stays, opaque, under later frames.
  FIBITMAP* canvas = ComposeFrame(*frames, 3).canvas;
  for (int y = 2; y < 7; ++y) {
    for (int x = 2; x < 7; ++x) {
      EXPECT_TRUE(SamePixel(PixelAt(canvas, x, y), Opaque(gif.globalPalette[2]))) << x << "," << y;
    }
  }
  EXPECT_TRUE(SamePixel(PixelAt(canvas, 0, 0), Opaque(gif.globalPalette[1])));
  EXPECT_TRUE(SamePixel(PixelAt(canvas, 8, 6), Opaque(gif.globalPalette[1])));
  EXPECT_TRUE(SamePixel(PixelAt(canvas, 9, 1), Opaque(gif.globalPalette[3])));
  FreeImage_CloseMultiBitmap(playback);
}

long PeakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST_F(Compositor, RefusesHugeScreenWithoutAllocating) {
  GifDescription gif;
  gif.width = 65535;
  gif.height = 65535;
  gif.globalPalette = {{1, 2, 3}, {4, 5, 6}};
  gif.frames = {SolidFrame(0, 0, 1, 1, 1)};
  const std::string path = Write(gif);

  const long peakBefore = PeakResidentKb();
  const auto start = std::chrono::steady_clock::now();
  GifStatus status{};
  GifCompositorHandle frames = OpenGifCompositor(path, status);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(frames);
  EXPECT_EQ(status, GifStatus::TooLarge);
  EXPECT_LT(elapsed, std::chrono::seconds(1));
  EXPECT_LT(PeakResidentKb() - peakBefore, 64 * 1024);

  // Just inside the budget is accepted.
  gif.width = 4096;
  gif.height = 4096;
  frames = OpenGifCompositor(Write(gif), status);
  EXPECT_TRUE(frames);
  EXPECT_EQ(status, GifStatus::Ok);
}

TEST_F(Compositor, LeavesCanvasForUndecodableFrames) {
  GifDescription gif;
  gif.width = 8;
  gif.height = 8;
  gif.globalPalette = {{0, 0, 0}, {90, 90, 90}, {0, 0, 250}};
  GifFrame first = SolidFrame(0, 0, 8, 8, 1);
  GifFrame empty = SolidFrame(1, 1, 0, 0, 2);  // the library cannot decode it
  empty.disposal = 2;
  GifFrame absurd = SolidFrame(0, 0, 1, 1, 2);  // claims four billion pixels, carries one
  absurd.width = 65535;
  absurd.height = 65535;
  absurd.disposal = 2;
  GifFrame last = SolidFrame(3, 3, 2, 2, 2);
  gif.frames = {first, empty, absurd, last};
  GifStatus status{};
  GifCompositorHandle frames = OpenGifCompositor(Write(gif), status);
  ASSERT_TRUE(frames);
  ASSERT_EQ(GifFrameCount(*frames), 4);
  for (int j = 0; j < 3; ++j) {
    FIBITMAP* canvas = ComposeFrame(*frames, j).canvas;
    ASSERT_NE(canvas, nullptr) << j;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        ASSERT_TRUE(SamePixel(PixelAt(canvas, x, y), Opaque(gif.globalPalette[1]))) << j;
      }
    }
  }
  FIBITMAP* canvas = ComposeFrame(*frames, 3).canvas;
  EXPECT_TRUE(SamePixel(PixelAt(canvas, 3, 3), Opaque(gif.globalPalette[2])));
  EXPECT_TRUE(SamePixel(PixelAt(canvas, 0, 0), Opaque(gif.globalPalette[1])));
}

// From code size 12 on, the library's first free code is 4098 and its string table ends at
// 4096: such an image is not decoded and leaves the canvas as it is, as an image that cannot be
// decoded does, and the frames after it are drawn. Code sizes 9 to 11 are the library's to decode.
TEST_F(Compositor, LeavesCanvasForCodeSizesPastTheLibrarysTable) {
  struct Case {
    int codeSize;
    bool decoded;
  };
  const Case cases[] = {{9, true},   {10, true},  {11, true},   {12, false},
                        {13, false}, {20, false}, {30, false},  {31, false},
                        {32, false}, {43, false}, {254, false}, {255, false}};
  GifDescription gif;
  gif.width = 4;
  gif.height = 4;
  gif.globalPalette = Ramp(256, 1);
  gif.frames = {SolidFrame(0, 0, 4, 4, 5), SolidFrame(0, 0, 4, 4, 0), SolidFrame(0, 0, 4, 4, 7)};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codeSize);
    GifFrame& hostile = gif.frames[1];
    hostile.rawCodeSize = c.codeSize;
    hostile.rawCodes = {4096, 1, 4098, 4098, 4098, 4097};
    if (c.decoded) {
      hostile.rawCodes = {1 << c.codeSize};
      for (int i = 0; i < 16; ++i) hostile.rawCodes.push_back(1 + i % 3);
      hostile.rawCodes.push_back((1 << c.codeSize) + 1);
    }
    const std::string path = Write(gif);
    GifStatus status{};
    GifCompositorHandle frames = OpenGifCompositor(path, status);
    ASSERT_TRUE(frames);
    ASSERT_EQ(GifFrameCount(*frames), 3);
    for (int j = 0; j < 3; ++j) {
      FIBITMAP* canvas = ComposeFrame(*frames, j).canvas;
      ASSERT_NE(canvas, nullptr) << j;
      for (int i = 0; i < 16; ++i) {
        const int index = j == 2 ? 7 : j == 1 && c.decoded ? 1 + i % 3 : 5;
        EXPECT_TRUE(SamePixel(PixelAt(canvas, i % 4, i / 4), Opaque(gif.globalPalette[index])))
            << "frame " << j << " pixel " << i;
      }
    }
    if (c.decoded) ExpectMatchesPlayback(path);
  }
}

// ---- opening and calling ----

TEST_F(Compositor, RejectsWhatIsNotAGif) {
  GifStatus status{};
  EXPECT_FALSE(OpenGifCompositor(Path(), status));  // missing file
  EXPECT_EQ(status, GifStatus::CannotOpen);
  const std::string path = Path();
  std::ofstream(path, std::ios::binary) << "GIF88a this is not an image";
  EXPECT_FALSE(OpenGifCompositor(path, status));
  EXPECT_EQ(status, GifStatus::CannotOpen);
}

TEST_F(Compositor, SurvivesEveryTruncation) {
  GifDescription gif;
  gif.width = 9;
  gif.height = 7;
  gif.globalPalette = Ramp(4, 0);
  GifFrame a = PatternFrame(0, 0, 9, 7, 4, 0);
  a.disposal = 3;
  GifFrame b = PatternFrame(2, 1, 6, 6, 16, 1);
  b.localPalette = Ramp(16, 3);
  b.disposal = 2;
  b.transparentIndex = 4;
  GifFrame c = PatternFrame(1, 1, 3, 5, 4, 2);
  c.hasControlExtension = false;
  gif.frames = {a, b, c};
  const std::vector<std::uint8_t> bytes = testgif::EncodeGif(gif);
  const std::string path = Path();
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
    GifStatus status{};
    GifCompositorHandle frames = OpenGifCompositor(path, status);
    if (!frames) continue;
    EXPECT_LE(GifFrameCount(*frames), 3);
    for (int j = 0; j < GifFrameCount(*frames); ++j) {
      FIBITMAP* canvas = ComposeFrame(*frames, j).canvas;
      ASSERT_NE(canvas, nullptr) << size;
      EXPECT_EQ(FreeImage_GetWidth(canvas), 9u);
    }
  }
}

TEST_F(Compositor, AnswersOutOfOrderCalls) {
  GifDescription gif;
  gif.width = 6;
  gif.height = 6;
  gif.globalPalette = Ramp(4, 0);
  GifFrame a = PatternFrame(0, 0, 6, 6, 4, 0);
  GifFrame b = PatternFrame(1, 1, 3, 3, 4, 1);
  b.disposal = 3;
  GifFrame c = PatternFrame(2, 2, 4, 4, 4, 2);
  gif.frames = {a, b, c};
  GifStatus status{};
  GifCompositorHandle frames = OpenGifCompositor(Write(gif), status);
  ASSERT_TRUE(frames);
  EXPECT_EQ(ComposeFrame(*frames, -1).canvas, nullptr);
  EXPECT_EQ(ComposeFrame(*frames, 3).canvas, nullptr);
  for (const int j : {-1, 3, 1000}) EXPECT_EQ(ComposeFrame(*frames, j).status, GifStatus::NoFrame);
  EXPECT_EQ(ComposeFrame(*frames, 0).status, GifStatus::Ok);

  auto snapshot = [](FIBITMAP* dib) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 6; ++x) {
        const RGBQUAD p = PixelAt(dib, x, y);
        std::uint32_t v = 0;
        std::memcpy(&v, &p, sizeof v);
        pixels.push_back(v);
      }
    }
    return pixels;
  };
  std::vector<std::vector<std::uint32_t>> inOrder;
  for (int j = 0; j < 3; ++j) inOrder.push_back(snapshot(ComposeFrame(*frames, j).canvas));
  EXPECT_EQ(snapshot(ComposeFrame(*frames, 1).canvas), inOrder[1]);  // going back starts over
  EXPECT_EQ(snapshot(ComposeFrame(*frames, 1).canvas), inOrder[1]);  // asking again changes nothing
  GifCompositorHandle fresh = OpenGifCompositor(Write(gif), status);
  EXPECT_EQ(snapshot(ComposeFrame(*fresh, 2).canvas),
            inOrder[2]);  // skipping ahead composes the rest
}

// ---- raw frames decoded ahead ----

std::vector<std::uint32_t> Snapshot(FIBITMAP* dib) {
  std::vector<std::uint32_t> pixels;
  if (dib == nullptr) return pixels;
  const int width = static_cast<int>(FreeImage_GetWidth(dib));
  const int height = static_cast<int>(FreeImage_GetHeight(dib));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const RGBQUAD p = PixelAt(dib, x, y);
      std::uint32_t v = 0;
      std::memcpy(&v, &p, sizeof v);
      pixels.push_back(v);
    }
  }
  return pixels;
}

// Every kind of frame the compositor treats on its own: each disposal, transparency, frames
// without a control extension, clipped and undecodable frames, large enough that decodes on
// two threads overlap.
GifDescription MixedAnimation(int offset) {
  GifDescription gif;
  gif.width = 160;
  gif.height = 120;
  gif.globalPalette = Ramp(16, offset);
  gif.backgroundIndex = 3;
  for (int f = 0; f < 24; ++f) {
    GifFrame frame = f % 6 == 0 ? PatternFrame(0, 0, 160, 120, 16, f + offset)
                                : PatternFrame(f * 5, f * 3, 90, 70, 16, f + offset);
    frame.disposal = f % 4;
    if (f % 3 == 1) frame.transparentIndex = f % 16;
    if (f % 7 == 5) frame.hasControlExtension = false;
    if (f % 8 == 3) frame.localPalette = Ramp(16, f * 11);
    gif.frames.push_back(frame);
  }
  gif.frames[9] = SolidFrame(4, 4, 0, 0, 2);  // the library cannot decode it
  gif.frames[9].disposal = 2;
  gif.frames[17] = SolidFrame(150, 100, 40, 40, 5);  // reaches past the screen
  gif.frames[17].disposal = 3;
  return gif;
}

TEST_F(Compositor, FramesDecodedAheadOnTwoThreadsComposeAsInOrder) {
  const std::string path = Write(MixedAnimation(0));
  GifStatus status{};
  GifCompositorHandle plain = OpenGifCompositor(path, status);
  ASSERT_TRUE(plain);
  const int count = GifFrameCount(*plain);
  ASSERT_EQ(count, 24);
  std::vector<std::vector<std::uint32_t>> expected;
  for (int j = 0; j < count; ++j) expected.push_back(Snapshot(ComposeFrame(*plain, j).canvas));

  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    GifCompositorHandle frames = OpenGifCompositor(path, status);
    ASSERT_TRUE(frames);
    std::vector<GifFrameReaderHandle> readers;
    for (int t = 0; t < 2; ++t) readers.push_back(OpenGifFrameReader(*frames));
    ASSERT_TRUE(readers[0] && readers[1]);
    // Each thread decodes every other frame while the other one composes.
    std::mutex mutex;
    std::condition_variable turn;
    int drawn = 0;
    std::vector<std::vector<std::uint32_t>> composed(count);
    auto work = [&](int first) {
      GifFrameReader& reader = *readers[first];
      for (int j = first; j < count; j += 2) {
        DecodeGifFrame(reader, j);
        std::unique_lock<std::mutex> lock(mutex);
        turn.wait(lock, [&] { return drawn == j; });
        composed[j] = Snapshot(ComposeFrame(*frames, j, reader).canvas);
        ++drawn;
        turn.notify_all();
      }
    };
    std::thread even(work, 0), odd(work, 1);
    even.join();
    odd.join();
    for (int j = 0; j < count; ++j) EXPECT_EQ(composed[j], expected[j]) << "frame " << j;
  }
}

TEST_F(Compositor, DrawsFromReaderOnlyWhatItHoldsForTheNextFrame) {
  const std::string path = Write(MixedAnimation(0));
  GifStatus status{};
  GifCompositorHandle plain = OpenGifCompositor(path, status);
  ASSERT_TRUE(plain);
  std::vector<std::vector<std::uint32_t>> expected;
  for (int j = 0; j < GifFrameCount(*plain); ++j) {
    expected.push_back(Snapshot(ComposeFrame(*plain, j).canvas));
  }
  GifCompositorHandle frames = OpenGifCompositor(path, status);
  GifCompositorHandle other = OpenGifCompositor(Write(MixedAnimation(40)), status);
  ASSERT_TRUE(frames && other);
  GifFrameReaderHandle own = OpenGifFrameReader(*frames);
  GifFrameReaderHandle foreign = OpenGifFrameReader(*other);
  ASSERT_TRUE(own && foreign);

  DecodeGifFrame(*own, 3);
  EXPECT_EQ(Snapshot(ComposeFrame(*frames, 3, *own).canvas), expected[3]);  // composes 0..2 first
  EXPECT_EQ(Snapshot(ComposeFrame(*frames, 3, *own).canvas), expected[3]);  // asking again
  EXPECT_EQ(Snapshot(ComposeFrame(*frames, 4, *own).canvas), expected[4]);  // holds another frame
  DecodeGifFrame(*foreign, 5);
  EXPECT_EQ(Snapshot(ComposeFrame(*frames, 5, *foreign).canvas), expected[5]);  // of another file
  DecodeGifFrame(*own, 2);
  EXPECT_EQ(Snapshot(ComposeFrame(*frames, 2, *own).canvas), expected[2]);  // going back
  DecodeGifFrame(*own, 24);  // past the end: holds nothing
  EXPECT_EQ(Snapshot(ComposeFrame(*frames, 3, *own).canvas), expected[3]);
  EXPECT_EQ(ComposeFrame(*frames, 24, *own).canvas, nullptr);
  DecodeGifFrame(*own, -1);
  EXPECT_EQ(ComposeFrame(*frames, -1, *own).canvas, nullptr);
  // The undecodable frame leaves the canvas as it is, decoded ahead or not.
  DecodeGifFrame(*own, 9);
  ComposeFrame(*frames, 8).canvas;
  EXPECT_EQ(Snapshot(ComposeFrame(*frames, 9, *own).canvas), expected[9]);
}

}  // namespace
}  // namespace vorlix
