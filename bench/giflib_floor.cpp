// giflib_floor IN.gif: the least a conversion of the file has to do, in one pass: giflib reads
// and decodes every image (DGifSlurp), and each raster is drawn onto a 32-bit canvas of the
// logical screen with its colour table and transparent index. Nothing is stretched.
#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// The transparent index of image i, -1 without one.
int TransparentIndex(GifFileType* gif, int i) {
  GraphicsControlBlock block;
  if (DGifSavedExtensionToGCB(gif, i, &block) != GIF_OK) return -1;
  return block.TransparentColor;
}

void Draw(GifFileType* gif, int i, std::vector<std::uint32_t>& canvas) {
  const SavedImage& image = gif->SavedImages[i];
  const GifImageDesc& d = image.ImageDesc;
  const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
  if (map == nullptr || image.RasterBits == nullptr) return;
  const int transparent = TransparentIndex(gif, i);
  const int right = std::min(d.Left + d.Width, gif->SWidth);
  const int bottom = std::min(d.Top + d.Height, gif->SHeight);
  for (int y = d.Top; y < bottom; ++y) {
    const GifByteType* row = image.RasterBits + static_cast<std::size_t>(y - d.Top) * d.Width;
    std::uint32_t* out = canvas.data() + static_cast<std::size_t>(y) * gif->SWidth;
    for (int x = d.Left; x < right; ++x) {
      const int index = row[x - d.Left];
      if (index == transparent || index >= map->ColorCount) continue;
      const GifColorType& c = map->Colors[index];
      out[x] = 0xff000000u | (static_cast<std::uint32_t>(c.Red) << 16) |
               (static_cast<std::uint32_t>(c.Green) << 8) | c.Blue;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: giflib_floor IN.gif\n");
    return 2;
  }
  int error = 0;
  GifFileType* gif = DGifOpenFileName(argv[1], &error);
  if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
    std::fprintf(stderr, "giflib_floor: cannot read %s\n", argv[1]);
    if (gif != nullptr) DGifCloseFile(gif, &error);
    return 1;
  }
  std::vector<std::uint32_t> canvas(static_cast<std::size_t>(gif->SWidth) * gif->SHeight);
  std::uint64_t checksum = 0;
  for (int i = 0; i < gif->ImageCount; ++i) {
    Draw(gif, i, canvas);
    checksum += canvas[(static_cast<std::size_t>(i) * 7919) % canvas.size()];
  }
  const int images = gif->ImageCount;
  DGifCloseFile(gif, &error);
  return images > 0 && checksum != 1 ? 0 : 1;
}
