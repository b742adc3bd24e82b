#include "preview/preview_picture.h"

#include "preview/pixel_font.h"
#include "preview/tracker_screen.h"

namespace vorlix {
namespace {

void DrawText(PreviewImage& image, int x, int y, const char* text, std::uint8_t shade) {
  for (; *text != '\0'; ++text, x += kTrackerCharWidth) {
    const GlyphRows& rows = Glyph(*text);
    for (int gy = 0; gy < kGlyphHeight; ++gy) {
      std::uint8_t* line = &image.pixels[static_cast<std::size_t>(y + gy) * image.width + x];
      for (int gx = 0; gx < kGlyphWidth; ++gx) {
        if (rows[gy] & (0x10 >> gx)) line[gx] = shade;
      }
    }
  }
}

// One column's text: ink when it shows something, faint dots when it is empty.
void DrawColumn(PreviewImage& image, int x, int y, const CellText& cell, int column,
                const char* text, bool isBreak) {
  const std::uint8_t shade = !ColumnShown(cell, column) ? kFaint : (isBreak ? kBreakMark : kInk);
  DrawText(image, x, y, text, shade);
}

void DrawCell(PreviewImage& image, int x, int y, const CellText& cell, bool isBreak) {
  DrawColumn(image, x, y, cell, 0, cell.note, isBreak);
  DrawColumn(image, x + 4 * kTrackerCharWidth, y, cell, 1, cell.instrument, isBreak);
  DrawColumn(image, x + 6 * kTrackerCharWidth, y, cell, 2, cell.volume, isBreak);
  DrawColumn(image, x + 10 * kTrackerCharWidth, y, cell, 3, cell.effect, isBreak);
}

}  // namespace

PreviewImage DrawPicture(const PatternView& view) {
  PreviewImage image;
  image.width = kPixelsPerCell * view.channels;
  image.height = view.rows;
  image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, kPaper);
  for (int i = 0; i < static_cast<int>(view.cells.size()); ++i) {
    const std::uint8_t ink = i == view.breakCell ? kBreakMark : kInk;
    std::uint8_t* at = &image.pixels[static_cast<std::size_t>(i) * kPixelsPerCell];
    for (int m = 0; m < kPixelsPerCell; ++m) {
      if (ColumnShown(view.cells[i], m)) at[m] = ink;
    }
  }
  return image;
}

PreviewImage DrawTracker(const PatternView& view) {
  PreviewImage image;
  image.width = (kTrackerRowNumberChars + kTrackerChannelChars * view.channels) * kTrackerCharWidth;
  image.height = view.rows * kTrackerLineHeight;
  image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, kPaper);
  for (int k = 0; k < view.rows; ++k) {
    const int y = k * kTrackerLineHeight;
    const char number[4] = {static_cast<char>('0' + k / 100 % 10),
                            static_cast<char>('0' + k / 10 % 10), static_cast<char>('0' + k % 10),
                            '\0'};
    DrawText(image, 0, y, number, kFaint);
    for (int n = 0; n < view.channels; ++n) {
      const int i = k * view.channels + n;
      const int x = (kTrackerRowNumberChars + kTrackerChannelChars * n) * kTrackerCharWidth;
      DrawCell(image, x, y, view.cells[i], i == view.breakCell);
    }
  }
  // A line left of every channel, in the middle of the blank character before it.
  for (int n = 0; n < view.channels; ++n) {
    const int x = (kTrackerRowNumberChars + kTrackerChannelChars * n) * kTrackerCharWidth - 3;
    for (int y = 0; y < image.height; ++y) {
      image.pixels[static_cast<std::size_t>(y) * image.width + x] = kFaint;
    }
  }
  return image;
}

PreviewImage DrawPreview(const PatternView& view, PreviewStyle style) {
  switch (style) {
    case PreviewStyle::Tracker:
      return DrawTracker(view);
    case PreviewStyle::Ft2:
      return DrawTrackerScreen(view, TrackerLook::Ft2);
    case PreviewStyle::Schism:
      return DrawTrackerScreen(view, TrackerLook::Schism);
    default:
      return DrawPicture(view);
  }
}

double DrawnShare(const PatternView& view) {
  if (view.cells.empty()) return 0.0;
  int drawn = 0;
  for (const CellText& cell : view.cells) {
    for (int m = 0; m < kPixelsPerCell; ++m) drawn += ColumnShown(cell, m) ? 1 : 0;
  }
  return 100.0 * drawn / (kPixelsPerCell * static_cast<double>(view.cells.size()));
}

}  // namespace vorlix
