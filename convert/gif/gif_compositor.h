// The frames of an animated GIF as they are displayed, composed one after the other onto a
// canvas of the logical screen size. Each raw frame is decoded once, so composing all frames
// costs linear time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/rect.h"
#include "convert/gif/gif_status.h"
#include "convert/gif/image_library.h"
#include "platform/file_view.h"
#include "settings/picture_options.h"

namespace vorlix {

// A canvas larger than this many pixels is refused without being allocated.
inline constexpr std::uint64_t kCanvasPixelBudget = 16u * 1024u * 1024u;

struct GifCompositor;
struct GifCompositorCloser {
  void operator()(GifCompositor* compositor) const;
};
using GifCompositorHandle = std::unique_ptr<GifCompositor, GifCompositorCloser>;

// Opens the GIF for composing. The caller keeps the image library initialised while the handle
// lives. On failure the handle is empty and `status` says why.
GifCompositorHandle OpenGifCompositor(const std::string& path, GifStatus& status);
// The same over bytes already open, which the compositor keeps; `bytes` may be empty, and
// `viewStatus` says why (TooLarge gives TooLarge).
GifCompositorHandle OpenGifCompositor(std::unique_ptr<FileView> bytes, PlatformStatus viewStatus,
                                      GifStatus& status);

// Number of frames shown: the file's, up to the first MaxFrames.
int GifFrameCount(const GifCompositor& compositor);

// True when another program changed the file since it was opened: what was decoded from it is
// not to be trusted.
bool GifFileChanged(const GifCompositor& compositor);

// The delay of each image of the file in hundredths of a second, as its graphic control block
// gives it (0 without one).
std::vector<int> GifFrameDelays(const GifCompositor& compositor);

// What shows where no frame has drawn, where a frame is transparent and where a frame is
// disposed of to the background: the GIF's background colour (the default), white or black.
// Composing starts over from the first frame.
void SetBackdrop(GifCompositor& compositor, BackdropColour backdrop);

// The part of the canvas that the last ComposeFrame call that returned a canvas may have changed
// since the call before it returned: the frames drawn, what their disposal restored or cleared,
// and the whole canvas on the first call, after going back or after a change of backdrop.
Rect LastCanvasChange(const GifCompositor& compositor);

// The canvas showing a frame: a 32-bit image of the logical screen size, owned by the compositor
// and valid until the next call; set only when `status` is Ok.
struct ComposedFrame {
  GifStatus status = GifStatus::Ok;
  FIBITMAP* canvas = nullptr;
};

// Composes frames up to j and returns the canvas showing frame j. Frames are asked for in order
// 0, 1, 2, ...; NoFrame for a j outside the frames shown, TooLarge when there is no memory for
// the canvas.
ComposedFrame ComposeFrame(GifCompositor& compositor, int j);

// Decodes raw frames ahead of composing them. A reader has its own handle and read position on
// the file in memory, so readers on different threads decode at the same time while one thread
// at a time composes; each reader is used by one thread at a time.
struct GifFrameReader;
struct GifFrameReaderCloser {
  void operator()(GifFrameReader* reader) const;
};
using GifFrameReaderHandle = std::unique_ptr<GifFrameReader, GifFrameReaderCloser>;

// A reader of the raw frames of `compositor`, which must outlive it; empty when the library gives
// no second handle.
GifFrameReaderHandle OpenGifFrameReader(const GifCompositor& compositor);

// Decodes raw frame j into the reader, in place of the frame it held. Reads only what does not
// change while composing, so it may run while another thread composes.
void DecodeGifFrame(GifFrameReader& reader, int j);

// As ComposeFrame, but frame j is drawn from the reader when it holds frame j and the canvas
// shows frame j - 1; otherwise the frame is decoded as ComposeFrame decodes it.
ComposedFrame ComposeFrame(GifCompositor& compositor, int j, const GifFrameReader& decoded);

}  // namespace vorlix
