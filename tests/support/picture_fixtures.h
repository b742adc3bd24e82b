// GIFs for the picture options, generated from a few numbers.
#pragma once

#include "tests/support/gif_writer.h"

namespace vorlix::testgif {

// One frame of `width` x `height`: `steps` vertical bands of equal width from dark on the left
// to light on the right, band i of grey RampGrey(i, steps). The palette holds 256 greys.
GifDescription GreyRampGif(int width, int height, int steps);
int RampGrey(int band, int steps);

// A terminal session: light text (grey 200) typed line by line on a dark screen (grey 20).
// Frame 0 is the empty screen; frame j (1..lines) adds text line j - 1 as a box covering only
// that line; the last `scrolls` frames redraw the screen with every line moved up by one and a
// new line at the bottom. Glyphs are 5 x 7 patterns of 1-pixel strokes in 6 x 12 cells.
struct TerminalLayout {
  int columns = 30, lines = 8, scrolls = 3;
  int delayCs = 10;
};
inline constexpr int kTerminalCellWidth = 6, kTerminalCellHeight = 12, kTerminalGlyphHeight = 7;
inline constexpr int kTerminalTop = 2;  // first pixel row of a glyph within its cell
GifDescription TerminalRecordingGif(const TerminalLayout& layout);

// `frames` frames of one grey each, all with the same delay.
GifDescription ConstantDelayGif(int frames, int delayCs);

}  // namespace vorlix::testgif
