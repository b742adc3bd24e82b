#include "convert/gif/gif_compositor.h"

#include <algorithm>
#include <utility>
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

void GifCompositorCloser::operator()(GifCompositor* compositor) const {
  if (compositor == nullptr) return;
  if (compositor->canvas != nullptr) FreeImage_Unload(compositor->canvas);
  if (compositor->file != nullptr) FreeImage_CloseMultiBitmap(compositor->file);
  delete compositor;
}

GifCompositorHandle OpenGifCompositor(const std::string& path, GifStatus& status) {
  PlatformStatus viewStatus = PlatformStatus::Ok;
  std::unique_ptr<FileView> bytes = FileView::Open(path, viewStatus);
  return OpenGifCompositor(std::move(bytes), viewStatus, status);
}

GifCompositorHandle OpenGifCompositor(std::unique_ptr<FileView> bytes, PlatformStatus viewStatus,
                                      GifStatus& status) {
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
  GifCompositorHandle compositor(new GifCompositor);
  compositor->bytes = std::move(bytes);
  compositor->stream = std::move(stream);
  compositor->file = file;
  compositor->frameCount = std::max(FreeImage_GetPageCount(file), 0);
  compositor->layout = std::move(layout);
  const GifLayout& l = compositor->layout;
  if (l.backgroundIndex < static_cast<int>(l.globalPalette.size())) {
    const GifColour& colour = l.globalPalette[l.backgroundIndex];
    compositor->background.rgbRed = colour.red;
    compositor->background.rgbGreen = colour.green;
    compositor->background.rgbBlue = colour.blue;
  }
  compositor->background.rgbReserved = 0;
  compositor->gifBackground = compositor->background;
  status = GifStatus::Ok;
  return compositor;
}

int GifFrameCount(const GifCompositor& compositor) {
  return compositor.frameCount;
}

bool GifFileChanged(const GifCompositor& compositor) {
  return compositor.bytes->Changed();
}

std::vector<int> GifFrameDelays(const GifCompositor& compositor) {
  std::vector<int> delays;
  for (const GifImageLayout& image : compositor.layout.images) delays.push_back(image.delay);
  return delays;
}

