#include "convert/luminance_frames.h"

#include "convert/picture/stretch.h"

namespace vorlix {

RunError LuminanceFrames::Read(Animation& animation, const ConversionSettings& settings) {
  // Frames are composed in order: each is stretched only where it changed the canvas.
  GreyStretch stretch(settings.Width, settings.Height);
  for (int j = 0; j < animation.frameTotal; ++j) {
    Picture* canvas = ComposeAnimationFrame(animation, j);
    // Within the frame count no canvas means no memory, as in the conversion's pipeline.
    if (canvas == nullptr && j < GifFrameCount(*animation.compositor)) return RunError::TooLarge;
    std::optional<Rect> changed;
    if (canvas != nullptr) {
      changed = LastCanvasChange(*animation.compositor);
    }
    PictureStatus status = PictureStatus::Ok;
    Bitmap grey = stretch.Grey(canvas, changed, status);
    if (status != PictureStatus::Ok) return RunError::TooLarge;
    if (grey && !AddLuminance(grey.get(), histogram_)) return RunError::TooLarge;
    frames_.push_back(std::move(grey));
  }
  return RunError::None;
}

}  // namespace vorlix
