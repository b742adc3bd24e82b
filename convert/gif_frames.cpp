#include "convert/gif_frames.h"

#include <algorithm>
#include <array>
#include <vector>

#include "convert/file_view.h"

namespace vorlix {
namespace {

constexpr std::uint8_t kImageDescriptor = 0x2C;
constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kGraphicControl = 0xF9;

constexpr int kDisposalNone = 1;
constexpr int kDisposalBackground = 2;
constexpr int kDisposalPrevious = 3;

// What the file itself says about one image, read without decoding its pixels.
struct FrameLayout {
  bool complete = false;  // the whole descriptor could be read
  int left = 0, top = 0, width = 0, height = 0;
  bool hasControlExtension = false;
  int disposal = 0;  // without a control extension: left in place, and no transparency
};

struct GifLayout {
  int width = 0, height = 0;
  int backgroundIndex = 0;
  std::vector<RGBQUAD> globalPalette;
  std::vector<FrameLayout> frames;
};

// Bounds-checked reading of the file's bytes, as a file stream reads: skipping past the end is
// allowed, but every read past the end fails, and after a failure everything fails.
class ByteReader {
 public:
  explicit ByteReader(const FileView& file) : data_(file.Data()), size_(file.Size()) {}
  bool Byte(std::uint8_t& value) {
    if (failed_ || position_ >= size_) {
      failed_ = true;
      return false;
    }
    value = data_[position_++];
    return true;
  }
  bool Word(int& value) {
    std::uint8_t lo = 0, hi = 0;
    if (!Byte(lo) || !Byte(hi)) return false;
    value = lo | (hi << 8);
    return true;
  }
  bool Skip(std::int64_t count) {
    if (failed_ || (count < 0 && static_cast<std::uint64_t>(-count) > position_)) {
      failed_ = true;
      return false;
    }
    position_ += count;
    return true;
  }
  // Skips a chain of data sub-blocks up to and including the zero-length terminator.
  bool SkipSubBlocks() {
    std::uint8_t size = 0;
    while (Byte(size)) {
      if (size == 0) return true;
      if (!Skip(size)) return false;
    }
    return false;
  }

 private:
  const std::uint8_t* data_;
  std::uint64_t size_;
  std::uint64_t position_ = 0;
  bool failed_ = false;
};

// Reads the logical screen descriptor, the global colour table and every image descriptor,
// noting which images follow a graphic control extension. Blocks are walked the same way the
// image library walks them (an unknown block or the end of the data ends the walk), so both
// see the same images. Returns false when the file is not a GIF.
bool ReadLayout(const FileView& file, GifLayout& layout) {
  ByteReader in(file);
  std::array<std::uint8_t, 6> signature{};
  for (std::uint8_t& b : signature) {
    if (!in.Byte(b)) return false;
  }
  const bool isGif = signature[0] == 'G' && signature[1] == 'I' && signature[2] == 'F' &&
                     signature[3] == '8' && (signature[4] == '7' || signature[4] == '9') &&
                     signature[5] == 'a';
  if (!isGif) return false;
  std::uint8_t packed = 0, background = 0, aspect = 0;
  if (!in.Word(layout.width) || !in.Word(layout.height) || !in.Byte(packed) ||
      !in.Byte(background) || !in.Byte(aspect)) {
    return false;
  }
  layout.backgroundIndex = background;
  if (packed & 0x80) {
    const int size = 2 << (packed & 7);
    for (int i = 0; i < size; ++i) {
      std::uint8_t r = 0, g = 0, b = 0;
      if (!in.Byte(r) || !in.Byte(g) || !in.Byte(b)) return false;
      RGBQUAD colour{};
      colour.rgbRed = r;
      colour.rgbGreen = g;
      colour.rgbBlue = b;
      layout.globalPalette.push_back(colour);
    }
  }

  bool pendingControl = false;
  int pendingDisposal = 0;
  std::uint8_t block = 0;
  while (in.Byte(block)) {
    if (block == kImageDescriptor) {
      FrameLayout frame;
      frame.hasControlExtension = pendingControl;
      frame.disposal = pendingControl ? pendingDisposal : kDisposalNone;
      pendingControl = false;
      std::uint8_t imagePacked = 0;
      frame.complete = in.Word(frame.left) && in.Word(frame.top) && in.Word(frame.width) &&
                       in.Word(frame.height) && in.Byte(imagePacked);
      layout.frames.push_back(frame);
      if (!frame.complete) break;
      if (imagePacked & 0x80) in.Skip(3 * (2 << (imagePacked & 7)));
      std::uint8_t minCodeSize = 0;
      if (!in.Byte(minCodeSize) || !in.SkipSubBlocks()) break;
    } else if (block == kExtension) {
      std::uint8_t label = 0;
      if (!in.Byte(label)) break;
      if (label == kGraphicControl) {
        std::uint8_t size = 0, controlPacked = 0;
        if (!in.Byte(size) || !in.Byte(controlPacked)) break;
        pendingControl = true;
        pendingDisposal = (controlPacked >> 2) & 7;
        // Back to just after the first size byte, then past that sub-block and the rest.
        if (!in.Skip(-1)) break;
        if (size == 0) continue;
        if (!in.Skip(size) || !in.SkipSubBlocks()) break;
      } else if (!in.SkipSubBlocks()) {
        break;
      }
    } else {
      break;  // trailer or an unknown block
    }
  }
  return true;
}

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  bool Empty() const { return right <= left || bottom <= top; }
  std::size_t Area() const {
    return Empty() ? 0 : static_cast<std::size_t>(right - left) * (bottom - top);
  }
};

bool ReadWordTag(FIBITMAP* dib, const char* key, int& value) {
  FITAG* tag = nullptr;
  if (!FreeImage_GetMetadata(FIMD_ANIMATION, dib, key, &tag) || tag == nullptr) return false;
  if (FreeImage_GetTagType(tag) != FIDT_SHORT || FreeImage_GetTagCount(tag) != 1) return false;
  value = *static_cast<const WORD*>(FreeImage_GetTagValue(tag));
  return true;
}

}  // namespace

