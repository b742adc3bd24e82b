// The conversion chain for one GIF, one frame at a time: the file opened once, then any frame
// composed and sampled for given settings. The conversion run drives it for a module; a preview
// can drive it without writing one.
#pragma once

#include <optional>
#include <string>

#include "convert/gif/gif_compositor.h"
#include "convert/gif/image_library.h"
#include "convert/gif_input.h"
#include "convert/messages.h"
#include "convert/picture/stretch.h"
#include "convert/xm/frame_grid.h"
#include "settings/conversion_settings.h"

namespace vorlix {

struct Animation {
  int pageCount = 0;               // frames as CountGifPages counts them
  int frameTotal = 0;              // frames converted: pageCount, at most MaxFrames
  GifCompositorHandle compositor;  // empty when frameTotal is 0
};

// Number of frames the image library reports for the GIF, MaxFrames + 1 for any number above
// MaxFrames. `error` is CannotOpen when it reads no GIF from the file, TooLarge when the file is
// too large to be held, FileChanged when another program changed it while it was read. The
// caller keeps the library initialised.
struct PageCount {
  RunError error = RunError::None;
  int pages = 0;
};
PageCount CountGifPages(const GifInput& input);

// Opens the GIF, of `pageCount` frames as CountGifPages gave them. The caller keeps the library
// initialised while the animation lives, and a byte input's bytes alive.
RunError OpenAnimation(const GifInput& input, int pageCount, Animation& animation);
// The same, counting the frames first.
RunError OpenAnimation(const GifInput& input, Animation& animation);
// The same for the file at `path`.
RunError OpenAnimation(const std::string& path, Animation& animation);

// Frame j (0 to frameTotal - 1) composed: a picture of the logical screen, owned by the
// animation and valid until the next call; nullptr when it cannot be had. Going back to an
// earlier frame composes again from the first.
Picture* ComposeAnimationFrame(Animation& animation, int j);

// Frame j composed, stretched, reduced to one bit and sampled into `grid` (shaped by
// MakeFrameGrid for the settings).
PictureStatus SampleAnimationFrame(Animation& animation, int j, const ConversionSettings& settings,
                                   FrameGrid& grid);

// The median delay of the converted frames, in hundredths; nothing when the GIF gives none.
std::optional<int> MedianFrameDelay(const Animation& animation);

}  // namespace vorlix
