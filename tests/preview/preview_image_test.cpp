// Preview files: what is written can be read back as the same pictures and timing, names are
// numbered like modules, and nothing is ever replaced.
#include <FreeImage.h>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <functional>
#include <sstream>

#include "convert/animation.h"
#include "convert/numbered_name.h"
#include "convert/xm/pattern_encoding.h"
#include "convert/xm/xm_writer.h"
#include "preview/module_timing.h"
#include "preview/preview_frames.h"
#include "preview/preview_image.h"
#include "preview/preview_run.h"
#include "tests/support/gif_writer.h"
#include "tests/support/picture_fixtures.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_helpers.h"
#include "tests/support/xm_reader.h"

namespace vorlix {
namespace {

using testfs::TempDir;

// The pages of a written GIF as the library reads them, each with its frame time.
struct ReadPage {
  PreviewImage image;  // palette colours mapped back to shades; 255 for any other colour
  int frameMs = -1;
};

std::uint8_t ShadeOf(const RGBQUAD& c) {
  for (int i = 0; i < kPreviewShadeCount; ++i) {
    const PreviewRgb& p = kPreviewPalette[i];
    if (c.rgbRed == p.r && c.rgbGreen == p.g && c.rgbBlue == p.b)
      return static_cast<std::uint8_t>(i);
  }
  return 255;
}

std::vector<ReadPage> ReadGifPages(const std::string& path) {
  const ImageLibrary library;
  std::vector<ReadPage> pages;
  FIMULTIBITMAP* gif = FreeImage_OpenMultiBitmap(FIF_GIF, path.c_str(), FALSE, TRUE, FALSE, 0);
  if (gif == nullptr) return pages;
  for (int p = 0; p < FreeImage_GetPageCount(gif); ++p) {
    FIBITMAP* dib = FreeImage_LockPage(gif, p);
    ReadPage page;
    page.image.width = static_cast<int>(FreeImage_GetWidth(dib));
    page.image.height = static_cast<int>(FreeImage_GetHeight(dib));
    const RGBQUAD* palette = FreeImage_GetPalette(dib);
    const unsigned colours = FreeImage_GetColorsUsed(dib);
    const bool nibbles = FreeImage_GetBPP(dib) == 4;  // pages stored as changes use 4 bits
    for (int y = 0; y < page.image.height; ++y) {
      const BYTE* line = FreeImage_GetScanLine(dib, page.image.height - 1 - y);
      for (int x = 0; x < page.image.width; ++x) {
        const unsigned index = nibbles ? (line[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F : line[x];
        page.image.pixels.push_back(index < colours ? ShadeOf(palette[index]) : 255);
      }
    }
    FITAG* tag = nullptr;
    if (FreeImage_GetMetadata(FIMD_ANIMATION, dib, "FrameTime", &tag)) {
      page.frameMs = static_cast<int>(*static_cast<const LONG*>(FreeImage_GetTagValue(tag)));
    }
    FreeImage_UnlockPage(gif, dib, FALSE);
    pages.push_back(page);
  }
  FreeImage_CloseMultiBitmap(gif, 0);
  return pages;
}

// The frames of a written GIF as a viewer shows them, each drawn over what the ones before left
// (the image library's playback); shades as in ReadGifPages, 254 for a pixel not opaque.
std::vector<PreviewImage> ReadComposedFrames(const std::string& path) {
  const ImageLibrary library;
  std::vector<PreviewImage> frames;
  FIMULTIBITMAP* gif =
      FreeImage_OpenMultiBitmap(FIF_GIF, path.c_str(), FALSE, TRUE, FALSE, GIF_PLAYBACK);
  if (gif == nullptr) return frames;
  for (int p = 0; p < FreeImage_GetPageCount(gif); ++p) {
    FIBITMAP* dib = FreeImage_LockPage(gif, p);
    PreviewImage image{
        static_cast<int>(FreeImage_GetWidth(dib)), static_cast<int>(FreeImage_GetHeight(dib)), {}};
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        RGBQUAD c{};
        FreeImage_GetPixelColor(dib, x, image.height - 1 - y, &c);
        image.pixels.push_back(c.rgbReserved == 255 ? ShadeOf(c) : 254);
      }
    }
    FreeImage_UnlockPage(gif, dib, FALSE);
    frames.push_back(image);
  }
  FreeImage_CloseMultiBitmap(gif, GIF_PLAYBACK);
  return frames;
}

PreviewImage Checker(int width, int height, int phase) {
  PreviewImage image{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      image.pixels.push_back(static_cast<std::uint8_t>((x + y + phase) % kPreviewShadeCount));
  }
  return image;
}

TEST(WritePreviewGif, PagesReadBackAsTheFramesWithTheirTimes) {
  TempDir dir;
  const int times[] = {3200, 50, 120};
  ASSERT_TRUE(WritePreviewGif(
      dir / "x.gif", 3, [](int j) { return Checker(7, 5, j); }, [&](int j) { return times[j]; }));
  const std::vector<ReadPage> pages = ReadGifPages(dir / "x.gif");
  ASSERT_EQ(pages.size(), 3u);
  for (int j = 0; j < 3; ++j) {
    EXPECT_EQ(pages[j].image.pixels, Checker(7, 5, j).pixels) << j;
    EXPECT_EQ(pages[j].frameMs, times[j]) << j;
  }
}

TEST(WritePreviewGif, StoredAsChangesAViewerShowsTheSameFrames) {
  // Each frame and the size of the rectangle stored for it: what changed since the frame before.
  struct Step {
    const char* what;
    std::function<void(PreviewImage&)> change;
    int storedWidth, storedHeight;
  };
  const auto set = [](int x, int y, std::uint8_t shade) {
    return [=](PreviewImage& image) { image.pixels[y * image.width + x] = shade; };
  };
  const Step steps[] = {
      {"first frame whole", [](PreviewImage&) {}, 9, 6},
      {"nothing changed", [](PreviewImage&) {}, 1, 1},
      {"last pixel", set(8, 5, kBreakMark), 1, 1},
      {"first pixel", set(0, 0, kFaint), 1, 1},
      {"two corners", [&](PreviewImage& i) { set(1, 4, kFaint)(i), set(6, 2, kInk)(i); }, 6, 3},
      {"all of it", [](PreviewImage& i) { i = Checker(9, 6, 1); }, 9, 6},
  };
  std::vector<PreviewImage> frames;
  PreviewImage image = Checker(9, 6, 0);
  for (const Step& step : steps) {
    step.change(image);
    frames.push_back(image);
  }
  const int count = static_cast<int>(frames.size());
  TempDir dir;
  std::vector<int> told;
  GifWriting how{GifFrameStorage::Changes, [&](int j) { told.push_back(j); }};
  ASSERT_TRUE(WritePreviewGif(
      dir / "x.gif", count, [&](int j) { return frames[j]; }, [](int j) { return 20 + 10 * j; },
      how));
  EXPECT_EQ(told, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  const std::vector<PreviewImage> shown = ReadComposedFrames(dir / "x.gif");
  const std::vector<ReadPage> stored = ReadGifPages(dir / "x.gif");
  ASSERT_EQ(static_cast<int>(shown.size()), count);
  ASSERT_EQ(static_cast<int>(stored.size()), count);
  for (int j = 0; j < count; ++j) {
    EXPECT_EQ(shown[j].pixels, frames[j].pixels) << steps[j].what;
    EXPECT_EQ(stored[j].frameMs, 20 + 10 * j) << steps[j].what;
    EXPECT_EQ(stored[j].image.width, steps[j].storedWidth) << steps[j].what;
    EXPECT_EQ(stored[j].image.height, steps[j].storedHeight) << steps[j].what;
  }
  // A frame of another size than the first: no GIF is left behind.
  EXPECT_FALSE(WritePreviewGif(
      dir / "y.gif", 2, [](int j) { return Checker(4, 4 + j, 0); }, [](int) { return 10; }, how));
  EXPECT_FALSE(testfs::Exists(dir / "y.gif"));
}

TEST(WritePreviewFiles, NeverReplaceAFileAndLeaveNothingOnFailure) {
  TempDir dir;
  ASSERT_TRUE(testfs::WriteBytes(dir / "x.png", {1, 2, 3}));
  ASSERT_TRUE(testfs::WriteBytes(dir / "x.gif", {4, 5}));
  EXPECT_FALSE(WritePreviewPng(dir / "x.png", Checker(4, 4, 0)));
  EXPECT_FALSE(WritePreviewGif(
      dir / "x.gif", 1, [](int) { return Checker(4, 4, 0); }, [](int) { return 10; }));
  EXPECT_EQ(testxm::ReadFileBytes(dir / "x.png"), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(testxm::ReadFileBytes(dir / "x.gif"), (std::vector<std::uint8_t>{4, 5}));
  // A frame of another size than the first: no GIF is left behind.
  EXPECT_FALSE(WritePreviewGif(
      dir / "y.gif", 2, [](int j) { return Checker(4 + j, 4, 0); }, [](int) { return 10; }));
  EXPECT_FALSE(testfs::Exists(dir / "y.gif"));
}

TEST(PreviewNames, KindByExtensionAndNumberingLikeModules) {
  EXPECT_EQ(PreviewKindOf("a.png"), PreviewFileKind::Png);
  EXPECT_EQ(PreviewKindOf("A.PNG"), PreviewFileKind::Png);
  EXPECT_EQ(PreviewKindOf("dir/a.Gif"), PreviewFileKind::Gif);
  EXPECT_EQ(PreviewKindOf("a.png.txt"), PreviewFileKind::Unknown);
  EXPECT_EQ(PreviewKindOf("dir.png/a"), PreviewFileKind::Unknown);
  EXPECT_EQ(PreviewKindOf("png"), PreviewFileKind::Unknown);
  TempDir dir;
  EXPECT_EQ(ResolvePreviewName(dir / "x.gif"), dir / "x.gif");
  ASSERT_TRUE(testfs::WriteBytes(dir / "x.gif", {}));
  EXPECT_EQ(ResolvePreviewName(dir / "x.gif"), dir / "x_1.gif");
  ASSERT_TRUE(testfs::WriteBytes(dir / "x_1.gif", {}));
  EXPECT_EQ(ResolvePreviewName(dir / "x.gif"), dir / "x_2.gif");
}

TEST(FrameMilliseconds, AddUpToThePlayingTimeOfTheModule) {
  struct Case {
    int tempo, speed, height;
    bool breakOn;
  };
  const Case cases[] = {{250, 5, 150, true},
                        {125, 6, 16, true},
                        {32, 31, 40, false},
                        {255, 1, 200, true},
                        {100, 3, 17, false}};
  for (const Case& c : cases) {
    ConversionSettings s = testutil::Sized(16, c.height, c.breakOn);
    s.Tempo = c.tempo;
    s.Speed = c.speed;
    const int frames = 4;
    std::vector<PatternBytes> patterns(frames);
    for (PatternBytes& p : patterns) {
      p.assign(static_cast<std::size_t>(c.height) * 4, 0x80);  // 4 channels of empty cells
      if (c.breakOn)
        p[BreakCellIndex(s)] = 0x98,
        p.insert(p.begin() + BreakCellIndex(s) + 1, {0x0D, PackedDecimal(BreakRow(s))});
    }
    const openmpt::module module(BuildModule(s, patterns));
    int total = 0;
    for (int j = 0; j < frames; ++j) total += FrameMilliseconds(s, j);
    EXPECT_NEAR(total, module.get_duration_seconds() * 1000, frames) << c.tempo << "/" << c.speed;
  }
}

TEST(PreviewRun, AnimatedGifFramesEqualThePicturePreview) {
  TempDir dir(true);
  testgif::GifDescription gif;
  gif.width = 30;
  gif.height = 20;
  gif.globalPalette = {{255, 255, 255}, {0, 0, 0}, {120, 120, 120}};
  for (int f = 0; f < 4; ++f) {
    testgif::GifFrame frame = testgif::SolidFrame(0, 0, 30, 20, 0);
    for (int i = 0; i < 600; i += 3 + f) frame.indices[i] = static_cast<std::uint8_t>(1 + i % 2);
    gif.frames.push_back(frame);
  }
  ASSERT_TRUE(testgif::WriteGif("in.gif", gif));
  ConversionSettings s = testutil::Sized(40, 24, true);
  std::vector<std::string> messages;
  const RunReporter reporter{[&](MessageKind, const std::string& t) { messages.push_back(t); },
                             [](const std::string&) {}};
  std::ostringstream out;
  ASSERT_TRUE(PreviewRun({"x.gif", PreviewStyle::Picture, 0}, "in.gif", s, reporter, out));
  ASSERT_TRUE(PreviewRun({"x.gif", PreviewStyle::Picture, 0}, "in.gif", s, reporter, out));
  EXPECT_EQ(out.str(), "Preview saved to file x.gif.\nPreview saved to file x_1.gif.\n");
  EXPECT_TRUE(messages.empty());
  RunError error = RunError::None;
  const auto frames = PreviewFrames::Open("in.gif", s, error);
  ASSERT_TRUE(frames && frames->WaitUntilPrepared(std::chrono::seconds(10)));
  const std::vector<ReadPage> pages = ReadGifPages("x_1.gif");
  ASSERT_EQ(static_cast<int>(pages.size()), frames->FrameCount());
  for (int j = 0; j < frames->FrameCount(); ++j) {
    PatternView view;
    ASSERT_TRUE(frames->View(j, view));
    EXPECT_EQ(pages[j].image.pixels, DrawPicture(view).pixels) << j;
    EXPECT_EQ(pages[j].frameMs / 10, FrameMilliseconds(s, j) / 10) << j;
  }
}

TEST(PreviewRun, EveryNumberedNameTakenEndsTheRunNamingTheFileAskedFor) {
  TempDir dir(true);
  ASSERT_TRUE(testgif::WriteGif("in.gif", testgif::ConstantDelayGif(1, 10)));
  ASSERT_TRUE(testfs::TakeNumberedNames("p", ".png", kMaxNumberedNames));
  std::vector<std::string> messages;
  const RunReporter reporter{[&](MessageKind, const std::string& t) { messages.push_back(t); },
                             [](const std::string&) {}};
  std::ostringstream out;
  EXPECT_FALSE(PreviewRun({"p.png", PreviewStyle::Picture, 0}, "in.gif",
                          testutil::Sized(8, 8, true), reporter, out));
  EXPECT_EQ(messages, std::vector<std::string>{"Cannot write the file p.png."});
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(testfs::ListDir(".").size(), static_cast<std::size_t>(kMaxNumberedNames) + 1);
}

TEST(PreviewRun, TrackerGifShowsEveryFrameAndTellsOfEachAsAConversionDoes) {
  TempDir dir(true);
  testgif::GifDescription gif;
  gif.width = 24;
  gif.height = 16;
  gif.globalPalette = {{255, 255, 255}, {0, 0, 0}};
  for (int f = 0; f < 5; ++f) {
    testgif::GifFrame frame = testgif::SolidFrame(0, 0, 24, 16, 0);
    // A block that moves, and a frame that repeats the one before.
    for (int y = 4; y < 10; ++y) {
      for (int x = 0; x < 6; ++x) frame.indices[y * 24 + x + 4 * std::min(f, 3)] = 1;
    }
    gif.frames.push_back(frame);
  }
  ASSERT_TRUE(testgif::WriteGif("in.gif", gif));
  const ConversionSettings s = testutil::Sized(16, 12, true);
  std::vector<std::string> statuses;
  const RunReporter reporter{[](MessageKind, const std::string&) {},
                             [&](const std::string& t) { statuses.push_back(t); }};
  std::ostringstream out;
  ASSERT_TRUE(PreviewRun({"t.gif", PreviewStyle::Tracker, 0}, "in.gif", s, reporter, out));
  std::string expected = SavingToLine("t.gif");
  for (int j = 0; j < 5; ++j) expected += FrameConvertedLine(j);
  EXPECT_EQ(out.str(), expected + PreviewSavedLine("t.gif"));
  EXPECT_EQ(statuses.back(), ConvertedFramesStatus(5, 5));
  RunError error = RunError::None;
  const auto frames = PreviewFrames::Open("in.gif", s, error);
  ASSERT_TRUE(frames && frames->WaitUntilPrepared(std::chrono::seconds(10)));
  const std::vector<PreviewImage> shown = ReadComposedFrames("t.gif");
  ASSERT_EQ(static_cast<int>(shown.size()), frames->FrameCount());
  for (int j = 0; j < frames->FrameCount(); ++j) {
    PatternView view;
    ASSERT_TRUE(frames->View(j, view));
    EXPECT_EQ(shown[j].pixels, DrawTracker(view).pixels) << j;
  }
}

}  // namespace
}  // namespace vorlix
