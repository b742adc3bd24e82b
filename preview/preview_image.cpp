#include "preview/preview_image.h"

#include <FreeImage.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "base/rect.h"
#include "convert/gif/image_library.h"
#include "convert/numbered_name.h"
#include "platform/new_file.h"

namespace vorlix {
namespace {

// Where the bytes of a preview go: the temporary file of a new file, or memory, written at `at`.
struct ImageOut {
  std::FILE* file = nullptr;
  std::vector<std::uint8_t>* bytes = nullptr;
  std::size_t at = 0;

  bool Write(const void* data, std::size_t size) {
    if (file != nullptr) return std::fwrite(data, 1, size, file) == size;
    if (bytes->size() < at + size) bytes->resize(at + size);
    std::memcpy(bytes->data() + at, data, size);
    at += size;
    return true;
  }
};

unsigned ReadProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  ImageOut& out = *static_cast<ImageOut*>(handle);
  if (out.file != nullptr) return static_cast<unsigned>(std::fread(buffer, size, count, out.file));
  const std::size_t left = out.at < out.bytes->size() ? out.bytes->size() - out.at : 0;
  const std::size_t whole = size == 0 ? 0 : std::min<std::size_t>(count, left / size);
  std::memcpy(buffer, out.bytes->data() + out.at, whole * size);
  out.at += whole * size;
  return static_cast<unsigned>(whole);
}
unsigned WriteProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  ImageOut& out = *static_cast<ImageOut*>(handle);
  if (out.file != nullptr) return static_cast<unsigned>(std::fwrite(buffer, size, count, out.file));
  out.Write(buffer, static_cast<std::size_t>(size) * count);
  return count;
}
int SeekProc(fi_handle handle, long offset, int origin) {
  ImageOut& out = *static_cast<ImageOut*>(handle);
  if (out.file != nullptr) return std::fseek(out.file, offset, origin);
  const long base = origin == SEEK_SET   ? 0
                    : origin == SEEK_CUR ? static_cast<long>(out.at)
                                         : static_cast<long>(out.bytes->size());
  if (base + offset < 0) return -1;
  out.at = static_cast<std::size_t>(base + offset);
  return 0;
}
long TellProc(fi_handle handle) {
  const ImageOut& out = *static_cast<const ImageOut*>(handle);
  return out.file != nullptr ? std::ftell(out.file) : static_cast<long>(out.at);
}

FreeImageIO ImageIo() {
  return FreeImageIO{ReadProc, WriteProc, SeekProc, TellProc};
}

// The image's colours: its own, or the preview palette.
int ShadeCount(const PreviewImage& image) {
  return image.palette.empty() ? kPreviewShadeCount : static_cast<int>(image.palette.size());
}
PreviewRgb Shade(const PreviewImage& image, int i) {
  return image.palette.empty() ? kPreviewPalette[i] : image.palette[i];
}

// An 8-bit bitmap of the image with the preview palette; scan line 0 is the bottom row.
Bitmap ToBitmap(const PreviewImage& image) {
  Bitmap dib(FreeImage_Allocate(image.width, image.height, 8));
  if (!dib) return dib;
  RGBQUAD* palette = FreeImage_GetPalette(dib.get());
  for (int i = 0; i < ShadeCount(image); ++i) {
    palette[i].rgbRed = Shade(image, i).r;
    palette[i].rgbGreen = Shade(image, i).g;
    palette[i].rgbBlue = Shade(image, i).b;
  }
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(FreeImage_GetScanLine(dib.get(), image.height - 1 - y),
                &image.pixels[static_cast<std::size_t>(y) * image.width], image.width);
  }
  return dib;
}

// Sets one animation tag of the GIF writer on the bitmap.
bool SetAnimationTag(FIBITMAP* dib, const char* key, FREE_IMAGE_MDTYPE type, DWORD count,
                     DWORD length, const void* value) {
  FITAG* tag = FreeImage_CreateTag();
  if (tag == nullptr) return false;
  const bool ok = FreeImage_SetTagKey(tag, key) && FreeImage_SetTagType(tag, type) &&
                  FreeImage_SetTagCount(tag, count) && FreeImage_SetTagLength(tag, length) &&
                  FreeImage_SetTagValue(tag, value) &&
                  FreeImage_SetMetadata(FIMD_ANIMATION, dib, key, tag);
  FreeImage_DeleteTag(tag);
  return ok;
}

bool SetFrameTime(FIBITMAP* dib, int ms) {
  const DWORD value = static_cast<DWORD>(ms < 0 ? 0 : ms);
  return SetAnimationTag(dib, "FrameTime", FIDT_LONG, 1, 4, &value);
}

