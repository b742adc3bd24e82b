#include "preview/preview_image.h"

#include <FreeImage.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "convert/gif/image_library.h"
#include "convert/numbered_name.h"
#include "platform/new_file.h"

namespace vorlix {
namespace {

unsigned ReadProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  return static_cast<unsigned>(std::fread(buffer, size, count, static_cast<std::FILE*>(handle)));
}
unsigned WriteProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  return static_cast<unsigned>(std::fwrite(buffer, size, count, static_cast<std::FILE*>(handle)));
}
int SeekProc(fi_handle handle, long offset, int origin) {
  return std::fseek(static_cast<std::FILE*>(handle), offset, origin);
}
long TellProc(fi_handle handle) {
  return std::ftell(static_cast<std::FILE*>(handle));
}

FreeImageIO FileIo() {
  return FreeImageIO{ReadProc, WriteProc, SeekProc, TellProc};
}

// An 8-bit bitmap of the image with the preview palette; scan line 0 is the bottom row.
Bitmap ToBitmap(const PreviewImage& image) {
  Bitmap dib(FreeImage_Allocate(image.width, image.height, 8));
  if (!dib) return dib;
  RGBQUAD* palette = FreeImage_GetPalette(dib.get());
  for (int i = 0; i < kPreviewShadeCount; ++i) {
    palette[i].rgbRed = kPreviewPalette[i].r;
    palette[i].rgbGreen = kPreviewPalette[i].g;
    palette[i].rgbBlue = kPreviewPalette[i].b;
  }
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(FreeImage_GetScanLine(dib.get(), image.height - 1 - y),
                &image.pixels[static_cast<std::size_t>(y) * image.width], image.width);
  }
  return dib;
}

bool SetFrameTime(FIBITMAP* dib, int ms) {
  FITAG* tag = FreeImage_CreateTag();
  if (tag == nullptr) return false;
  DWORD value = static_cast<DWORD>(ms < 0 ? 0 : ms);
  const bool ok = FreeImage_SetTagKey(tag, "FrameTime") && FreeImage_SetTagType(tag, FIDT_LONG) &&
                  FreeImage_SetTagCount(tag, 1) && FreeImage_SetTagLength(tag, 4) &&
                  FreeImage_SetTagValue(tag, &value) &&
                  FreeImage_SetMetadata(FIMD_ANIMATION, dib, "FrameTime", tag);
  FreeImage_DeleteTag(tag);
  return ok;
}

// Lets `write` fill a temporary beside the file and gives it exactly that name only when whole,
// never replacing a file (as modules are written); nothing is left when anything failed.
bool WriteNewFile(const std::string& path, const std::function<bool(std::FILE*)>& write) {
  const TemporaryFile temp = CreateTemporaryFor(path);
  if (temp.file == nullptr) return false;
  bool ok = write(temp.file);
  ok = FinishFile(temp.file) && ok;
  if (!ok) {
    DiscardTemporary(temp.path);
    return false;
  }
  // No other name is tried: the caller says which file it wrote.
  return !CommitTemporary(temp.path, path, [] { return std::string(); }).empty();
}

// A GIF of no frames, which the library opens as a multi-page bitmap to append frames to.
constexpr BYTE kEmptyGif[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B};

// Appends the frames to an in-memory multi-page GIF and writes it to the file.
bool WriteGifFrames(std::FILE* file, int count, const std::function<PreviewImage(int)>& frame,
                    const std::function<int(int)>& frameMs) {
  FIMEMORY* source = FreeImage_OpenMemory(const_cast<BYTE*>(kEmptyGif), sizeof kEmptyGif);
  FIMULTIBITMAP* gif = source ? FreeImage_LoadMultiBitmapFromMemory(FIF_GIF, source, 0) : nullptr;
  bool ok = gif != nullptr && count > 0;
  int width = -1, height = -1;
  for (int j = 0; ok && j < count; ++j) {
    const PreviewImage image = frame(j);
    if (j == 0) width = image.width, height = image.height;
    const Bitmap dib = image.width == width && image.height == height ? ToBitmap(image) : nullptr;
    ok = dib && SetFrameTime(dib.get(), frameMs(j));
    if (ok) FreeImage_AppendPage(gif, dib.get());
    ok = ok && FreeImage_GetPageCount(gif) == j + 1;
  }
  FreeImageIO io = FileIo();
  ok = ok && FreeImage_SaveMultiBitmapToHandle(FIF_GIF, gif, &io, file, 0);
  if (gif != nullptr) FreeImage_CloseMultiBitmap(gif, 0);
  if (source != nullptr) FreeImage_CloseMemory(source);
  return ok;
}

}  // namespace

PreviewFileKind PreviewKindOf(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  const std::size_t slash = name.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return PreviewFileKind::Unknown;
  }
  std::string ext = name.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".png") return PreviewFileKind::Png;
  if (ext == ".gif") return PreviewFileKind::Gif;
  return PreviewFileKind::Unknown;
}

std::string ResolvePreviewName(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  const std::size_t slash = name.find_last_of('/');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string base = hasExtension ? name.substr(0, dot) : name;
  const std::string ext = hasExtension ? name.substr(dot) : std::string();
  return FirstFreeNumberedName(base, ext);
}

bool WritePreviewPng(const std::string& path, const PreviewImage& image) {
  const ImageLibrary library;
  const Bitmap dib = ToBitmap(image);
  if (!dib) return false;
  return WriteNewFile(path, [&](std::FILE* file) {
    FreeImageIO io = FileIo();
    return FreeImage_SaveToHandle(FIF_PNG, dib.get(), &io, file, PNG_DEFAULT) == TRUE;
  });
}

bool WritePreviewGif(const std::string& path, int count,
                     const std::function<PreviewImage(int j)>& frame,
                     const std::function<int(int j)>& frameMs) {
  const ImageLibrary library;
  return WriteNewFile(path,
                      [&](std::FILE* file) { return WriteGifFrames(file, count, frame, frameMs); });
}

}  // namespace vorlix
