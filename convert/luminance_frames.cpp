#include "convert/luminance_frames.h"

#include <new>

#include "convert/picture/dithering.h"
#include "convert/picture/frame_sampling.h"

namespace vorlix {

LuminanceFrames::LuminanceFrames(Animation& animation, const ConversionSettings& settings) {
  SamplingBuffers buffers;
  for (int j = 0; j < animation.frameTotal; ++j) {
    FIBITMAP* canvas = ComposeAnimationFrame(animation, j);
    // Within the frame count no canvas means no memory, as in the conversion's pipeline.
    if (canvas == nullptr && j < GifFrameCount(*animation.frames)) throw std::bad_alloc();
    std::unique_ptr<FIBITMAP, Unload> stretched(
        StretchPicture(buffers.WithoutAlpha(canvas), settings));
    if (stretched) {
      FIBITMAP* luminance = LuminanceOf(stretched.get());
      if (luminance == nullptr) throw std::bad_alloc();
      if (luminance != stretched.get()) stretched.reset(luminance);
      AddLuminance(stretched.get(), histogram_);
    }
    frames_.push_back(std::move(stretched));
  }
}

}  // namespace vorlix
