#include "tests/support/literal_path.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdint>

#include <vector>

#include "convert/xm/frame_grid.h"

namespace vorlix::literal {
namespace {

constexpr int kFrameLimit = 240;

bool PutByte(std::FILE* out, std::uint8_t byte) {
  return std::fwrite(&byte, 1, 1, out) == 1;
}

template <typename Bytes>
bool PutBytes(std::FILE* out, const Bytes& bytes) {
  for (std::uint8_t b : bytes) {
    if (!PutByte(out, b)) return false;
  }
  return true;
}

// Marks of one frame: each pixel of the one-bit picture read with its own library call.
void ReadMarks(FIBITMAP* page, const ConversionSettings& s, FrameGrid& grid) {
  std::fill(grid.cells.begin(), grid.cells.end(), FrameCell{});
  FIBITMAP* stretched = FreeImage_Rescale(page, s.Width, s.Height, FILTER_BICUBIC);
  FIBITMAP* bits = stretched ? FreeImage_Threshold(stretched, s.Threshold) : nullptr;
  if (bits) {
    for (int k = 0; k < grid.rows; ++k) {
      for (int n = 0; n < grid.channels; ++n) {
        for (int m = 0; m < 4; ++m) {
          BYTE index = 0;
          FreeImage_GetPixelIndex(bits, 4 * n + m, s.Height - 1 - k, &index);
          grid.cells[k * grid.channels + n].m[m] = s.InverseColors ? index : 1 - index;
        }
      }
    }
  }
  if (s.BreakPatterns) {
    const int row = std::min(s.Height / 2, 63);
    grid.cells[row * grid.channels + grid.channels - 1] = FrameCell{{0, 0, 0, 1}};
  }
  if (bits) FreeImage_Unload(bits);
  if (stretched) FreeImage_Unload(stretched);
}

// The module header, byte by byte from a hex dump of the format.
std::vector<std::uint8_t> HeaderBytes(const ConversionSettings& s, int frames) {
  std::vector<std::uint8_t> h;
  for (char c : std::string("Extended Module: vorlix")) h.push_back(static_cast<std::uint8_t>(c));
  h.resize(37, 0);
  h.push_back(0x1A);
  for (char c : std::string("FastTracker v2.00   ")) h.push_back(static_cast<std::uint8_t>(c));
  const std::uint8_t fields[] = {0x04,
                                 0x01,
                                 0x14,
                                 0x01,
                                 0x00,
                                 0x00,  // version, header size
                                 static_cast<std::uint8_t>(frames),
                                 0,
                                 0,
                                 0,  // song length, restart
                                 static_cast<std::uint8_t>(s.Width / 4),
                                 0,  // channels
                                 static_cast<std::uint8_t>(frames),
                                 0,
                                 1,
                                 0,
                                 1,
                                 0,  // patterns, instruments, flags
                                 static_cast<std::uint8_t>(s.Speed),
                                 0,
                                 static_cast<std::uint8_t>(s.Tempo),
                                 0};
  h.insert(h.end(), fields, fields + sizeof fields);
  for (int i = 0; i < 256; ++i) h.push_back(i < 240 ? static_cast<std::uint8_t>(i) : 0);
  return h;
}

// The packed cells of one frame, each cell looked up in the table of the sixteen mark cases.
std::vector<std::uint8_t> CellBytes(const FrameGrid& grid, const ConversionSettings& s) {
  const auto& f = s.FillBytes;
  const int breakRow = std::min(s.Height / 2, 63);
  std::vector<std::uint8_t> out;
  for (int i = 0; i < grid.rows * grid.channels; ++i) {
    if (s.BreakPatterns && i == breakRow * grid.channels + grid.channels - 1) {
      out.insert(out.end(),
                 {0x98, 0x0D, static_cast<std::uint8_t>(breakRow / 10 * 16 + breakRow % 10)});
      continue;
    }
    const std::int32_t* m = grid.cells[i].m;
    if (m[0] && m[1] && m[2] && m[3]) {
      out.insert(out.end(), f.begin(), f.end());
      continue;
    }
    out.push_back(
        static_cast<std::uint8_t>(0x80 | m[0] | m[1] << 1 | m[2] << 2 | m[3] << 3 | m[3] << 4));
    for (int c = 0; c < 3; ++c) {
      if (m[c]) out.push_back(f[c]);
    }
    if (m[3]) out.insert(out.end(), {f[3], f[4]});
  }
  return out;
}

// The silent instrument: a 263-byte header and a 40-byte sample header, mostly zeros.
std::vector<std::uint8_t> InstrumentBytes() {
  std::vector<std::uint8_t> b(303, 0);
  b[0] = 0x07, b[1] = 0x01;  // header size 263
  b[27] = 1;                 // one sample
  b[29] = 40;                // sample header size
  b[240] = 0x01;             // fadeout 256
  b[275] = 0x40;             // volume
  b[278] = 0x80;             // panning
  return b;
}

}  // namespace

bool ConvertGif(const std::string& gifPath, ConversionSettings settings, std::FILE* out) {
  FIMULTIBITMAP* gif =
      FreeImage_OpenMultiBitmap(FIF_GIF, gifPath.c_str(), FALSE, TRUE, FALSE, GIF_PLAYBACK);
  if (!gif) return false;
  const int frames = std::min(FreeImage_GetPageCount(gif), kFrameLimit);
  bool ok = frames > 0;
  ok = ok && PutBytes(out, HeaderBytes(settings, frames));
  FrameGrid grid = MakeFrameGrid(settings);
  for (int j = 0; j < frames && ok; ++j) {
    FIBITMAP* page = FreeImage_LockPage(gif, j);
    ReadMarks(page, settings, grid);
    if (page) FreeImage_UnlockPage(gif, page, FALSE);
    const std::vector<std::uint8_t> packed = CellBytes(grid, settings);
    const std::size_t n = packed.size();
    const std::uint8_t header[9] = {9,
                                    0,
                                    0,
                                    0,
                                    0,
                                    static_cast<std::uint8_t>(settings.Height),
                                    0,
                                    static_cast<std::uint8_t>(n & 0xFF),
                                    static_cast<std::uint8_t>(n >> 8)};
    ok = PutBytes(out, header) && PutBytes(out, packed);
  }
  ok = ok && PutBytes(out, InstrumentBytes());
  FreeImage_CloseMultiBitmap(gif, GIF_PLAYBACK);
  return ok;
}

bool ConvertGifToFile(const std::string& gifPath, const ConversionSettings& settings,
                      const std::string& outputPath) {
  std::FILE* out = std::fopen(outputPath.c_str(), "wb");
  if (!out) return false;
  const bool converted = ConvertGif(gifPath, settings, out);
  const bool closed = std::fclose(out) == 0;
  return converted && closed;
}

}  // namespace vorlix::literal
