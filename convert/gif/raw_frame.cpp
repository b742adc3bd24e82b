#include "convert/gif/raw_frame.h"

#include <algorithm>

#include "convert/gif/gif_compositor.h"

namespace vorlix {
namespace {

bool ReadWordTag(FIBITMAP* dib, const char* key, int& value) {
  FITAG* tag = nullptr;
  if (!FreeImage_GetMetadata(FIMD_ANIMATION, dib, key, &tag) || tag == nullptr) return false;
  if (FreeImage_GetTagType(tag) != FIDT_SHORT || FreeImage_GetTagCount(tag) != 1) return false;
  value = *static_cast<const WORD*>(FreeImage_GetTagValue(tag));
  return true;
}

// Stored order is rows 0, 1 of height 2 and rows 0, 2, 1(, 3) of heights 3 and 4: rows 1 and 2
// trade places. Scan lines run from the bottom row up.
void PutRowsInPlace(FIBITMAP* page, int height) {
  if (height < 3) return;
  BYTE* first = FreeImage_GetScanLine(page, height - 2);
  BYTE* second = FreeImage_GetScanLine(page, height - 3);
  std::swap_ranges(first, first + FreeImage_GetLine(page), second);
}

// The library's string table holds 4096 entries. From code size 12 on, its clear code is 4096
// and its first free code 4098, which it looks up past the table's end: such images, and those
// whose code size cannot be read, are never handed to it.
bool LibraryDecodesSafely(const std::uint8_t* data, std::size_t size, const GifImageLayout& image) {
  return image.dataAt != 0 && image.dataAt < size && data[image.dataAt] < 12;
}

}  // namespace

bool DecodedInStoredOrder(const GifImageLayout& image) {
  return image.interlaced && image.height >= 2 && image.height <= 4;
}

IndexRows RowsOf(const RawFrame& raw, bool mayBeTransparent) {
  if (raw.own) {
    return {raw.pixels.indices.data(), raw.pixels.width, raw.pixels.palette.data(),
            static_cast<unsigned>(raw.pixels.palette.size()),
            mayBeTransparent ? raw.pixels.transparent : -1};
  }
  FIBITMAP* page = raw.page;
  IndexRows rows{FreeImage_GetScanLine(page, FreeImage_GetHeight(page) - 1),
                 -static_cast<std::ptrdiff_t>(FreeImage_GetPitch(page)), FreeImage_GetPalette(page),
                 FreeImage_GetColorsUsed(page), -1};
  // The first index whose transparency entry is 0 is the transparent one.
  if (mayBeTransparent && FreeImage_IsTransparent(page)) {
    const BYTE* table = FreeImage_GetTransparencyTable(page);
    const int count = FreeImage_GetTransparencyCount(page);
    for (int i = 0; table != nullptr && i < count; ++i) {
      if (table[i] == 0) {
        rows.transparent = i;
        break;
      }
    }
  }
  return rows;
}

void DecodeRawFrame(const std::uint8_t* data, std::size_t size, const GifLayout& gif,
                    FIMULTIBITMAP* file, int j, RawFrame& raw) {
  raw.Release();
  if (j >= static_cast<int>(gif.images.size())) return;
  const GifImageLayout& layout = gif.images[j];
  if (!layout.complete) return;
  if (static_cast<std::uint64_t>(layout.width) * layout.height > kCanvasPixelBudget) return;
  raw.own = DecodeGifImage(data, size, gif, j, raw.pixels, raw.scratch);
  if (raw.own || !LibraryDecodesSafely(data, size, layout)) return;

  FIBITMAP* page = FreeImage_LockPage(file, j);
  if (page == nullptr) return;
  int left = -1, top = -1;
  const bool agrees = FreeImage_GetBPP(page) == 8 && FreeImage_GetPalette(page) != nullptr &&
                      static_cast<int>(FreeImage_GetWidth(page)) == layout.width &&
                      static_cast<int>(FreeImage_GetHeight(page)) == layout.height &&
                      ReadWordTag(page, "FrameLeft", left) && left == layout.left &&
                      ReadWordTag(page, "FrameTop", top) && top == layout.top;
  if (agrees && DecodedInStoredOrder(layout)) PutRowsInPlace(page, layout.height);
  if (agrees) {
    raw.file = file;
    raw.page = page;
  } else {
    FreeImage_UnlockPage(file, page, FALSE);
  }
}

}  // namespace vorlix