namespace {

RGBQUAD* CanvasPixel(FIBITMAP* canvas, int height, int x, int y) {
  return reinterpret_cast<RGBQUAD*>(FreeImage_GetScanLine(canvas, height - 1 - y)) + x;
}

void FillRect(GifCompositor& compositor, const Rect& rect, RGBQUAD colour) {
  compositor.changed = Union(compositor.changed, rect);
  for (int y = rect.top; y < rect.bottom; ++y) {
    std::fill_n(CanvasPixel(compositor.canvas, compositor.layout.height, rect.left, y),
                rect.right - rect.left, colour);
  }
}

void CopyRect(GifCompositor& compositor, const Rect& rect, bool toCanvas) {
  const int width = rect.right - rect.left;
  RGBQUAD* saved = compositor.saved.data();
  if (toCanvas) compositor.changed = Union(compositor.changed, rect);
  for (int y = rect.top; y < rect.bottom; ++y, saved += width) {
    RGBQUAD* row = CanvasPixel(compositor.canvas, compositor.layout.height, rect.left, y);
    if (toCanvas) {
      std::copy_n(saved, width, row);
    } else {
      std::copy_n(row, width, saved);
    }
  }
}

void ResetCanvas(GifCompositor& compositor) {
  FillRect(compositor, Rect{0, 0, compositor.layout.width, compositor.layout.height},
           compositor.background);
  compositor.shown = -1;
  compositor.pendingDisposal = GifDisposal::Unspecified;
}

void ApplyPendingDisposal(GifCompositor& compositor) {
  if (compositor.pendingDisposal == GifDisposal::Background) {
    FillRect(compositor, compositor.pendingRect, compositor.background);
  } else if (compositor.pendingDisposal == GifDisposal::Previous) {
    CopyRect(compositor, compositor.pendingRect, true);
  }
  compositor.pendingDisposal = GifDisposal::Unspecified;
}

// Draws one decoded raw frame at its place on the canvas, clipped to the canvas.
void DrawFrame(GifCompositor& compositor, const IndexRows& rows, const Rect& clipped, int left,
               int top) {
  for (int y = clipped.top; y < clipped.bottom; ++y) {
    const BYTE* source = rows.top + (y - top) * rows.stride;
    RGBQUAD* target = CanvasPixel(compositor.canvas, compositor.layout.height, clipped.left, y);
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
void DrawNext(GifCompositor& compositor, int j, const RawFrame& raw) {
  ApplyPendingDisposal(compositor);
  compositor.shown = j;
  if (!raw.Drawable()) return;
  const GifImageLayout& layout = compositor.layout.images[j];
  const Rect clipped{std::min(layout.left, compositor.layout.width),
                     std::min(layout.top, compositor.layout.height),
                     std::min(layout.left + layout.width, compositor.layout.width),
                     std::min(layout.top + layout.height, compositor.layout.height)};
  if (clipped.Empty()) return;
  const GifDisposal disposal = layout.disposal;
  if (disposal == GifDisposal::Previous) {
    compositor.saved.resize(clipped.Area());
    CopyRect(compositor, clipped, false);
  }
  compositor.changed = Union(compositor.changed, clipped);
  DrawFrame(compositor, RowsOf(raw, layout.hasControlExtension), clipped, layout.left, layout.top);
  if (disposal == GifDisposal::Background || disposal == GifDisposal::Previous) {
    compositor.pendingDisposal = disposal;
    compositor.pendingRect = clipped;
  }
}

// Decodes frame j through the compositor's own handle and draws it.
void ComposeNext(GifCompositor& compositor, int j) {
  // Released also when drawing throws (no memory for the saved pixels).
  struct Release {
    RawFrame& raw;
    ~Release() { raw.Release(); }
  } release{compositor.raw};
  DecodeRawFrame(compositor.bytes->Data(), compositor.bytes->Size(), compositor.layout,
                 compositor.file, j, compositor.raw);
  DrawNext(compositor, j, compositor.raw);
}

}  // namespace

struct GifFrameReader {
  explicit GifFrameReader(const GifCompositor& f) : compositor(&f), stream(*f.stream) {}
  const GifCompositor* compositor;
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

GifFrameReaderHandle OpenGifFrameReader(const GifCompositor& compositor) {
  GifFrameReaderHandle reader(new GifFrameReader(compositor));
  reader->file = OpenGifFromStream(reader->stream, GIF_LOAD256);
  if (reader->file == nullptr || FreeImage_GetPageCount(reader->file) != compositor.frameCount) {
    return nullptr;
  }
  return reader;
}

void DecodeGifFrame(GifFrameReader& reader, int j) {
  reader.raw.Release();
  reader.index = -1;
  if (j < 0 || j >= reader.compositor->frameCount) return;
  const GifCompositor& compositor = *reader.compositor;
  DecodeRawFrame(compositor.bytes->Data(), compositor.bytes->Size(), compositor.layout, reader.file,
                 j, reader.raw);
  reader.index = j;
}

namespace {

// Composes up to frame j; frame j comes from `decoded` when it holds it and follows the canvas.
ComposedFrame ComposeUpTo(GifCompositor& compositor, int j, const GifFrameReader* decoded) {
  if (j < 0 || j >= compositor.frameCount) return {GifStatus::NoFrame};
  if (compositor.canvas == nullptr) {
    compositor.canvas = FreeImage_Allocate(compositor.layout.width, compositor.layout.height, 32);
    if (compositor.canvas == nullptr) return {GifStatus::TooLarge};
    ResetCanvas(compositor);
  }
  // Going back means starting over.
  if (j < compositor.shown) ResetCanvas(compositor);
  while (compositor.shown < j - 1) ComposeNext(compositor, compositor.shown + 1);
  if (compositor.shown == j - 1) {
    if (decoded != nullptr && decoded->compositor == &compositor && decoded->index == j) {
      DrawNext(compositor, j, decoded->raw);
    } else {
      ComposeNext(compositor, j);
    }
  }
  compositor.lastChange = compositor.changed;
  compositor.changed = Rect{};
  return {GifStatus::Ok, compositor.canvas};
}

}  // namespace

Rect LastCanvasChange(const GifCompositor& compositor) {
  return compositor.lastChange;
}

ComposedFrame ComposeFrame(GifCompositor& compositor, int j) {
  return ComposeUpTo(compositor, j, nullptr);
}

ComposedFrame ComposeFrame(GifCompositor& compositor, int j, const GifFrameReader& decoded) {
  return ComposeUpTo(compositor, j, &decoded);
}

void SetBackdrop(GifCompositor& compositor, BackdropColour backdrop) {
  switch (backdrop) {
    case BackdropColour::Background:
      compositor.background = compositor.gifBackground;
      break;
    case BackdropColour::Light:
      compositor.background = RGBQUAD{255, 255, 255, 0};
      break;
    case BackdropColour::Dark:
      compositor.background = RGBQUAD{0, 0, 0, 0};
      break;
  }
  if (compositor.canvas != nullptr) ResetCanvas(compositor);
}

}  // namespace vorlix
