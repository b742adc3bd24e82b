// Checks a build of the image library: formats keep the numbers the header gives them, and a GIF
// decodes, stretches, thresholds, dithers and encodes to PNG and BMP to the same bytes. The same
// source is built against the Linux library too; both print the same lines when they agree.
//
//   freeimage-check GIF
#include <FreeImage.h>

#include <cstdint>
#include <cstdio>
#include <iterator>

namespace {

struct Format {
  FREE_IMAGE_FORMAT id;
  const char* name;
};

constexpr Format kFormats[] = {
    {FIF_BMP, "BMP"},       {FIF_ICO, "ICO"},     {FIF_JPEG, "JPEG"}, {FIF_JNG, "JNG"},
    {FIF_KOALA, "KOALA"},   {FIF_IFF, "IFF"},     {FIF_MNG, "MNG"},   {FIF_PBM, "PBM"},
    {FIF_PBMRAW, "PBMRAW"}, {FIF_PCD, "PCD"},     {FIF_PCX, "PCX"},   {FIF_PGM, "PGM"},
    {FIF_PGMRAW, "PGMRAW"}, {FIF_PNG, "PNG"},     {FIF_PPM, "PPM"},   {FIF_PPMRAW, "PPMRAW"},
    {FIF_RAS, "RAS"},       {FIF_TARGA, "TARGA"}, {FIF_TIFF, "TIFF"}, {FIF_WBMP, "WBMP"},
    {FIF_PSD, "PSD"},       {FIF_CUT, "CUT"},     {FIF_XBM, "XBM"},   {FIF_XPM, "XPM"},
    {FIF_DDS, "DDS"},       {FIF_GIF, "GIF"},     {FIF_HDR, "HDR"},   {FIF_FAXG3, "G3"},
    {FIF_SGI, "SGI"},       {FIF_EXR, "EXR"},     {FIF_J2K, "J2K"},   {FIF_JP2, "JP2"},
    {FIF_PFM, "PFM"},       {FIF_PICT, "PICT"},   {FIF_RAW, "RAW"},   {FIF_WEBP, "WebP"},
    {FIF_JXR, "JPEG-XR"},
};

uint32_t Fnv(const uint8_t* bytes, size_t size, uint32_t hash = 2166136261u) {
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

uint32_t PixelHash(FIBITMAP* dib) {
  uint32_t hash = 2166136261u;
  const unsigned bytes = (FreeImage_GetWidth(dib) * FreeImage_GetBPP(dib) + 7) / 8;
  for (unsigned y = 0; y < FreeImage_GetHeight(dib); ++y) {
    hash = Fnv(FreeImage_GetScanLine(dib, static_cast<int>(y)), bytes, hash);
  }
  return hash;
}

// The encoded bytes of an image in the given format, as a size and a hash.
void PrintEncoded(FIBITMAP* dib, FREE_IMAGE_FORMAT format, const char* name) {
  FIMEMORY* memory = FreeImage_OpenMemory();
  BYTE* data = nullptr;
  DWORD size = 0;
  if (FreeImage_SaveToMemory(format, dib, memory, 0) &&
      FreeImage_AcquireMemory(memory, &data, &size)) {
    std::printf("%s: %lu bytes, hash %08x\n", name, static_cast<unsigned long>(size),
                Fnv(data, size));
  } else {
    std::printf("%s: not written\n", name);
  }
  FreeImage_CloseMemory(memory);
}

bool CheckFormats() {
  bool ok = FreeImage_GetFIFCount() == static_cast<int>(std::size(kFormats));
  for (const Format& format : kFormats) {
    if (FreeImage_GetFIFFromFormat(format.name) != format.id) {
      std::printf("format %s is not number %d\n", format.name, format.id);
      ok = false;
    }
  }
  std::printf("FIF_GIF: %d\n", FreeImage_GetFIFFromFormat("GIF"));
  std::printf("formats: %d, %s\n", FreeImage_GetFIFCount(), ok ? "numbered as declared" : "WRONG");
  std::printf("by name: a.gif %d, b.PNG %d, c.bmp %d, d.jpg %d\n",
              FreeImage_GetFIFFromFilename("a.gif"), FreeImage_GetFIFFromFilename("b.PNG"),
              FreeImage_GetFIFFromFilename("c.bmp"), FreeImage_GetFIFFromFilename("d.jpg"));
  return ok;
}

// Each frame stretched (bicubic), thresholded and dithered, as the conversion does.
void PrintFrame(FIBITMAP* page, int index) {
  FIBITMAP* stretched = FreeImage_Rescale(page, 67, 41, FILTER_BICUBIC);
  FIBITMAP* grey = FreeImage_ConvertToGreyscale(stretched);
  FIBITMAP* threshold = FreeImage_Threshold(grey, 128);
  FIBITMAP* dithered = FreeImage_Dither(grey, FID_FS);
  std::printf("frame %d: %ux%u %u bpp, pixels %08x, stretched %08x, threshold %08x, dither %08x\n",
              index, FreeImage_GetWidth(page), FreeImage_GetHeight(page), FreeImage_GetBPP(page),
              PixelHash(page), PixelHash(stretched), PixelHash(threshold), PixelHash(dithered));
  if (index == 0) {
    PrintEncoded(page, FIF_PNG, "PNG");
    PrintEncoded(page, FIF_BMP, "BMP");
  }
  FreeImage_Unload(dithered);
  FreeImage_Unload(threshold);
  FreeImage_Unload(grey);
  FreeImage_Unload(stretched);
}

bool CheckGif(const char* path) {
  FIMULTIBITMAP* gif = FreeImage_OpenMultiBitmap(FIF_GIF, path, FALSE, TRUE, FALSE, GIF_PLAYBACK);
  if (gif == nullptr) {
    std::printf("cannot open %s as a GIF\n", path);
    return false;
  }
  const int pages = FreeImage_GetPageCount(gif);
  std::printf("GIF: %d frames\n", pages);
  for (int index = 0; index < pages; ++index) {
    FIBITMAP* page = FreeImage_LockPage(gif, index);
    if (page == nullptr) {
      std::printf("frame %d: cannot lock\n", index);
      FreeImage_CloseMultiBitmap(gif);
      return false;
    }
    PrintFrame(page, index);
    FreeImage_UnlockPage(gif, page, FALSE);
  }
  FreeImage_CloseMultiBitmap(gif);
  return pages > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: freeimage-check GIF\n");
    return 2;
  }
  // Only the built-in plugins: no plugin files loaded from beside the program.
  FreeImage_Initialise(TRUE);
  const bool ok = CheckFormats() && CheckGif(argv[1]);
  FreeImage_DeInitialise();
  std::printf("%s\n", ok ? "check passed" : "check FAILED");
  return ok ? 0 : 1;
}
