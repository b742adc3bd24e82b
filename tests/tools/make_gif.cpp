// Makes the GIFs that the sample, the script tests and the benchmark use, from a few lines of
// drawing code each, so that no binary picture has to be trusted.
//   make_gif troll OUT                the bundled sample: a waving troll, 48 frames of 120x150
//   make_gif bars OUT FRAMES W H [D]  full frames with a bar moving down, one colour table, each
//                                     with disposal method D (default 0)
//   make_gif tiny OUT FRAMES          FRAMES frames of 1x1 pixel, black and white in turn, written
//                                     as they go: millions of frames take no memory
//   make_gif codesize OUT N           five frames of 8x8 in 256 greys: two of LZW code size 9, then
//                                     one of code size N (9 or more) whose data hold, after 20
//                                     white pixels, code 4098, past the 4096 entries of a string
//                                     table
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/gif_writer.h"

namespace {

using vorlix::testgif::GifDescription;
using vorlix::testgif::GifFrame;
using vorlix::testgif::Rgb;

// Colour indices of the troll's palette. Dark colours fall below the default threshold and are
// drawn; the light sky is not.
enum : std::uint8_t { kSky, kSkin, kDark, kEyeWhite, kPupil, kMouth, kHair, kGrass };

struct Canvas {
  int w, h;
  std::vector<std::uint8_t> px;
  Canvas(int width, int height, std::uint8_t fill)
      : w(width), h(height), px(width * height, fill) {}
  void Set(int x, int y, std::uint8_t c) {
    if (x >= 0 && y >= 0 && x < w && y < h) px[y * w + x] = c;
  }
  void Ellipse(double cx, double cy, double rx, double ry, std::uint8_t c) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const double dx = (x - cx) / rx, dy = (y - cy) / ry;
        if (dx * dx + dy * dy <= 1.0) Set(x, y, c);
      }
  }
  void Line(double x0, double y0, double x1, double y1, double thick, std::uint8_t c) {
    const int steps = static_cast<int>(std::hypot(x1 - x0, y1 - y0) * 2) + 1;
    for (int i = 0; i <= steps; ++i) {
      const double t = static_cast<double>(i) / steps;
      Ellipse(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, thick, thick, c);
    }
  }
};

GifDescription Troll() {
  const int w = 120, h = 150, frames = 48;
  GifDescription gif;
  gif.width = w;
  gif.height = h;
  gif.globalPalette = {{200, 225, 250}, {150, 205, 120}, {20, 35, 20}, {245, 245, 235},
                       {10, 10, 10},    {120, 20, 30},   {90, 50, 20}, {40, 90, 30}};
  const double pi = 3.14159265358979;
  for (int f = 0; f < frames; ++f) {
    const double t = 2 * pi * f / frames;
    Canvas c(w, h, kSky);
    c.Ellipse(60, 150, 80, 14, kGrass);  // hill
    // Body and arms: one arm waves, the other swings a little.
    c.Ellipse(60, 118, 26, 24, kDark);
    c.Ellipse(60, 118, 24, 22, kSkin);
    const double wave = std::sin(t * 2) * 0.6;
    c.Line(80, 108, 80 + 22 * std::cos(-1.1 + wave), 108 + 22 * std::sin(-1.1 + wave), 3, kDark);
    c.Line(40, 110, 24, 126 + 3 * std::sin(t), 3, kDark);
    // Head, bobbing gently.
    const double hy = 58 + 2 * std::sin(t);
    c.Ellipse(24, hy, 8, 12, kDark);  // ears, outlined like the head
    c.Ellipse(96, hy, 8, 12, kDark);
    c.Ellipse(24, hy, 6, 10, kSkin);
    c.Ellipse(96, hy, 6, 10, kSkin);
    c.Ellipse(60, hy, 36, 32, kDark);
    c.Ellipse(60, hy, 34, 30, kSkin);
    // Hair: spikes that sway.
    for (int k = -3; k <= 3; ++k) {
      const double bx = 60 + k * 8, sway = 5 * std::sin(t + k);
      c.Line(bx, hy - 26, bx + sway, hy - 44 - 3 * (k % 2), 2, kHair);
    }
    // Eyes look left and right and blink every so often.
    const bool blink = (f % 16) == 15;
    const double look = 4 * std::sin(t);
    for (double ex : {46.0, 74.0}) {
      if (blink) {
        c.Line(ex - 7, hy - 6, ex + 7, hy - 6, 1.2, kDark);
      } else {
        c.Ellipse(ex, hy - 6, 10, 9, kDark);
        c.Ellipse(ex, hy - 6, 9, 8, kEyeWhite);
        c.Ellipse(ex + look, hy - 5, 3.5, 3.5, kPupil);
      }
    }
    // Big nose and a grin that opens and closes.
    c.Ellipse(60, hy + 6, 7, 9, kDark);
    const double open = 3 + 3 * (1 + std::sin(t * 3));
    c.Ellipse(60, hy + 18, 15, open, kMouth);
    c.Line(47, hy + 18, 73, hy + 18, 0.8, kDark);

    GifFrame frame;
    frame.width = w;
    frame.height = h;
    frame.indices = c.px;
    frame.delayCs = 6;
    gif.frames.push_back(std::move(frame));
  }
  return gif;
}