struct GifFrames {
  // The file stays in memory for the library's page loads, which each go over all of it.
  std::unique_ptr<FileView> bytes;
  std::unique_ptr<ViewStream> stream;
  FIMULTIBITMAP* file = nullptr;
  int frameCount = 0;
  GifLayout layout;
  RGBQUAD background{};
  FIBITMAP* canvas = nullptr;
  int shown = -1;  // the frame the canvas shows, -1 before the first

  // What must happen to the canvas before the next frame is drawn.
  int pendingDisposal = 0;
  Rect pendingRect;
  std::vector<RGBQUAD> saved;  // the pixels under a frame disposed by restoring them
};

void GifFramesCloser::operator()(GifFrames* frames) const {
  if (frames == nullptr) return;
  if (frames->canvas != nullptr) FreeImage_Unload(frames->canvas);
  if (frames->file != nullptr) FreeImage_CloseMultiBitmap(frames->file);
  delete frames;
}

GifFramesHandle OpenGifFrames(const std::string& path, GifFramesStatus& status) {
  FileViewStatus viewStatus = FileViewStatus::Ok;
  std::unique_ptr<FileView> bytes = FileView::Open(path, viewStatus);
  if (viewStatus == FileViewStatus::TooLarge) {
    status = GifFramesStatus::TooLarge;
    return nullptr;
  }
  GifLayout layout;
  if (!bytes || !ReadLayout(*bytes, layout) || layout.width == 0 || layout.height == 0) {
    status = GifFramesStatus::CannotOpen;
    return nullptr;
  }
  if (static_cast<std::uint64_t>(layout.width) * layout.height > kCanvasPixelBudget) {
    status = GifFramesStatus::TooLarge;
    return nullptr;
  }
  auto stream = std::make_unique<ViewStream>(*bytes);
  FIMULTIBITMAP* file = OpenGifFromStream(*stream, GIF_LOAD256);
  if (file == nullptr) {
    status = GifFramesStatus::CannotOpen;
    return nullptr;
  }
  GifFramesHandle frames(new GifFrames);
  frames->bytes = std::move(bytes);
  frames->stream = std::move(stream);
  frames->file = file;
  frames->frameCount = std::max(FreeImage_GetPageCount(file), 0);
  frames->layout = std::move(layout);
  const GifLayout& l = frames->layout;
  if (l.backgroundIndex < static_cast<int>(l.globalPalette.size())) {
    frames->background = l.globalPalette[l.backgroundIndex];
  }
  frames->background.rgbReserved = 0;
  status = GifFramesStatus::Ok;
  return frames;
}

int GifFrameCount(const GifFrames& frames) {
  return frames.frameCount;
}

