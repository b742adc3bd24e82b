// Draws the program icon: a rounded dark tile holding an 8x8 grid of pattern cells, the lit ones
// forming a note. The 64x64 picture is compiled into the program as XPM (and into the Windows
// program as an icon file); the installed PNGs are drawn at each size of the icon theme, cells
// and edges scaled to whole pixels.
//   make_icon xpm OUT.xpm          the 64x64 picture as XPM
//   make_icon ico OUT.ico          the 64x64 picture as a Windows icon, 32 bits per pixel
//   make_icon png SIZE OUT.png     the picture at SIZE x SIZE pixels (16 to 512)
#include <FreeImage.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kXpmSize = 64;
constexpr int kGridCells = 8;

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

// The picture at `size` pixels, one character of the palette per pixel. At 64 the tile spans
// pixels 2..61 with a one-pixel edge, and the cells are 6 pixels with gaps of 1 from pixel 5.
std::vector<std::string> Draw(int size) {
  const int edge = std::max(1, size / 64);
  const int inset = std::max(edge, size / 32);
  const int radius = size / 8;
  const int pitch = size * 7 / 64;  // one cell and its gap
  const int gap = pitch >= 2 ? std::max(1, pitch / 7) : 0;
  const int span = kGridCells * pitch - gap;
  const int gridStart = (size - span + 1) / 2;

  std::vector<std::string> rows(size, std::string(size, ' '));
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      if (InsideRounded(x, y, inset, size - 1 - inset, radius))
        rows[y][x] = '.';
      else if (InsideRounded(x, y, inset - edge, size - 1 - inset + edge, radius + edge))
        rows[y][x] = '+';
    }
  }
  for (int r = 0; r < kGridCells; ++r) {
    for (int c = 0; c < kGridCells; ++c) {
      const char key = kNote[r][c] == '#' ? 'X' : 'o';
      const int x0 = gridStart + c * pitch, y0 = gridStart + r * pitch;
      for (int y = y0; y < y0 + pitch - gap; ++y) {
        for (int x = x0; x < x0 + pitch - gap; ++x) rows[y][x] = key;
      }
    }
  }
  return rows;
}

bool WriteXpm(const char* path, const std::vector<std::string>& rows) {
  std::FILE* f = std::fopen(path, "w");
  if (!f) return false;
  std::fprintf(f, "/* XPM */\n/* The vorlix icon, written by make_icon.cpp. */\n");
  const int size = static_cast<int>(rows.size());
  std::fprintf(f, "static const char* const vorlix_xpm[] = {\n\"%d %d %zu 1\",\n", size, size,
               std::size(kPalette));
  for (const Colour& c : kPalette) {
    if (c.opaque) {
      std::fprintf(f, "\"%c c #%06X\",\n", c.key, c.rgb);
    } else {
      std::fprintf(f, "\"%c c None\",\n", c.key);
    }
  }
  for (int y = 0; y < size; ++y) {
    std::fprintf(f, "\"%s\"%s\n", rows[y].c_str(), y + 1 < size ? "," : "};");
  }
  return std::fclose(f) == 0;
}

bool WritePng(const char* path, const std::vector<std::string>& rows) {
  const int size = static_cast<int>(rows.size());
  FIBITMAP* dib = FreeImage_Allocate(size, size, 32);
  if (!dib) return false;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      for (const Colour& c : kPalette) {
        if (c.key != rows[y][x]) continue;
        RGBQUAD q{static_cast<BYTE>(c.rgb & 0xFF), static_cast<BYTE>((c.rgb >> 8) & 0xFF),
                  static_cast<BYTE>(c.rgb >> 16), static_cast<BYTE>(c.opaque ? 255 : 0)};
        FreeImage_SetPixelColor(dib, x, size - 1 - y, &q);  // rows are stored bottom-up
      }
    }
  }
  const bool ok = FreeImage_Save(FIF_PNG, dib, path, PNG_Z_BEST_COMPRESSION) != 0;
  FreeImage_Unload(dib);
  return ok;
}

// One image: the directory entry, then a bitmap of 32-bit BGRA rows from the bottom up, twice as
// high as the picture to count the 1-bit mask that follows it (1 = transparent).
bool WriteIco(const char* path, const std::vector<std::string>& rows) {
  const int size = static_cast<int>(rows.size());
  const int maskRow = (size + 31) / 32 * 4;
  const unsigned imageBytes = 40 + size * size * 4 + maskRow * size;
  std::vector<unsigned char> out;
  auto put = [&out](unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
  };
  put(0, 2), put(1, 2), put(1, 2);                        // icon file, one image
  put(size & 0xFF, 1), put(size & 0xFF, 1), put(0, 2);    // size, no palette
  put(1, 2), put(32, 2), put(imageBytes, 4), put(22, 4);  // planes, bits, bytes, offset
  put(40, 4), put(size, 4), put(2 * size, 4), put(1, 2), put(32, 2);
  for (int i = 0; i < 6; ++i) put(0, 4);  // no compression; sizes and colours unused
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      for (const Colour& c : kPalette) {
        if (c.key == rows[y][x]) put(c.rgb | (c.opaque ? 0xFF000000u : 0), 4);
      }
    }
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<unsigned char> mask(maskRow, 0);
    for (int x = 0; x < size; ++x) {
      if (rows[y][x] == ' ') mask[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }
    out.insert(out.end(), mask.begin(), mask.end());
  }
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && written;
}

int Usage() {
  std::fprintf(
      stderr,
      "usage: make_icon xpm OUT.xpm | make_icon ico OUT.ico | make_icon png SIZE OUT.png\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string kind = argc > 1 ? argv[1] : "";
  if (kind == "xpm" && argc == 3) return WriteXpm(argv[2], Draw(kXpmSize)) ? 0 : 1;
  if (kind == "ico" && argc == 3) return WriteIco(argv[2], Draw(kXpmSize)) ? 0 : 1;
  if (kind != "png" || argc != 4) return Usage();
  const int size = std::atoi(argv[2]);
  if (size < 16 || size > 512) return Usage();
  FreeImage_Initialise(FALSE);
  const bool ok = WritePng(argv[3], Draw(size));
  FreeImage_DeInitialise();
  return ok ? 0 : 1;
}
