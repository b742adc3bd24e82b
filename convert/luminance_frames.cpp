#include "convert/luminance_frames.h"

#include "convert/picture/frame_sampling.h"
#include "convert/picture/stretch.h"

namespace vorlix {

RunError LuminanceFrames::Read(Animation& animation, const ConversionSettings& settings) {
  SamplingBuffers buffers;
  for (int j = 0; j < animation.frameTotal; ++j) {
    FIBITMAP* canvas = ComposeAnimationFrame(animation, j);
    // Within the frame count no canvas means no memory, as in the conversion's pipeline.
    if (canvas == nullptr && j < GifFrameCount(*animation.frames)) return RunError::TooLarge;
    PictureStatus status = PictureStatus::Ok;
    Bitmap grey =
        StretchToGrey(buffers.WithoutAlpha(canvas), settings.Width, settings.Height, status);
    if (status != PictureStatus::Ok) return RunError::TooLarge;
    if (grey) AddLuminance(grey.get(), histogram_);
    frames_.push_back(std::move(grey));
  }
  return RunError::None;
}

}  // namespace vorlix
