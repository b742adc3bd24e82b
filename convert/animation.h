// The conversion chain for one GIF, one frame at a time: the file opened once, then any frame
// composed and sampled for given settings. The conversion run drives it for a module; a preview
// can drive it without writing one.
#pragma once

#include <FreeImage.h>

#include <string>

#include "convert/gif/gif_compositor.h"
#include "convert/messages.h"
#include "convert/xm/frame_grid.h"
#include "settings/conversion_settings.h"

namespace vorlix {

// The image library, initialised for as long as the object lives.
struct ImageLibrary {
  ImageLibrary();
  ~ImageLibrary();
  ImageLibrary(const ImageLibrary&) = delete;
  ImageLibrary& operator=(const ImageLibrary&) = delete;
};

struct Animation {
  int pageCount = 0;           // frames as CountGifPages counts them
  int frameTotal = 0;          // frames converted: pageCount, at most MaxFrames
  GifCompositorHandle frames;  // the compositor; empty when frameTotal is 0
};

// Number of frames the image library reports for the GIF, MaxFrames + 1 for any number above
// MaxFrames; -1 when it reads no GIF from the file, kGifFileTooLarge when the file is too large
// to be held. The caller keeps the library initialised.
inline constexpr int kGifFileTooLarge = -2;
int CountGifPages(const std::string& path);

// Opens the GIF at `path`, of `pageCount` frames as CountGifPages gave them. The caller keeps
// the library initialised while the animation lives.
RunError OpenAnimation(const std::string& path, int pageCount, Animation& animation);
// The same, counting the frames first.
RunError OpenAnimation(const std::string& path, Animation& animation);

// Frame j (0 to frameTotal - 1) composed: a picture of the logical screen, owned by the
// animation and valid until the next call; nullptr when it cannot be had. Going back to an
// earlier frame composes again from the first.
FIBITMAP* ComposeAnimationFrame(Animation& animation, int j);

// Frame j composed, stretched, reduced to one bit and sampled into `grid` (shaped by
// MakeFrameGrid for the settings).
void SampleAnimationFrame(Animation& animation, int j, const ConversionSettings& settings,
                          FrameGrid& grid);

}  // namespace vorlix