GifDescription Bars(int frames, int w, int h, int disposal) {
  GifDescription gif;
  gif.width = w;
  gif.height = h;
  gif.globalPalette = {{255, 255, 255}, {0, 0, 0}, {128, 128, 128}, {30, 60, 200}};
  for (int f = 0; f < frames; ++f) {
    GifFrame frame;
    frame.width = w;
    frame.height = h;
    frame.disposal = disposal;
    frame.indices.assign(static_cast<std::size_t>(w) * h, 0);
    const int barTop = (f * 7) % h;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint8_t c = 0;
        if (y >= barTop && y < barTop + h / 5) c = 1;
        if (x < w / 8) c = static_cast<std::uint8_t>(2 + (f % 2));
        frame.indices[static_cast<std::size_t>(y) * w + x] = c;
      }
    gif.frames.push_back(std::move(frame));
  }
  return gif;
}

// A 1x1 screen with a black and white colour table, then `frames` images of one pixel each,
// without control blocks, then the trailer: 15 bytes a frame.
bool WriteTiny(const std::string& out, long long frames) {
  std::FILE* file = std::fopen(out.c_str(), "wb");
  if (!file) return false;
  const unsigned char header[] = {'G',  'I', 'F', '8', '9', 'a', 1,   0,   1,  0,
                                  0x80, 0,   0,   0,   0,   0,   255, 255, 255};
  bool ok = std::fwrite(header, sizeof header, 1, file) == 1;
  for (long long f = 0; ok && f < frames; ++f) {
    // Image descriptor at (0,0), 1x1, then minimum code size 2 and one sub-block: clear, the
    // pixel's index, end.
    const unsigned char index = f % 2 == 0 ? 0x44 : 0x4C;
    const unsigned char image[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, index, 1, 0};
    ok = std::fwrite(image, sizeof image, 1, file) == 1;
  }
  ok = ok && std::fputc(0x3B, file) != EOF;
  return std::fclose(file) == 0 && ok;
}

GifDescription PastTheTable(int codeSize) {
  GifDescription gif;
  gif.width = gif.height = 8;
  for (int i = 0; i < 256; ++i) {
    const auto grey = static_cast<std::uint8_t>(i);
    gif.globalPalette.push_back({grey, grey, grey});
  }
  GifFrame halves = vorlix::testgif::SolidFrame(0, 0, 8, 8, 0);
  for (std::size_t i = 0; i < halves.indices.size(); ++i) halves.indices[i] = i % 8 < 4 ? 0 : 255;
  // Grey ramps, in codes of 10 bits.
  GifFrame wide[2] = {vorlix::testgif::SolidFrame(0, 0, 8, 8, 0),
                      vorlix::testgif::SolidFrame(0, 0, 8, 8, 0)};
  for (int k = 0; k < 2; ++k) {
    wide[k].rawCodeSize = 9;
    wide[k].rawCodes = {512};
    for (int i = 0; i < 64; ++i) wide[k].rawCodes.push_back(k == 0 ? i * 4 : 255 - i * 4);
    wide[k].rawCodes.push_back(513);
  }
  GifFrame hostile = vorlix::testgif::SolidFrame(0, 0, 8, 8, 0);
  const int clear = 1 << std::min(codeSize, 12);
  hostile.rawCodeSize = codeSize;
  hostile.rawCodes.assign(22, 255);
  hostile.rawCodes.front() = clear;
  hostile.rawCodes.insert(hostile.rawCodes.end(), {4098, 4098, clear + 1});
  GifFrame top = vorlix::testgif::SolidFrame(0, 0, 8, 8, 255);
  std::fill_n(top.indices.begin(), 32, 0);
  gif.frames = {halves, wide[0], wide[1], hostile, top};
  return gif;
}

int Usage() {
  std::fprintf(stderr,
               "usage: make_gif troll OUT | make_gif bars OUT FRAMES W H [D] | "
               "make_gif tiny OUT FRAMES | make_gif codesize OUT N\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string kind = argv[1], out = argv[2];
  if (kind == "tiny" && argc == 4) {
    if (WriteTiny(out, std::atoll(argv[3]))) return 0;
    std::fprintf(stderr, "make_gif: cannot write %s\n", out.c_str());
    return 1;
  }
  GifDescription gif;
  if (kind == "troll") {
    gif = Troll();
  } else if (kind == "bars" && (argc == 6 || argc == 7)) {
    gif = Bars(std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
               argc == 7 ? std::atoi(argv[6]) : 0);
  } else if (kind == "codesize" && argc == 4) {
    gif = PastTheTable(std::atoi(argv[3]));
  } else {
    return Usage();
  }
  if (!vorlix::testgif::WriteGif(out, gif)) {
    std::fprintf(stderr, "make_gif: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
