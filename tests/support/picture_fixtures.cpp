#include "tests/support/picture_fixtures.h"

#include <cstdint>

namespace vorlix::testgif {
namespace {

std::vector<Rgb> GreyPalette() {
  std::vector<Rgb> palette(256);
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    palette[i] = {v, v, v};
  }
  return palette;
}

constexpr std::uint8_t kScreenGrey = 20, kTextGrey = 200;

// Whether pixel (x, y) of the 5 x 7 glyph of `code` is lit: a fixed pseudo-random pattern.
bool GlyphPixel(std::uint32_t code, int x, int y) {
  std::uint32_t h = code * 2654435761u + static_cast<std::uint32_t>(y * 5 + x) * 40503u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return h % 5 < 2;
}

// The pixels of one text line (the screen grey where no glyph is lit), full screen width.
std::vector<std::uint8_t> TextLine(int columns, std::uint32_t line) {
  const int width = columns * kTerminalCellWidth;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * kTerminalCellHeight,
                                   kScreenGrey);
  // Lines are of different lengths, as typed text is.
  const int length = columns - static_cast<int>(line * 7 % (columns / 2 + 1));
  for (int c = 0; c < length; ++c) {
    for (int y = 0; y < kTerminalGlyphHeight; ++y) {
      for (int x = 0; x < 5; ++x) {
        if (!GlyphPixel(line * 131 + c, x, y)) continue;
        const int px = c * kTerminalCellWidth + x, py = kTerminalTop + y;
        pixels[static_cast<std::size_t>(py) * width + px] = kTextGrey;
      }
    }
  }
  return pixels;
}

}  // namespace

int RampGrey(int band, int steps) {
  return 255 * (2 * band + 1) / (2 * steps);  // the middle of the band's share of 0..255
}

GifDescription GreyRampGif(int width, int height, int steps) {
  GifDescription gif;
  gif.width = width;
  gif.height = height;
  gif.globalPalette = GreyPalette();
  GifFrame frame = SolidFrame(0, 0, width, height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      frame.indices[static_cast<std::size_t>(y) * width + x] =
          static_cast<std::uint8_t>(RampGrey(x * steps / width, steps));
    }
  }
  gif.frames.push_back(frame);
  return gif;
}

GifDescription TerminalRecordingGif(const TerminalLayout& layout) {
  const int width = layout.columns * kTerminalCellWidth;
  const int lineBytes = width * kTerminalCellHeight;
  GifDescription gif;
  gif.width = width;
  gif.height = layout.lines * kTerminalCellHeight;
  gif.globalPalette = GreyPalette();
  GifFrame empty = SolidFrame(0, 0, gif.width, gif.height, kScreenGrey);
  empty.delayCs = layout.delayCs;
  gif.frames.push_back(empty);
  for (int line = 0; line < layout.lines; ++line) {
    GifFrame typed;
    typed.top = line * kTerminalCellHeight;
    typed.width = width;
    typed.height = kTerminalCellHeight;
    typed.indices = TextLine(layout.columns, static_cast<std::uint32_t>(line));
    typed.delayCs = layout.delayCs;
    gif.frames.push_back(typed);
  }
  for (int s = 1; s <= layout.scrolls; ++s) {
    GifFrame screen = SolidFrame(0, 0, gif.width, gif.height, kScreenGrey);
    screen.delayCs = layout.delayCs;
    for (int line = 0; line < layout.lines; ++line) {
      const std::vector<std::uint8_t> text =
          TextLine(layout.columns, static_cast<std::uint32_t>(line + s));
      std::copy(text.begin(), text.end(), screen.indices.begin() + line * lineBytes);
    }
    gif.frames.push_back(screen);
  }
  return gif;
}

GifDescription ConstantDelayGif(int frames, int delayCs) {
  GifDescription gif;
  gif.width = 16;
  gif.height = 16;
  gif.globalPalette = GreyPalette();
  for (int j = 0; j < frames; ++j) {
    GifFrame frame = SolidFrame(0, 0, 16, 16, static_cast<std::uint8_t>(j * 37 % 256));
    frame.delayCs = delayCs;
    gif.frames.push_back(frame);
  }
  return gif;
}

}  // namespace vorlix::testgif
