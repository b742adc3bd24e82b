// The ft2 and schism styles' pictures: each field's glyphs where the tracker draws that field,
// in its colour; the window around the cursor row; and their GIFs shown as drawn.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <vector>

#include "convert/gif/image_library.h"
#include "preview/pixel_font.h"
#include "preview/preview_frames.h"
#include "preview/preview_run.h"
#include "preview/tracker_notation.h"
#include "preview/tracker_screen.h"
#include "tests/support/gif_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_helpers.h"

namespace vorlix {

// Found by argument lookup, for the checks below.
bool operator==(const PreviewRgb& a, const PreviewRgb& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b;
}

namespace {

PreviewRgb ColourAt(const PreviewImage& image, int x, int y) {
  return image.palette.at(image.At(x, y));
}

// 2 channels of 16 rows, every cell drawn with the default fill (61, 127, 77, 9, 99) but the
// break cell in row 8 of channel 1.
PatternView FullView() {
  const ConversionSettings s = testutil::Sized(8, 16, true);
  FrameGrid grid = MakeFrameGrid(s);
  for (FrameCell& cell : grid.cells) cell = FrameCell{{1, 1, 1, 1}};
  return ViewFrame(grid, s);
}

// The text's glyphs at (x, y), each in an 8-pixel box at column 2, in `ink`; the rest of each
// glyph's 5 x 7 box shows `paper`.
void ExpectText(const PreviewImage& image, int x, int y, const char* text, PreviewRgb ink,
                PreviewRgb paper) {
  for (int i = 0; text[i] != '\0'; ++i) {
    const GlyphRows& rows = Glyph(text[i]);
    for (int gy = 0; gy < kGlyphHeight; ++gy) {
      for (int gx = 0; gx < kGlyphWidth; ++gx) {
        const bool set = rows[gy] & (0x10 >> gx);
        ASSERT_EQ(ColourAt(image, x + 8 * i + 2 + gx, y + gy), set ? ink : paper)
            << text << " character " << i << " at " << gx << "," << gy;
      }
    }
  }
}

TEST(DrawTrackerScreen, DrawsEachFieldWhereAndAsTheTrackerDrawsIt) {
  const PatternView view = FullView();
  const PreviewRgb black{0, 0, 0};
  // MilkyTracker: one hex digit for 16 rows, 4 pixels, then 87-pixel slots; row 1 of channel 1.
  const PreviewImage ft2 = DrawTrackerScreen(view, TrackerLook::Ft2);
  EXPECT_EQ(ft2.width, 12 + 2 * 87);
  EXPECT_EQ(ft2.height, 16 * 8);
  const int slot = 12 + 87, row = 8;
  ExpectText(ft2, 0, row, "1", {255, 255, 255}, black);
  ExpectText(ft2, 0, 4 * 8, "4", {255, 255, 0}, black);  // every fourth row number marked
  ExpectText(ft2, slot, row, "C-5", {255, 255, 255}, black);
  ExpectText(ft2, slot + 25, row, "7F", {128, 224, 255}, black);
  ExpectText(ft2, slot + 42, row, "3D", {128, 255, 128}, black);
  ExpectText(ft2, slot + 59, row, "9", {255, 128, 224}, black);
  ExpectText(ft2, slot + 68, row, "63", {255, 224, 128}, black);
  EXPECT_EQ(ColourAt(ft2, slot - 3, row), (PreviewRgb{85, 127, 170}));  // the channel's line
  // The cursor row is the break row, on MilkyTracker's cursor colour.
  ExpectText(ft2, slot + 59, 8 * 8, "D", {255, 128, 224}, {96, 32, 64});

  // Schism: row numbers in characters 1..3, channels from character 5, 14 characters each.
  const PreviewImage schism = DrawTrackerScreen(view, TrackerLook::Schism);
  EXPECT_EQ(schism.width, (5 + 2 * 14) * 8);
  const PreviewRgb green{68, 152, 72};
  ExpectText(schism, 8, row, "001", black, {180, 148, 120});
  ExpectText(schism, (5 + 14) * 8, row, "C-6 J7 61 O63", green, black);
  ExpectText(schism, (5 + 14) * 8, 4 * 8, "C-6", green, {52, 48, 44});  // every fourth row
  ExpectText(schism, (5 + 14 + 10) * 8, 8 * 8, "C08", green, {88, 64, 60});
}

TEST(DrawTrackerScreen, AWindowShowsItsRowsAroundTheCursorRowAndItsChannels) {
  const PatternView view = FullView();  // cursor row 8 of 16
  for (const TrackerLook look : {TrackerLook::Ft2, TrackerLook::Schism}) {
    const PreviewImage whole = DrawTrackerScreen(view, look);
    // The window of the whole pattern is the whole pattern.
    EXPECT_EQ(DrawTrackerScreen(view, look, PatternWindow{2, 8, 7}).pixels, whole.pixels);
    // Rows 8 - 10 .. 8 + 9: two rows before the pattern and two after it are blank, a third
    // channel is blank; the rows inside are the whole pattern's, pixel for pixel.
    const PreviewImage part = DrawTrackerScreen(view, look, PatternWindow{3, 10, 9});
    ASSERT_EQ(part.height, 20 * 8);
    const int wholeChannels = whole.width;
    const PreviewImage blankRows = DrawTrackerScreen(view, look, PatternWindow{3, 30, -29});
    for (int y = 0; y < part.height; ++y) {
      const int row = y / 8 - 2;
      for (int x = 0; x < part.width; ++x) {
        if (row >= 0 && row < 16 && x < wholeChannels - 8) {
          ASSERT_EQ(part.At(x, y), whole.At(x, row * 8 + y % 8)) << x << "," << y;
        } else if (row < 0 || row >= 16) {
          // Outside the pattern: as a row of a window wholly above the pattern.
          ASSERT_EQ(part.At(x, y), blankRows.At(x, y % 8)) << x << "," << y;
        }
      }
    }
  }
}

// The frames of a written GIF as a viewer shows them, as colours.
std::vector<std::vector<PreviewRgb>> ShownColours(const std::string& path) {
  const ImageLibrary library;
  std::vector<std::vector<PreviewRgb>> frames;
  FIMULTIBITMAP* gif =
      FreeImage_OpenMultiBitmap(FIF_GIF, path.c_str(), FALSE, TRUE, FALSE, GIF_PLAYBACK);
  if (gif == nullptr) return frames;
  for (int p = 0; p < FreeImage_GetPageCount(gif); ++p) {
    FIBITMAP* dib = FreeImage_LockPage(gif, p);
    const int width = static_cast<int>(FreeImage_GetWidth(dib));
    const int height = static_cast<int>(FreeImage_GetHeight(dib));
    std::vector<PreviewRgb> colours;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        RGBQUAD c{};
        FreeImage_GetPixelColor(dib, x, height - 1 - y, &c);
        colours.push_back({c.rgbRed, c.rgbGreen, c.rgbBlue});
      }
    }
    FreeImage_UnlockPage(gif, dib, FALSE);
    frames.push_back(colours);
  }
  FreeImage_CloseMultiBitmap(gif, GIF_PLAYBACK);
  return frames;
}

