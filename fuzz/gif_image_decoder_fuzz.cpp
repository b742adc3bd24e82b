// Fuzz target: the input bytes as a GIF, each of its first images decoded by vorlix's own decoder
// and, where that decoder takes the image, by the image library too. The two must agree on every
// index, every palette entry and the transparent index: the library is the decoder's oracle.
#include <FreeImage.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "convert/gif/gif_compositor.h"
#include "convert/gif/gif_image_decoder.h"
#include "convert/gif/gif_layout.h"
#include "convert/gif/image_library.h"

namespace {

constexpr std::size_t kImagesCompared = 8;

[[noreturn]] void Fail(std::size_t image, const char* what) {
  std::fprintf(stderr, "gif image decoder check failed: image %zu, %s\n", image, what);
  std::abort();
}

// The transparent index the library gives a page: the first whose table entry is 0.
int LibraryTransparent(FIBITMAP* page) {
  if (!FreeImage_IsTransparent(page)) return -1;
  const BYTE* table = FreeImage_GetTransparencyTable(page);
  const int count = static_cast<int>(FreeImage_GetTransparencyCount(page));  // at most 256
  for (int i = 0; table != nullptr && i < count; ++i) {
    if (table[i] == 0) return i;
  }
  return -1;
}

void Compare(std::size_t j, const vorlix::GifImageLayout& image, const vorlix::GifImagePixels& own,
             FIBITMAP* page) {
  if (FreeImage_GetBPP(page) != 8 || static_cast<int>(FreeImage_GetWidth(page)) != own.width ||
      static_cast<int>(FreeImage_GetHeight(page)) != own.height) {
    Fail(j, "size");
  }
  // The library fills only the first row of interlaced images 2 to 4 rows high; vorlix mends
  // that elsewhere, so their rows are not compared.
  const bool rowsComparable = !(image.interlaced && own.height >= 2 && own.height <= 4);
  for (int y = 0; rowsComparable && y < own.height; ++y) {
    const BYTE* row = FreeImage_GetScanLine(page, own.height - 1 - y);
    if (!std::equal(row, row + own.width, own.indices.begin() + std::size_t(y) * own.width)) {
      Fail(j, "indices");
    }
  }
  const RGBQUAD* palette = FreeImage_GetPalette(page);
  for (int i = 0; i < 256; ++i) {
    const RGBQUAD& a = palette[i];
    const RGBQUAD& b = own.palette[i];
    if (a.rgbRed != b.rgbRed || a.rgbGreen != b.rgbGreen || a.rgbBlue != b.rgbBlue) {
      Fail(j, "palette");
    }
  }
  if (image.hasControlExtension && LibraryTransparent(page) != own.transparent) {
    Fail(j, "transparent index");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const vorlix::ImageLibrary library;
  vorlix::GifLayout layout;
  if (vorlix::ReadGifLayout(data, size, layout, kImagesCompared) != vorlix::GifStatus::Ok) return 0;
  vorlix::GifImagePixels own;
  vorlix::GifDecodeScratch scratch;
  // Images above the canvas budget are never decoded: the compositor passes them over.
  const auto decoded = [&](std::size_t j) {
    const vorlix::GifImageLayout& image = layout.images[j];
    return std::uint64_t(image.width) * image.height <= vorlix::kCanvasPixelBudget &&
           vorlix::DecodeGifImage(data, size, layout, j, own, scratch);
  };
  bool anyTaken = false;
  for (std::size_t j = 0; j < layout.images.size(); ++j) anyTaken |= decoded(j);
  if (!anyTaken) return 0;

  FIMEMORY* memory = FreeImage_OpenMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size));
  FIMULTIBITMAP* file = FreeImage_LoadMultiBitmapFromMemory(FIF_GIF, memory, GIF_LOAD256);
  const int pages = file != nullptr ? FreeImage_GetPageCount(file) : 0;
  for (std::size_t j = 0; j < layout.images.size() && static_cast<int>(j) < pages; ++j) {
    if (!decoded(j)) continue;
    FIBITMAP* page = FreeImage_LockPage(file, static_cast<int>(j));
    if (page == nullptr) Fail(j, "the library gave no page for an image vorlix decoded");
    Compare(j, layout.images[j], own, page);
    FreeImage_UnlockPage(file, page, FALSE);
  }
  if (file != nullptr) FreeImage_CloseMultiBitmap(file);
  FreeImage_CloseMemory(memory);
  return 0;
}
