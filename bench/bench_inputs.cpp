// bench_inputs DIR: writes the benchmark's three GIFs into DIR, the same bytes on every run.
//   sprites.gif   240 frames of 320x240 as an optimiser writes them: the first frame whole, each
//                 later one only the box that changed, unchanged pixels transparent
//   video.gif     240 whole frames of 640x480
//   terminal.gif  800 frames of 640x420, mostly dark, small changing boxes (a terminal session)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/gif_writer.h"

namespace {

using vorlix::testgif::GifDescription;
using vorlix::testgif::GifFrame;
using vorlix::testgif::Rgb;

// A small deterministic generator, so the files never depend on the standard library's.
struct Random {
  std::uint32_t state;
  std::uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
};

struct Picture {
  int w, h;
  std::vector<std::uint8_t> px;
  Picture(int width, int height, std::uint8_t fill)
      : w(width), h(height), px(width * height, fill) {}
  std::uint8_t& At(int x, int y) { return px[static_cast<std::size_t>(y) * w + x]; }
};

// The part of `now` inside the box where it differs from `before`, as a frame; pixels equal in
// both become `transparent` (or stay as they are when it is -1). An unchanged picture gives a
// 1x1 frame.
GifFrame ChangedBox(const Picture& before, const Picture& now, int transparent) {
  int left = now.w, top = now.h, right = -1, bottom = -1;
  for (int y = 0; y < now.h; ++y) {
    for (int x = 0; x < now.w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * now.w + x;
      if (before.px[i] != now.px[i]) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  if (right < 0) left = top = right = bottom = 0;
  GifFrame f;
  f.left = left;
  f.top = top;
  f.width = right - left + 1;
  f.height = bottom - top + 1;
  f.disposal = 1;
  f.transparentIndex = transparent;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * now.w + x;
      const bool same = before.px[i] == now.px[i];
      f.indices.push_back(same && transparent >= 0 ? static_cast<std::uint8_t>(transparent)
                                                   : now.px[i]);
    }
  }
  return f;
}

GifFrame WholeFrame(const Picture& p) {
  GifFrame f;
  f.width = p.w;
  f.height = p.h;
  f.disposal = 1;
  f.indices = p.px;
  return f;
}

// 255 colours of rising brightness with a little hue, and entry 255 kept for transparency.
std::vector<Rgb> RampPalette() {
  std::vector<Rgb> palette(256);
  for (int i = 0; i < 256; ++i) {
    palette[i] =
        Rgb{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>((i * 7) % 256 / 2 + i / 2),
            static_cast<std::uint8_t>(255 - i)};
  }
  return palette;
}

GifDescription Sprites() {
  constexpr int kW = 320, kH = 240, kFrames = 240, kTransparent = 255;
  GifDescription gif;
  gif.width = kW;
  gif.height = kH;
  gif.globalPalette = RampPalette();
  struct Ball {
    double x, y, dx, dy, r;
    std::uint8_t colour;
  };
  std::vector<Ball> balls = {{40, 50, 2.5, 1.5, 22, 20},
                             {200, 120, -1.8, 2.2, 30, 240},
                             {120, 180, 3.1, -1.2, 16, 90},
                             {280, 40, -2.2, -2.6, 26, 170}};
  Picture previous(kW, kH, 0);
  for (int j = 0; j < kFrames; ++j) {
    Picture p(kW, kH, 0);
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x)
        p.At(x, y) = static_cast<std::uint8_t>(((x / 10) * 9 + (y / 8) * 13) % 250);
    }
    for (Ball& b : balls) {
      for (int y = std::max(0, int(b.y - b.r)); y < std::min(kH, int(b.y + b.r) + 1); ++y) {
        for (int x = std::max(0, int(b.x - b.r)); x < std::min(kW, int(b.x + b.r) + 1); ++x) {
          const double d = std::hypot(x - b.x, y - b.y);
          if (d <= b.r) p.At(x, y) = static_cast<std::uint8_t>(b.colour + (d < b.r / 2 ? 4 : 0));
        }
      }
      b.x += b.dx;
      b.y += b.dy;
      if (b.x < b.r || b.x > kW - b.r) b.dx = -b.dx;
      if (b.y < b.r || b.y > kH - b.r) b.dy = -b.dy;
    }
    gif.frames.push_back(j == 0 ? WholeFrame(p) : ChangedBox(previous, p, kTransparent));
    previous = std::move(p);
  }
  return gif;
}

