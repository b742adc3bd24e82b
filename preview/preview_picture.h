// Drawing one frame as the module shows it: as a picture of one pixel per column of a cell, or
// as a tracker's pattern view of text.
#pragma once

#include <cstdint>
#include <vector>

#include "preview/pattern_view.h"

namespace vorlix {

// Palette indices of a preview image.
enum PreviewShade : std::uint8_t {
  kPaper = 0,      // background, an empty column
  kInk = 1,        // a drawn column
  kBreakMark = 2,  // what the pattern-break cell shows
  kFaint = 3,      // dots of empty columns, row numbers and channel lines
};
inline constexpr int kPreviewShadeCount = 4;

struct PreviewRgb {
  std::uint8_t r, g, b;
};
// Dark on light, the break in red.
inline constexpr PreviewRgb kPreviewPalette[kPreviewShadeCount] = {
    {240, 240, 232}, {24, 24, 32}, {208, 40, 40}, {150, 150, 160}};

// Palette indices, row-major, row 0 at the top. The colours are kPreviewPalette's unless the
// image brings its own (at most 15).
struct PreviewImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
  std::vector<PreviewRgb> palette = {};
  std::uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Picture and Tracker are drawn here; Ft2 and Schism by tracker_screen.h, in those trackers'
// notations and colours.
enum class PreviewStyle { Picture, Tracker, Ft2, Schism };

// Width / 4 * 4 by Height pixels: pixel 4n + m of row k is ink where column m of that cell
// shows anything in a tracker, paper where it is empty; the break cell shows in kBreakMark.
PreviewImage DrawPicture(const PatternView& view);

// The pattern view in the pixel font: a row number, then per channel the cell's line
// ("C-6 7Fv3D 963"), one text line per row, so a picture pixel is two or three characters wide
// and one line tall, as in a tracker.
PreviewImage DrawTracker(const PatternView& view);

PreviewImage DrawPreview(const PatternView& view, PreviewStyle style);

// Layout of the pattern view, in pixels.
inline constexpr int kTrackerCharWidth = 6;   // glyph and one blank column
inline constexpr int kTrackerLineHeight = 8;  // glyph and one blank line
inline constexpr int kTrackerRowNumberChars = 4;
inline constexpr int kTrackerChannelChars = 14;  // 13 of the cell line and a separator

// Share of the picture's pixels that are drawn, in per cent (0 for an empty view).
double DrawnShare(const PatternView& view);

}  // namespace vorlix
