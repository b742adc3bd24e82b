#include "convert/gif/gif_compositor.h"

#include <algorithm>
#include <vector>

#include "base/limits.h"
#include "convert/gif/gif_layout.h"
#include "convert/gif/gif_stream.h"
#include "convert/gif/raw_frame.h"

namespace vorlix {
struct GifCompositor {
  // The file stays in memory for the library's page loads, which each go over all of it.
  std::unique_ptr<FileView> bytes;
  std::unique_ptr<ViewStream> stream;
  FIMULTIBITMAP* file = nullptr;
  int frameCount = 0;
  GifLayout layout;
  RGBQUAD gifBackground{};  // the background colour the GIF names
  RGBQUAD background{};     // the colour used for it: the GIF's, or the chosen backdrop
  FIBITMAP* canvas = nullptr;
  int shown = -1;  // the frame the canvas shows, -1 before the first

  // What must happen to the canvas before the next frame is drawn.
  GifDisposal pendingDisposal = GifDisposal::Unspecified;
  Rect pendingRect;
  std::vector<RGBQUAD> saved;  // the pixels under a frame disposed by restoring them

  Rect changed;     // what changed since the last canvas returned
  Rect lastChange;  // what the last call that returned a canvas changed
  RawFrame raw;     // the frame being drawn when it is not decoded ahead
};

void GifCompositorCloser::operator()(GifCompositor* frames) const {
  if (frames == nullptr) return;
  if (frames->canvas != nullptr) FreeImage_Unload(frames->canvas);
  if (frames->file != nullptr) FreeImage_CloseMultiBitmap(frames->file);
  delete frames;
}

GifCompositorHandle OpenGifCompositor(const std::string& path, GifStatus& status) {
  PlatformStatus viewStatus = PlatformStatus::Ok;
  std::unique_ptr<FileView> bytes = FileView::Open(path, viewStatus);
  if (viewStatus == PlatformStatus::TooLarge) {
    status = GifStatus::TooLarge;
    return nullptr;
  }
  GifLayout layout;
  if (!bytes || ReadGifLayout(bytes->Data(), bytes->Size(), layout, MaxFrames) != GifStatus::Ok ||
      layout.width == 0 || layout.height == 0) {
    status = GifStatus::CannotOpen;
    return nullptr;
  }
  if (static_cast<std::uint64_t>(layout.width) * layout.height > kCanvasPixelBudget) {
    status = GifStatus::TooLarge;
    return nullptr;
  }
  // The library is shown the first MaxFrames images only, as CountGifPages shows them.
  const std::size_t cut = layout.moreImages ? layout.imagesEnd : ViewStream::kWhole;
  // Nor is it shown the blocks that no image depends on, which it would keep and go over again.
  auto stream = std::make_unique<ViewStream>(*bytes, cut, layout.idleBlocks);
  for (const GifImageLayout& image : layout.images) {
    if (!DecodedInStoredOrder(image)) continue;
    const std::uint8_t flags = bytes->Data()[image.flagsAt];
    stream->replaced.push_back({image.flagsAt, static_cast<std::uint8_t>(flags & ~0x40)});
  }
  FIMULTIBITMAP* file = OpenGifFromStream(*stream, GIF_LOAD256);
  if (file == nullptr) {
    status = GifStatus::CannotOpen;
    return nullptr;
  }
  GifCompositorHandle frames(new GifCompositor);
  frames->bytes = std::move(bytes);
  frames->stream = std::move(stream);
  frames->file = file;
  frames->frameCount = std::max(FreeImage_GetPageCount(file), 0);
  frames->layout = std::move(layout);
  const GifLayout& l = frames->layout;
  if (l.backgroundIndex < static_cast<int>(l.globalPalette.size())) {
    const GifColour& colour = l.globalPalette[l.backgroundIndex];
    frames->background.rgbRed = colour.red;
    frames->background.rgbGreen = colour.green;
    frames->background.rgbBlue = colour.blue;
  }
  frames->background.rgbReserved = 0;
  frames->gifBackground = frames->background;
  status = GifStatus::Ok;
  return frames;
}

int GifFrameCount(const GifCompositor& frames) {
  return frames.frameCount;
}

bool GifFileChanged(const GifCompositor& frames) {
  return frames.bytes->Changed();
}

std::vector<int> GifFrameDelays(const GifCompositor& frames) {
  std::vector<int> delays;
  for (const GifImageLayout& image : frames.layout.images) delays.push_back(image.delay);
  return delays;
}

namespace {

RGBQUAD* CanvasPixel(FIBITMAP* canvas, int height, int x, int y) {
  return reinterpret_cast<RGBQUAD*>(FreeImage_GetScanLine(canvas, height - 1 - y)) + x;
}

void FillRect(GifCompositor& frames, const Rect& rect, RGBQUAD colour) {
  frames.changed = Union(frames.changed, rect);
  for (int y = rect.top; y < rect.bottom; ++y) {
    std::fill_n(CanvasPixel(frames.canvas, frames.layout.height, rect.left, y),
                rect.right - rect.left, colour);
  }
}

void CopyRect(GifCompositor& frames, const Rect& rect, bool toCanvas) {
  const int width = rect.right - rect.left;
  RGBQUAD* saved = frames.saved.data();
  if (toCanvas) frames.changed = Union(frames.changed, rect);
  for (int y = rect.top; y < rect.bottom; ++y, saved += width) {
    RGBQUAD* row = CanvasPixel(frames.canvas, frames.layout.height, rect.left, y);
    if (toCanvas) {
      std::copy_n(saved, width, row);
    } else {
      std::copy_n(row, width, saved);
    }
  }
}

void ResetCanvas(GifCompositor& frames) {
  FillRect(frames, Rect{0, 0, frames.layout.width, frames.layout.height}, frames.background);
  frames.shown = -1;
  frames.pendingDisposal = GifDisposal::Unspecified;
}

void ApplyPendingDisposal(GifCompositor& frames) {
  if (frames.pendingDisposal == GifDisposal::Background) {
    FillRect(frames, frames.pendingRect, frames.background);
  } else if (frames.pendingDisposal == GifDisposal::Previous) {
    CopyRect(frames, frames.pendingRect, true);
  }
  frames.pendingDisposal = GifDisposal::Unspecified;
}

// Draws one decoded raw frame at its place on the canvas, clipped to the canvas.
void DrawFrame(GifCompositor& frames, const IndexRows& rows, const Rect& clipped, int left,
               int top) {
  for (int y = clipped.top; y < clipped.bottom; ++y) {
    const BYTE* source = rows.top + (y - top) * rows.stride;
    RGBQUAD* target = CanvasPixel(frames.canvas, frames.layout.height, clipped.left, y);
    for (int x = clipped.left; x < clipped.right; ++x, ++target) {
      const int index = source[x - left];
      if (index == rows.transparent) continue;
      if (static_cast<unsigned>(index) < rows.colours) {
        *target = rows.palette[index];
      } else {
        *target = RGBQUAD{};
      }
      target->rgbReserved = 255;
    }
  }
}

// Draws frame j, decoded into `raw` (nothing drawable: nothing to draw), onto the canvas and
// notes how it is disposed of.
void DrawNext(GifCompositor& frames, int j, const RawFrame& raw) {
  ApplyPendingDisposal(frames);
  frames.shown = j;
  if (!raw.Drawable()) return;
  const GifImageLayout& layout = frames.layout.images[j];
  const Rect clipped{std::min(layout.left, frames.layout.width),
                     std::min(layout.top, frames.layout.height),
                     std::min(layout.left + layout.width, frames.layout.width),
                     std::min(layout.top + layout.height, frames.layout.height)};
  if (clipped.Empty()) return;
  const GifDisposal disposal = layout.disposal;
  if (disposal == GifDisposal::Previous) {
    frames.saved.resize(clipped.Area());
    CopyRect(frames, clipped, false);
  }
  frames.changed = Union(frames.changed, clipped);
  DrawFrame(frames, RowsOf(raw, layout.hasControlExtension), clipped, layout.left, layout.top);
  if (disposal == GifDisposal::Background || disposal == GifDisposal::Previous) {
    frames.pendingDisposal = disposal;
    frames.pendingRect = clipped;
  }
}

// Decodes frame j through the compositor's own handle and draws it.
void ComposeNext(GifCompositor& frames, int j) {
  // Released also when drawing throws (no memory for the saved pixels).
  struct Release {
    RawFrame& raw;
    ~Release() { raw.Release(); }
  } release{frames.raw};
  DecodeRawFrame(frames.bytes->Data(), frames.bytes->Size(), frames.layout, frames.file, j,
                 frames.raw);
  DrawNext(frames, j, frames.raw);
}

}  // namespace

struct GifFrameReader {
  explicit GifFrameReader(const GifCompositor& f) : frames(&f), stream(*f.stream) {}
  const GifCompositor* frames;
  ViewStream stream;  // its own read position in the shared bytes
  FIMULTIBITMAP* file = nullptr;
  int index = -1;  // the raw frame decoded last
  RawFrame raw;    // that frame
};

void GifFrameReaderCloser::operator()(GifFrameReader* reader) const {
  if (reader == nullptr) return;
  reader->raw.Release();
  if (reader->file != nullptr) FreeImage_CloseMultiBitmap(reader->file);
  delete reader;
}

GifFrameReaderHandle OpenGifFrameReader(const GifCompositor& frames) {
  GifFrameReaderHandle reader(new GifFrameReader(frames));
  reader->file = OpenGifFromStream(reader->stream, GIF_LOAD256);
  if (reader->file == nullptr || FreeImage_GetPageCount(reader->file) != frames.frameCount) {
    return nullptr;
  }
  return reader;
}

void DecodeGifFrame(GifFrameReader& reader, int j) {
  reader.raw.Release();
  reader.index = -1;
  if (j < 0 || j >= reader.frames->frameCount) return;
  const GifCompositor& frames = *reader.frames;
  DecodeRawFrame(frames.bytes->Data(), frames.bytes->Size(), frames.layout, reader.file, j,
                 reader.raw);
  reader.index = j;
}

namespace {

// Composes up to frame j; frame j comes from `decoded` when it holds it and follows the canvas.
ComposedFrame ComposeUpTo(GifCompositor& frames, int j, const GifFrameReader* decoded) {
  if (j < 0 || j >= frames.frameCount) return {GifStatus::NoFrame};
  if (frames.canvas == nullptr) {
    frames.canvas = FreeImage_Allocate(frames.layout.width, frames.layout.height, 32);
    if (frames.canvas == nullptr) return {GifStatus::TooLarge};
    ResetCanvas(frames);
  }
  // Going back means starting over.
  if (j < frames.shown) ResetCanvas(frames);
  while (frames.shown < j - 1) ComposeNext(frames, frames.shown + 1);
  if (frames.shown == j - 1) {
    if (decoded != nullptr && decoded->frames == &frames && decoded->index == j) {
      DrawNext(frames, j, decoded->raw);
    } else {
      ComposeNext(frames, j);
    }
  }
  frames.lastChange = frames.changed;
  frames.changed = Rect{};
  return {GifStatus::Ok, frames.canvas};
}

}  // namespace

Rect LastCanvasChange(const GifCompositor& frames) {
  return frames.lastChange;
}

ComposedFrame ComposeFrame(GifCompositor& frames, int j) {
  return ComposeUpTo(frames, j, nullptr);
}

ComposedFrame ComposeFrame(GifCompositor& frames, int j, const GifFrameReader& decoded) {
  return ComposeUpTo(frames, j, &decoded);
}

void SetBackdrop(GifCompositor& frames, Backdrop backdrop) {
  switch (backdrop) {
    case Backdrop::Background:
      frames.background = frames.gifBackground;
      break;
    case Backdrop::Light:
      frames.background = RGBQUAD{255, 255, 255, 0};
      break;
    case Backdrop::Dark:
      frames.background = RGBQUAD{0, 0, 0, 0};
      break;
  }
  if (frames.canvas != nullptr) ResetCanvas(frames);
}

}  // namespace vorlix