GifDescription Video() {
  constexpr int kW = 640, kH = 480, kFrames = 240;
  GifDescription gif;
  gif.width = kW;
  gif.height = kH;
  gif.globalPalette = RampPalette();
  std::vector<double> wave(4096);
  for (std::size_t i = 0; i < wave.size(); ++i) wave[i] = std::sin(i * 2 * M_PI / wave.size());
  auto sine = [&](double a) {
    const long i = std::lround(a * wave.size() / (2 * M_PI));
    return wave[static_cast<std::size_t>(((i % 4096) + 4096) % 4096)];
  };
  for (int j = 0; j < kFrames; ++j) {
    Picture p(kW, kH, 0);
    const double t = j * 0.08;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        const double v = sine(x * 0.021 + t) + sine(y * 0.017 - t * 1.3) +
                         sine((x + y) * 0.011 + t * 0.7) +
                         sine(std::hypot(x - 320, y - 240) * 0.03 - t);
        // Quantised to 64 levels, as a palette reduced video usually is.
        p.At(x, y) = static_cast<std::uint8_t>(std::clamp(int((v + 4) * 8), 0, 63) * 4);
      }
    }
    gif.frames.push_back(WholeFrame(p));
  }
  return gif;
}

GifDescription Terminal() {
  constexpr int kW = 640, kH = 420, kFrames = 800;
  constexpr int kCellW = 8, kCellH = 14, kCols = kW / kCellW, kRows = kH / kCellH;
  GifDescription gif;
  gif.width = kW;
  gif.height = kH;
  gif.globalPalette = {{0, 0, 0}, {200, 200, 200}, {90, 220, 90}, {240, 240, 240}, {30, 30, 30}};
  Random random{12345};
  Picture screen(kW, kH, 0);
  // A glyph is a pseudo-random pattern of lit pixels inside the cell, never on its border.
  auto drawGlyph = [&](Picture& p, int col, int row, std::uint8_t colour, std::uint32_t salt) {
    Random g{salt * 2654435761u + 1};
    for (int y = 2; y < kCellH - 2; ++y) {
      for (int x = 1; x < kCellW - 1; ++x) {
        p.At(col * kCellW + x, row * kCellH + y) = g.Below(3) == 0 ? colour : 0;
      }
    }
  };
  for (int row = 0; row < kRows / 2; ++row) {
    const int length = random.Below(kCols);
    for (int col = 0; col < length; ++col) drawGlyph(screen, col, row, 1, random.Next());
  }
  gif.frames.push_back(WholeFrame(screen));
  int cursorRow = kRows / 2, cursorCol = 0;
  for (int j = 1; j < kFrames; ++j) {
    Picture next = screen;
    if (j % 50 == 0) {
      // A command's output: a whole line of text at once.
      for (int col = 0; col < kCols; ++col)
        drawGlyph(next, col, random.Below(kRows), 2, random.Next());
    } else {
      drawGlyph(next, cursorCol, cursorRow, 3, random.Next());
      if (++cursorCol == kCols) {
        cursorCol = 0;
        cursorRow = (cursorRow + 1) % kRows;
      }
    }
    // Half of the frames mark unchanged pixels transparent (index 4, never drawn), the others
    // repeat them.
    gif.frames.push_back(ChangedBox(screen, next, j % 2 ? 4 : -1));
    screen = std::move(next);
  }
  return gif;
}

bool Write(const std::string& dir, const char* name, const GifDescription& gif) {
  const std::string path = dir + "/" + name;
  if (!vorlix::testgif::WriteGif(path, gif)) {
    std::fprintf(stderr, "bench_inputs: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_inputs DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const bool ok = Write(dir, "sprites.gif", Sprites()) && Write(dir, "video.gif", Video()) &&
                  Write(dir, "terminal.gif", Terminal());
  return ok ? 0 : 1;
}
