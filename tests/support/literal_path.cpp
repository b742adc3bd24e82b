#include "tests/support/literal_path.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdint>

#include "convert/frame_grid.h"
#include "convert/pattern_encoding.h"
#include "convert/xm_layout.h"

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

}  // namespace

bool ConvertGif(const std::string& gifPath, ConversionSettings settings, std::FILE* out) {
  FIMULTIBITMAP* gif =
      FreeImage_OpenMultiBitmap(FIF_GIF, gifPath.c_str(), FALSE, TRUE, FALSE, GIF_PLAYBACK);
  if (!gif) return false;
  const int frames = std::min(FreeImage_GetPageCount(gif), kFrameLimit);
  bool ok = frames > 0;
  settings.FrameCount = frames;
  ok = ok && PutBytes(out, BuildModuleHeader(settings));
  FrameGrid grid = MakeFrameGrid(settings);
  PatternBytes packed;
  for (int j = 0; j < frames && ok; ++j) {
    FIBITMAP* page = FreeImage_LockPage(gif, j);
    ReadMarks(page, settings, grid);
    if (page) FreeImage_UnlockPage(gif, page, FALSE);
    packed.clear();
    EncodeFrame(grid, settings, packed);
    const std::size_t n = packed.size();
    const std::uint8_t header[kPatternHeaderSize] = {
        9,
        0,
        0,
        0,
        0,
        static_cast<std::uint8_t>(settings.Height & 0xFF),
        0,
        static_cast<std::uint8_t>(n & 0xFF),
        static_cast<std::uint8_t>((n >> 8) & 0xFF)};
    ok = PutBytes(out, header) && PutBytes(out, packed);
  }
  ok = ok && PutBytes(out, ConversionSettings::InstrumentBlock);
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