namespace {

RGBQUAD* CanvasPixel(FIBITMAP* canvas, int height, int x, int y) {
  return reinterpret_cast<RGBQUAD*>(FreeImage_GetScanLine(canvas, height - 1 - y)) + x;
}

void FillRect(GifFrames& frames, const Rect& rect, RGBQUAD colour) {
  for (int y = rect.top; y < rect.bottom; ++y) {
    std::fill_n(CanvasPixel(frames.canvas, frames.layout.height, rect.left, y),
                rect.right - rect.left, colour);
  }
}

void CopyRect(GifFrames& frames, const Rect& rect, bool toCanvas) {
  const int width = rect.right - rect.left;
  RGBQUAD* saved = frames.saved.data();
  for (int y = rect.top; y < rect.bottom; ++y, saved += width) {
    RGBQUAD* row = CanvasPixel(frames.canvas, frames.layout.height, rect.left, y);
    if (toCanvas) {
      std::copy_n(saved, width, row);
    } else {
      std::copy_n(row, width, saved);
    }
  }
}

void ResetCanvas(GifFrames& frames) {
  FillRect(frames, Rect{0, 0, frames.layout.width, frames.layout.height}, frames.background);
  frames.shown = -1;
  frames.pendingDisposal = 0;
}

void ApplyPendingDisposal(GifFrames& frames) {
  if (frames.pendingDisposal == kDisposalBackground) {
    FillRect(frames, frames.pendingRect, frames.background);
  } else if (frames.pendingDisposal == kDisposalPrevious) {
    CopyRect(frames, frames.pendingRect, true);
  }
  frames.pendingDisposal = 0;
}

// Draws one decoded raw frame at its place on the canvas, clipped to the canvas.
void DrawFrame(GifFrames& frames, FIBITMAP* page, const Rect& clipped, int left, int top,
               bool mayBeTransparent) {
  const int pageHeight = static_cast<int>(FreeImage_GetHeight(page));
  const RGBQUAD* palette = FreeImage_GetPalette(page);
  const unsigned colours = FreeImage_GetColorsUsed(page);

  // The first index whose transparency entry is 0 is the transparent one.
  int transparent = -1;
  if (mayBeTransparent && FreeImage_IsTransparent(page)) {
    const BYTE* table = FreeImage_GetTransparencyTable(page);
    const int count = FreeImage_GetTransparencyCount(page);
    for (int i = 0; table != nullptr && i < count; ++i) {
      if (table[i] == 0) {
        transparent = i;
        break;
      }
    }
  }

  for (int y = clipped.top; y < clipped.bottom; ++y) {
    const BYTE* source = FreeImage_GetScanLine(page, pageHeight - 1 - (y - top));
    RGBQUAD* target = CanvasPixel(frames.canvas, frames.layout.height, clipped.left, y);
    for (int x = clipped.left; x < clipped.right; ++x, ++target) {
      const int index = source[x - left];
      if (index == transparent) continue;
      if (static_cast<unsigned>(index) < colours) {
        *target = palette[index];
      } else {
        *target = RGBQUAD{};
      }
      target->rgbReserved = 255;
    }
  }
}

// Decodes raw frame j. nullptr when its descriptor is incomplete or above the budget, when it
// cannot be decoded, or when the decoded data disagree with its descriptor: such a frame leaves
// the canvas as it is. A page returned is unlocked from `file` by the caller.
FIBITMAP* DecodeRawFrame(FIMULTIBITMAP* file, const GifLayout& gif, int j) {
  if (j >= static_cast<int>(gif.frames.size())) return nullptr;
  const FrameLayout& layout = gif.frames[j];
  if (!layout.complete) return nullptr;
  if (static_cast<std::uint64_t>(layout.width) * layout.height > kCanvasPixelBudget) return nullptr;

  FIBITMAP* page = FreeImage_LockPage(file, j);
  if (page == nullptr) return nullptr;
  int left = -1, top = -1;
  const bool agrees = FreeImage_GetBPP(page) == 8 && FreeImage_GetPalette(page) != nullptr &&
                      static_cast<int>(FreeImage_GetWidth(page)) == layout.width &&
                      static_cast<int>(FreeImage_GetHeight(page)) == layout.height &&
                      ReadWordTag(page, "FrameLeft", left) && left == layout.left &&
                      ReadWordTag(page, "FrameTop", top) && top == layout.top;
  if (agrees) return page;
  FreeImage_UnlockPage(file, page, FALSE);
  return nullptr;
}

// Draws frame j, decoded as `page` (nullptr: nothing to draw), onto the canvas and notes how it
// is disposed of.
void DrawNext(GifFrames& frames, int j, FIBITMAP* page) {
  ApplyPendingDisposal(frames);
  frames.shown = j;
  if (page == nullptr) return;
  const FrameLayout& layout = frames.layout.frames[j];
  const Rect clipped{std::min(layout.left, frames.layout.width),
                     std::min(layout.top, frames.layout.height),
                     std::min(layout.left + layout.width, frames.layout.width),
                     std::min(layout.top + layout.height, frames.layout.height)};
  if (clipped.Empty()) return;
  const int disposal = layout.disposal;
  if (disposal == kDisposalPrevious) {
    frames.saved.resize(clipped.Area());
    CopyRect(frames, clipped, false);
  }
  DrawFrame(frames, page, clipped, layout.left, layout.top, layout.hasControlExtension);
  if (disposal == kDisposalBackground || disposal == kDisposalPrevious) {
    frames.pendingDisposal = disposal;
    frames.pendingRect = clipped;
  }
}

// Decodes frame j through the compositor's own handle and draws it.
void ComposeNext(GifFrames& frames, int j) {
  FIBITMAP* page = DecodeRawFrame(frames.file, frames.layout, j);
  // Unlocked also when drawing throws (no memory for the saved pixels).
  struct Unlock {
    FIMULTIBITMAP* file;
    FIBITMAP* page;
    ~Unlock() {
      if (page != nullptr) FreeImage_UnlockPage(file, page, FALSE);
    }
  } unlocker{frames.file, page};
  DrawNext(frames, j, page);
}

}  // namespace

