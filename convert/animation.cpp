#include "convert/animation.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "base/limits.h"
#include "convert/gif/gif_layout.h"
#include "convert/gif/gif_stream.h"
#include "convert/gif/gif_timing.h"
#include "convert/picture/frame_sampling.h"

namespace vorlix {

PageCount CountGifPages(const GifInput& input) {
  // Read from memory: the library walks every block of the file with a seek each.
  PlatformStatus status = PlatformStatus::Ok;
  const std::unique_ptr<FileView> bytes = OpenGifInput(input, status);
  if (!bytes) {
    return {status == PlatformStatus::TooLarge ? RunError::TooLarge : RunError::CannotOpen};
  }
  // The library walks the whole file when it opens it; shown only the first MaxFrames images,
  // its work does not grow with the frames that are never converted. That there are more is
  // our own walker's to say.
  GifLayout layout;
  const bool isGif =
      ReadGifLayout(bytes->Data(), bytes->Size(), layout, MaxFrames) == GifStatus::Ok;
  ViewStream stream(*bytes, layout.moreImages ? layout.imagesEnd : ViewStream::kWhole,
                    layout.idleBlocks);
  const std::optional<int> pages = LibraryPageCount(stream);
  if (!pages) return {bytes->Changed() ? RunError::FileChanged : RunError::CannotOpen};
  if (bytes->Changed()) return {RunError::FileChanged};
  // Frames that OpenGifCompositor cannot compose, on a screen without pixels: no GIF to convert.
  if (*pages > 0 && (!isGif || layout.width == 0 || layout.height == 0)) {
    return {RunError::CannotOpen};
  }
  return {RunError::None, layout.moreImages ? std::max(*pages, MaxFrames + 1) : *pages};
}

RunError OpenAnimation(const GifInput& input, int pageCount, Animation& animation) {
  animation.pageCount = pageCount;
  animation.frameTotal = std::min(pageCount, MaxFrames);
  animation.compositor.reset();
  if (animation.frameTotal <= 0) return RunError::None;
  GifStatus status = GifStatus::Ok;
  PlatformStatus viewStatus = PlatformStatus::Ok;
  std::unique_ptr<FileView> bytes = OpenGifInput(input, viewStatus);
  animation.compositor = OpenGifCompositor(std::move(bytes), viewStatus, status);
  if (status == GifStatus::TooLarge) return RunError::TooLarge;
  return animation.compositor ? RunError::None : RunError::CannotOpen;
}

RunError OpenAnimation(const GifInput& input, Animation& animation) {
  const PageCount count = CountGifPages(input);
  if (count.error != RunError::None) return count.error;
  return OpenAnimation(input, count.pages, animation);
}

RunError OpenAnimation(const std::string& path, Animation& animation) {
  return OpenAnimation(GifInputFromPath(path), animation);
}

Picture* ComposeAnimationFrame(Animation& animation, int j) {
  if (!animation.compositor || j < 0 || j >= animation.frameTotal) return nullptr;
  return ComposeFrame(*animation.compositor, j).canvas;
}

PictureStatus SampleAnimationFrame(Animation& animation, int j, const ConversionSettings& settings,
                                   FrameGrid& grid) {
  return SampleImage(ComposeAnimationFrame(animation, j), settings, grid);
}

std::optional<int> MedianFrameDelay(const Animation& animation) {
  if (!animation.compositor) return std::nullopt;
  std::vector<int> delays = GifFrameDelays(*animation.compositor);
  if (static_cast<int>(delays.size()) > animation.frameTotal) delays.resize(animation.frameTotal);
  return MedianDelay(delays);
}

}  // namespace vorlix