// Lets `write` fill a temporary beside the file and gives it exactly that name only when whole,
// never replacing a file (as modules are written); nothing is left when anything failed. With
// `bytes` set, `write` fills them instead and no file is made.
bool WriteNewFile(const std::string& path, std::vector<std::uint8_t>* bytes,
                  const std::function<bool(ImageOut&)>& write) {
  if (bytes != nullptr) {
    bytes->clear();
    ImageOut out{nullptr, bytes};
    if (write(out)) return true;
    bytes->clear();
    return false;
  }
  const TemporaryFile temp = CreateTemporaryFor(path);
  if (temp.status != PlatformStatus::Ok) return false;
  ImageOut out{temp.file};
  bool ok = write(out);
  ok = FinishFile(temp.file) == PlatformStatus::Ok && ok;
  if (!ok) {
    DiscardTemporary(temp.path);
    return false;
  }
  // No other name is tried: the caller says which file it wrote.
  return CommitTemporary(temp.path, path, [] { return std::string(); }).status ==
         PlatformStatus::Ok;
}

// A GIF of no frames, which the library opens as a multi-page bitmap to append frames to.
constexpr BYTE kEmptyGif[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B};

// Palette index of the pixels that keep what the frame before showed, transparent: the one
// after the image's colours.
BYTE KeptIndex(const PreviewImage& image) {
  return static_cast<BYTE>(ShadeCount(image));
}
// The shared palette: the shades, the kept index, padded to a power of two (8 or 16).
int SharedPaletteSize(const PreviewImage& image) {
  return ShadeCount(image) < 8 ? 8 : 16;
}

bool RowsDiffer(const PreviewImage& a, const PreviewImage& b, int y) {
  const std::size_t at = static_cast<std::size_t>(y) * a.width;
  return std::memcmp(&a.pixels[at], &b.pixels[at], a.width) != 0;
}

// The smallest rectangle around the pixels that differ; 1x1 at the origin when none does.
Rect ChangedRect(const PreviewImage& before, const PreviewImage& now) {
  int top = 0, bottom = now.height - 1;
  while (top <= bottom && !RowsDiffer(before, now, top)) ++top;
  if (top > bottom) return Rect{0, 0, 1, 1};
  while (!RowsDiffer(before, now, bottom)) --bottom;
  int left = now.width, right = -1;
  for (int y = top; y <= bottom; ++y) {
    for (int x = 0; x < left; ++x) {
      if (before.At(x, y) != now.At(x, y)) left = x;
    }
    for (int x = now.width - 1; x > right; --x) {
      if (before.At(x, y) != now.At(x, y)) right = x;
    }
  }
  return Rect{left, top, right + 1, bottom + 1};
}

// The rectangle of `now` as a 4-bit bitmap, pixels equal to `before` (when given) transparent.
Bitmap PartBitmap(const PreviewImage& now, const PreviewImage* before, const Rect& r) {
  Bitmap dib(FreeImage_Allocate(r.Width(), r.Height(), 4));
  if (!dib) return dib;
  RGBQUAD* palette = FreeImage_GetPalette(dib.get());
  for (int i = 0; i < ShadeCount(now); ++i) {
    const PreviewRgb c = Shade(now, i);
    palette[i] = RGBQUAD{c.b, c.g, c.r, 0};
  }
  const BYTE kept = KeptIndex(now);
  BYTE alpha[16];
  std::memset(alpha, 255, sizeof alpha);
  alpha[kept] = 0;
  FreeImage_SetTransparencyTable(dib.get(), alpha, SharedPaletteSize(now));
  for (int y = 0; y < r.Height(); ++y) {
    BYTE* line = FreeImage_GetScanLine(dib.get(), r.Height() - 1 - y);
    for (int x = 0; x < r.Width(); ++x) {
      const BYTE shade = now.At(r.left + x, r.top + y);
      const BYTE v = before != nullptr && before->At(r.left + x, r.top + y) == shade ? kept : shade;
      line[x / 2] = (x % 2) ? static_cast<BYTE>(line[x / 2] | v) : static_cast<BYTE>(v << 4);
    }
  }
  return dib;
}

// Frame j as only what changed since the frame before, drawn over it: the changed rectangle,
// unchanged pixels transparent, the frame not disposed of, colours from the one shared palette.
Bitmap ChangesBitmap(const PreviewImage& now, const PreviewImage* before) {
  const Rect r = before != nullptr ? ChangedRect(*before, now) : Rect{0, 0, now.width, now.height};
  Bitmap dib = PartBitmap(now, before, r);
  if (!dib) return dib;
  const WORD left = static_cast<WORD>(r.left), top = static_cast<WORD>(r.top);
  const BYTE keep = 1, noLocalPalette = 1;
  bool ok = SetAnimationTag(dib.get(), "FrameLeft", FIDT_SHORT, 1, 2, &left) &&
            SetAnimationTag(dib.get(), "FrameTop", FIDT_SHORT, 1, 2, &top) &&
            SetAnimationTag(dib.get(), "DisposalMethod", FIDT_BYTE, 1, 1, &keep) &&
            SetAnimationTag(dib.get(), "NoLocalPalette", FIDT_BYTE, 1, 1, &noLocalPalette);
  if (before == nullptr) {
    const int size = SharedPaletteSize(now);
    RGBQUAD shared[16] = {};
    std::memcpy(shared, FreeImage_GetPalette(dib.get()), size * sizeof(RGBQUAD));
    ok = ok && SetAnimationTag(dib.get(), "GlobalPalette", FIDT_PALETTE, size,
                               size * sizeof(RGBQUAD), shared);
  }
  return ok ? std::move(dib) : Bitmap();
}