struct GifFrameReader {
  explicit GifFrameReader(const GifFrames& f) : frames(&f), stream(*f.bytes) {}
  const GifFrames* frames;
  ViewStream stream;  // its own read position in the shared bytes
  FIMULTIBITMAP* file = nullptr;
  int index = -1;            // the raw frame decoded last
  FIBITMAP* page = nullptr;  // that frame, nullptr when it is not to be drawn
};

void GifFrameReaderCloser::operator()(GifFrameReader* reader) const {
  if (reader == nullptr) return;
  if (reader->page != nullptr) FreeImage_UnlockPage(reader->file, reader->page, FALSE);
  if (reader->file != nullptr) FreeImage_CloseMultiBitmap(reader->file);
  delete reader;
}

GifFrameReaderHandle OpenGifFrameReader(const GifFrames& frames) {
  GifFrameReaderHandle reader(new GifFrameReader(frames));
  reader->file = OpenGifFromStream(reader->stream, GIF_LOAD256);
  if (reader->file == nullptr || FreeImage_GetPageCount(reader->file) != frames.frameCount) {
    return nullptr;
  }
  return reader;
}

void DecodeGifFrame(GifFrameReader& reader, int j) {
  if (reader.page != nullptr) FreeImage_UnlockPage(reader.file, reader.page, FALSE);
  reader.page = nullptr;
  reader.index = -1;
  if (j < 0 || j >= reader.frames->frameCount) return;
  reader.page = DecodeRawFrame(reader.file, reader.frames->layout, j);
  reader.index = j;
}

namespace {

// Composes up to frame j; frame j comes from `decoded` when it holds it and follows the canvas.
FIBITMAP* ComposeUpTo(GifFrames& frames, int j, const GifFrameReader* decoded) {
  if (j < 0 || j >= frames.frameCount) return nullptr;
  if (frames.canvas == nullptr) {
    frames.canvas = FreeImage_Allocate(frames.layout.width, frames.layout.height, 32);
    if (frames.canvas == nullptr) return nullptr;
    ResetCanvas(frames);
  }
  // Going back means starting over.
  if (j < frames.shown) ResetCanvas(frames);
  while (frames.shown < j - 1) ComposeNext(frames, frames.shown + 1);
  if (frames.shown == j - 1) {
    if (decoded != nullptr && decoded->frames == &frames && decoded->index == j) {
      DrawNext(frames, j, decoded->page);
    } else {
      ComposeNext(frames, j);
    }
  }
  return frames.canvas;
}

}  // namespace

FIBITMAP* ComposeFrame(GifFrames& frames, int j) {
  return ComposeUpTo(frames, j, nullptr);
}

FIBITMAP* ComposeFrame(GifFrames& frames, int j, const GifFrameReader& decoded) {
  return ComposeUpTo(frames, j, &decoded);
}

}  // namespace vorlix