// Their GIFs keep only what changes, with their own palettes: a viewer shows every frame in the
// colours it was drawn in.
TEST(DrawTrackerScreen, GifFramesShowAsDrawnInTheirOwnColours) {
  testfs::TempDir dir(true);
  testgif::GifDescription gif;
  gif.width = 16;
  gif.height = 12;
  gif.globalPalette = {{255, 255, 255}, {0, 0, 0}};
  for (int f = 0; f < 4; ++f) {
    testgif::GifFrame frame = testgif::SolidFrame(0, 0, 16, 12, 0);
    for (int y = 2; y < 8; ++y) {
      for (int x = 0; x < 5; ++x) frame.indices[y * 16 + x + 3 * std::min(f, 2)] = 1;
    }
    gif.frames.push_back(frame);
  }
  ASSERT_TRUE(testgif::WriteGif("in.gif", gif));
  const ConversionSettings s = testutil::Sized(16, 12, true);
  const RunReporter reporter{[](MessageKind, const std::string&) {}, [](const std::string&) {}};
  RunError error = RunError::None;
  const auto frames = PreviewFrames::Open("in.gif", s, error);
  ASSERT_TRUE(frames && frames->WaitUntilPrepared(std::chrono::seconds(10)));
  for (const auto& [style, look] : {std::pair{PreviewStyle::Ft2, TrackerLook::Ft2},
                                    std::pair{PreviewStyle::Schism, TrackerLook::Schism}}) {
    std::ostringstream out;
    ASSERT_TRUE(PreviewRun({"t.gif", style, 0}, "in.gif", s, reporter, out));
    const auto shown = ShownColours("t.gif");
    ASSERT_EQ(static_cast<int>(shown.size()), frames->FrameCount());
    for (int j = 0; j < frames->FrameCount(); ++j) {
      PatternView view;
      ASSERT_TRUE(frames->View(j, view));
      const PreviewImage drawn = DrawTrackerScreen(view, look);
      ASSERT_EQ(shown[j].size(), drawn.pixels.size());
      for (std::size_t i = 0; i < drawn.pixels.size(); ++i) {
        ASSERT_EQ(shown[j][i], drawn.palette[drawn.pixels[i]]) << j << " pixel " << i;
      }
    }
    std::remove("t.gif");
  }
}

}  // namespace
}  // namespace vorlix
