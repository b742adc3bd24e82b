#include "convert/animation.h"

#include <algorithm>
#include <memory>

#include "convert/file_view.h"
#include "convert/frame_sampling.h"

namespace vorlix {

ImageLibrary::ImageLibrary() {
  FreeImage_Initialise(FALSE);
}

ImageLibrary::~ImageLibrary() {
  FreeImage_DeInitialise();
}

int CountGifPages(const std::string& path) {
  // Read from memory: the library walks every block of the file with a seek each.
  const std::unique_ptr<FileView> bytes = FileView::Open(path);
  if (!bytes) return -1;
  ViewStream stream(*bytes);
  FIMULTIBITMAP* gif = OpenGifFromStream(stream, GIF_PLAYBACK);
  if (!gif) return -1;
  const int pages = FreeImage_GetPageCount(gif);
  FreeImage_CloseMultiBitmap(gif, GIF_PLAYBACK);
  return pages;
}

RunError OpenAnimation(const std::string& path, int pageCount, Animation& animation) {
  animation.pageCount = pageCount;
  animation.frameTotal = std::min(pageCount, MaxFrames);
  animation.frames.reset();
  if (animation.frameTotal <= 0) return RunError::None;
  GifFramesStatus status = GifFramesStatus::Ok;
  animation.frames = OpenGifFrames(path, status);
  if (status == GifFramesStatus::TooLarge) return RunError::TooLarge;
  return animation.frames ? RunError::None : RunError::CannotOpen;
}

RunError OpenAnimation(const std::string& path, Animation& animation) {
  const int pageCount = CountGifPages(path);
  if (pageCount < 0) return RunError::CannotOpen;
  return OpenAnimation(path, pageCount, animation);
}

FIBITMAP* ComposeAnimationFrame(Animation& animation, int j) {
  if (!animation.frames || j < 0 || j >= animation.frameTotal) return nullptr;
  return ComposeFrame(*animation.frames, j);
}

void SampleAnimationFrame(Animation& animation, int j, const ConversionSettings& settings,
                          FrameGrid& grid) {
  SampleImage(ComposeAnimationFrame(animation, j), settings, grid);
}

}  // namespace vorlix