// Appends the frames to an in-memory multi-page GIF and writes it to the file.
bool WriteWholeFrames(ImageOut& file, int count, const std::function<PreviewImage(int)>& frame,
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
  FreeImageIO io = ImageIo();
  ok = ok && FreeImage_SaveMultiBitmapToHandle(FIF_GIF, gif, &io, &file, 0);
  if (gif != nullptr) FreeImage_CloseMultiBitmap(gif, 0);
  if (source != nullptr) FreeImage_CloseMemory(source);
  return ok;
}

// Skips the data sub-blocks at `at`, up to and with their terminator; false past the end.
bool SkipSubBlocks(const BYTE* data, std::size_t size, std::size_t& at) {
  while (at < size && data[at] != 0) at += data[at] + 1u;
  return at++ < size;
}

// In a GIF of one frame as the library writes it, the part that is the frame itself: from its
// first block after the header and global palette that is not an application or comment
// extension, to the trailer. False when the data is no such GIF.
bool FramePart(const BYTE* data, std::size_t size, std::size_t& begin, std::size_t& end) {
  if (size < 13) return false;
  std::size_t at = 13 + ((data[10] & 0x80) ? 3u << ((data[10] & 7) + 1) : 0u);
  begin = 0;
  while (at < size && data[at] != 0x3B) {
    const bool extension = data[at] == 0x21 && at + 1 < size;
    if (!extension && data[at] != 0x2C) return false;
    if (begin == 0 && !(extension && (data[at + 1] == 0xFF || data[at + 1] == 0xFE))) begin = at;
    if (extension) {
      at += 2;
    } else {
      if (at + 10 > size) return false;
      at += 11 + ((data[at + 9] & 0x80) ? 3u << ((data[at + 9] & 7) + 1) : 0u);  // + code size
    }
    if (!SkipSubBlocks(data, size, at)) return false;
  }
  end = at;
  return at < size && begin != 0;
}

// Writes the bitmap as the frame of a GIF: the whole GIF but its trailer for the first frame,
// only the frame's own blocks for the others. The library writes each frame once, into memory.
bool AppendFrame(ImageOut& file, FIBITMAP* dib, bool first) {
  FIMEMORY* memory = FreeImage_OpenMemory();
  BYTE* data = nullptr;
  DWORD size = 0;
  std::size_t begin = 0, end = 0;
  bool ok = memory != nullptr && FreeImage_SaveToMemory(FIF_GIF, dib, memory, 0) &&
            FreeImage_AcquireMemory(memory, &data, &size) && FramePart(data, size, begin, end);
  if (ok && first) begin = 0;
  ok = ok && file.Write(data + begin, end - begin);
  if (memory != nullptr) FreeImage_CloseMemory(memory);
  return ok;
}

// Writes the frames as changes over the frame before, each as soon as it is drawn.
bool WriteChangedFrames(ImageOut& file, int count, const std::function<PreviewImage(int)>& frame,
                        const std::function<int(int)>& frameMs,
                        const std::function<void(int)>& appended) {
  bool ok = count > 0;
  PreviewImage before;
  for (int j = 0; ok && j < count; ++j) {
    PreviewImage image = frame(j);
    if (j > 0 && (image.width != before.width || image.height != before.height)) return false;
    const Bitmap dib = ChangesBitmap(image, j > 0 ? &before : nullptr);
    ok = dib && SetFrameTime(dib.get(), frameMs(j)) && AppendFrame(file, dib.get(), j == 0);
    if (ok && appended) appended(j);
    before = std::move(image);
  }
  const std::uint8_t trailer = 0x3B;
  return ok && file.Write(&trailer, 1);
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

bool WritePreviewPng(const std::string& path, std::vector<std::uint8_t>* bytes,
                     const PreviewImage& image) {
  const ImageLibrary library;
  const Bitmap dib = ToBitmap(image);
  if (!dib) return false;
  return WriteNewFile(path, bytes, [&](ImageOut& out) {
    FreeImageIO io = ImageIo();
    return FreeImage_SaveToHandle(FIF_PNG, dib.get(), &io, &out, PNG_DEFAULT) == TRUE;
  });
}

bool WritePreviewGif(const std::string& path, std::vector<std::uint8_t>* bytes, int count,
                     const std::function<PreviewImage(int j)>& frame,
                     const std::function<int(int j)>& frameMs, const GifWriting& how) {
  const ImageLibrary library;
  return WriteNewFile(path, bytes, [&](ImageOut& out) {
    return how.storage == GifFrameStorage::Whole
               ? WriteWholeFrames(out, count, frame, frameMs)
               : WriteChangedFrames(out, count, frame, frameMs, how.appended);
  });
}

bool WritePreviewPng(const std::string& path, const PreviewImage& image) {
  return WritePreviewPng(path, nullptr, image);
}

bool WritePreviewGif(const std::string& path, int count,
                     const std::function<PreviewImage(int j)>& frame,
                     const std::function<int(int j)>& frameMs, const GifWriting& how) {
  return WritePreviewGif(path, nullptr, count, frame, frameMs, how);
}

}  // namespace vorlix
