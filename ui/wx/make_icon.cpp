// Draws the program icon, 64x64: a rounded dark tile holding an 8x8 grid of pattern cells, the
// lit ones forming a note. Writes it as XPM (compiled into the program) and as PNG (installed).
//   make_icon OUT.xpm OUT.png
#include <FreeImage.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 64;
constexpr int kCell = 6, kGap = 1, kGridStart = 5;

const char* const kNote[8] = {
    "....####",  //
    "....#..#",  //
    "....#...",  //
    "....#...",  //
    "....#...",  //
    "..###...",  //
    ".####...",  //
    "..##....",  //
};

struct Colour {
  char key;
  unsigned rgb;  // 0xRRGGBB
  bool opaque;
};
const Colour kPalette[] = {
    {' ', 0x000000, false},  // outside the tile
    {'.', 0x1B2233, true},   // tile
    {'+', 0x4A5F8C, true},   // tile edge
    {'o', 0x2E3D5C, true},   // empty cell
    {'X', 0x8CF08C, true},   // lit cell
};

bool InsideRounded(int x, int y, int from, int to, int radius) {
  if (x < from || y < from || x > to || y > to) return false;
  const int cx = x < from + radius ? from + radius : (x > to - radius ? to - radius : x);
  const int cy = y < from + radius ? from + radius : (y > to - radius ? to - radius : y);
  const int dx = x - cx, dy = y - cy;
  return dx * dx + dy * dy <= radius * radius;
}

std::vector<std::string> Draw() {
  std::vector<std::string> rows(kSize, std::string(kSize, ' '));
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (InsideRounded(x, y, 2, 61, 8))
        rows[y][x] = '.';
      else if (InsideRounded(x, y, 1, 62, 9))
        rows[y][x] = '+';
    }
  }
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) {
      const char key = kNote[r][c] == '#' ? 'X' : 'o';
      const int x0 = kGridStart + c * (kCell + kGap), y0 = kGridStart + r * (kCell + kGap);
      for (int y = y0; y < y0 + kCell; ++y) {
        for (int x = x0; x < x0 + kCell; ++x) rows[y][x] = key;
      }
    }
  }
  return rows;
}

bool WriteXpm(const char* path, const std::vector<std::string>& rows) {
  std::FILE* f = std::fopen(path, "w");
  if (!f) return false;
  std::fprintf(f, "/* XPM */\n/* The vorlix icon, written by make_icon.cpp. */\n");
  std::fprintf(f, "static const char* const vorlix_xpm[] = {\n\"%d %d %zu 1\",\n", kSize, kSize,
               std::size(kPalette));
  for (const Colour& c : kPalette) {
    if (c.opaque) {
      std::fprintf(f, "\"%c c #%06X\",\n", c.key, c.rgb);
    } else {
      std::fprintf(f, "\"%c c None\",\n", c.key);
    }
  }
  for (int y = 0; y < kSize; ++y) {
    std::fprintf(f, "\"%s\"%s\n", rows[y].c_str(), y + 1 < kSize ? "," : "};");
  }
  return std::fclose(f) == 0;
}

bool WritePng(const char* path, const std::vector<std::string>& rows) {
  FIBITMAP* dib = FreeImage_Allocate(kSize, kSize, 32);
  if (!dib) return false;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      for (const Colour& c : kPalette) {
        if (c.key != rows[y][x]) continue;
        RGBQUAD q{static_cast<BYTE>(c.rgb & 0xFF), static_cast<BYTE>((c.rgb >> 8) & 0xFF),
                  static_cast<BYTE>(c.rgb >> 16), static_cast<BYTE>(c.opaque ? 255 : 0)};
        FreeImage_SetPixelColor(dib, x, kSize - 1 - y, &q);  // rows are stored bottom-up
      }
    }
  }
  const bool ok = FreeImage_Save(FIF_PNG, dib, path, PNG_Z_BEST_COMPRESSION) != 0;
  FreeImage_Unload(dib);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icon OUT.xpm OUT.png\n");
    return 2;
  }
  const std::vector<std::string> rows = Draw();
  FreeImage_Initialise(FALSE);
  const bool ok = WriteXpm(argv[1], rows) && WritePng(argv[2], rows);
  FreeImage_DeInitialise();
  return ok ? 0 : 1;
}
