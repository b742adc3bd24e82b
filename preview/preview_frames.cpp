#include "preview/preview_frames.h"

#include <cstring>
#include <new>

#include "convert/gif/gif_timing.h"
#include "convert/picture/auto_threshold.h"
#include "convert/picture/dithering.h"
#include "convert/picture/frame_sampling.h"

namespace vorlix {
namespace {

std::size_t BitmapBytes(FIBITMAP* dib) {
  return dib == nullptr
             ? 0
             : static_cast<std::size_t>(FreeImage_GetPitch(dib)) * FreeImage_GetHeight(dib);
}

}  // namespace

std::unique_ptr<PreviewFrames> PreviewFrames::Open(const GifInput& input,
                                                   const ConversionSettings& settings,
                                                   RunError& error, std::size_t canvasBudget) {
  std::unique_ptr<PreviewFrames> preview(new PreviewFrames());
  error = OpenAnimation(input, preview->animation_);
  if (error == RunError::None && preview->animation_.frameTotal <= 0) error = RunError::CannotOpen;
  if (error != RunError::None) return nullptr;
  preview->frameTotal_ = preview->animation_.frameTotal;
  preview->pageCount_ = preview->animation_.pageCount;
  preview->canvasBudget_ = canvasBudget;
  preview->settings_ = settings;
  preview->frames_.resize(preview->frameTotal_);
  SetBackdrop(*preview->animation_.frames, settings.Picture.Backdrop);
  preview->composedBackdrop_ = settings.Picture.Backdrop;
  preview->medianDelay_ = MedianFrameDelay(preview->animation_);
  try {
    std::unique_lock<std::mutex> lock(preview->mutex_);
    if (!preview->Prepare(0, lock)) error = RunError::TooLarge;
  } catch (const std::bad_alloc&) {
    error = RunError::TooLarge;  // inside the image library's own allocations
  }
  if (error != RunError::None) return nullptr;
  preview->worker_ = std::thread([raw = preview.get()] { raw->Work(); });
  return preview;
}

PreviewFrames::~PreviewFrames() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void PreviewFrames::SetSettings(const ConversionSettings& settings) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    settings_ = settings;
  }
  wake_.notify_all();
}

void PreviewFrames::ShowFrame(int j) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (j < 0 || j >= frameTotal_) return;
    shown_ = j;
  }
  wake_.notify_all();
}

bool PreviewFrames::Ready(const Frame& frame) const {
  if (settings_.Picture.Backdrop != composedBackdrop_) return false;
  return frame.blank || (frame.width == settings_.Width && frame.height == settings_.Height);
}

int PreviewFrames::FirstUnprepared() const {
  for (int j = 0; j < frameTotal_; ++j) {
    if (!Ready(frames_[j])) return j;
  }
  return -1;
}

FIBITMAP* PreviewFrames::CanvasAtHand(int j) const {
  if (frames_[j].canvas.get() != nullptr) return frames_[j].canvas.get();
  return shownCanvasFrame_ == j ? shownCanvas_.get() : nullptr;
}

// Keeps a copy of the composed picture without its alpha channel, as the module samples it.
Bitmap PreviewFrames::KeepCanvas(FIBITMAP* canvas, bool force) {
  const bool alpha = FreeImage_GetBPP(canvas) == 32 && FreeImage_GetImageType(canvas) == FIT_BITMAP;
  const std::size_t bytes =
      alpha ? static_cast<std::size_t>((FreeImage_GetWidth(canvas) * 3 + 3) & ~3u) *
                  FreeImage_GetHeight(canvas)
            : BitmapBytes(canvas);
  if (!force && canvasBytes_ + bytes > canvasBudget_) return Bitmap();
  Bitmap copy(alpha ? FreeImage_ConvertTo24Bits(canvas) : FreeImage_Clone(canvas));
  if (copy && !force) canvasBytes_ += bytes;
  return copy;
}

// Composes frame j (unless its picture is kept), stretches it to the current size and stores
// it; false when the image library has no memory for it. Runs with the lock held, and lets go
// of it for the slow part.
bool PreviewFrames::Prepare(int j, std::unique_lock<std::mutex>& lock) {
  const int width = settings_.Width, height = settings_.Height;
  const BackdropColour backdrop = composedBackdrop_;
  FIBITMAP* kept = CanvasAtHand(j);  // only this thread replaces kept pictures
  lock.unlock();
  FIBITMAP* canvas = kept != nullptr ? kept : ComposeAnimationFrame(animation_, j);
  PictureStatus status = PictureStatus::Ok;
  Bitmap grey;
  if (kept != nullptr) {
    grey = StretchToGrey(canvas, width, height, status);
  } else {
    // Composed in order, a frame is stretched again only where it changed the canvas.
    if (!stretch_ || stretch_->width() != width || stretch_->height() != height) {
      stretch_.emplace(width, height);
    }
    std::optional<Rect> changed;
    if (canvas != nullptr) {
      changed = LastCanvasChange(*animation_.frames);
    }
    grey = stretch_->Grey(canvas, changed, status);
  }
  lock.lock();
  if (status != PictureStatus::Ok) return false;
  Frame& frame = frames_[j];
  if (kept == nullptr && canvas != nullptr) {
    frame.canvas = KeepCanvas(canvas, false);
    if (frame.canvas.get() == nullptr && j == shown_) {
      shownCanvas_ = KeepCanvas(canvas, true);
      shownCanvasFrame_ = j;
    }
  }
  if (canvas == nullptr) {
    frame.blank = true;
  } else if (width == settings_.Width && height == settings_.Height &&
             backdrop == composedBackdrop_) {
    frame.grey = std::move(grey);
    frame.width = width;
    frame.height = height;
  }
  prepared_.notify_all();
  return true;
}

// Composes the shown frame again to keep its picture at hand.
void PreviewFrames::PinShownFrame(std::unique_lock<std::mutex>& lock) {
  const int j = shown_;
  lock.unlock();
  FIBITMAP* canvas = ComposeAnimationFrame(animation_, j);
  // The next frame composed differs from this one, not from the one stretched last.
  if (stretch_) stretch_->Forget();
  lock.lock();
  shownCanvas_ = canvas != nullptr ? KeepCanvas(canvas, true) : Bitmap();
  shownCanvasFrame_ = j;
}

void PreviewFrames::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  try {
    while (!stopping_) {
      if (settings_.Picture.Backdrop != composedBackdrop_) {
        ComposeAgain();
        continue;
      }
      const int next = FirstUnprepared();
      if (next >= 0) {
        if (!Prepare(next, lock)) return Fail();
      } else if (shownCanvasFrame_ != shown_ && !frames_[shown_].blank &&
                 CanvasAtHand(shown_) == nullptr) {
        PinShownFrame(lock);
      } else {
        wake_.wait(lock);
      }
    }
  } catch (const std::bad_alloc&) {
    if (!lock.owns_lock()) lock.lock();  // inside the image library's own allocations
    Fail();
  }
}

// Preparing stops for lack of memory. Runs with the lock held.
void PreviewFrames::Fail() {
  failed_ = true;
  prepared_.notify_all();
}

bool PreviewFrames::Sample(int j, FrameGrid& grid) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (j < 0 || j >= frameTotal_ || settings_.Picture.Backdrop != composedBackdrop_) {
    return false;
  }
  Frame& frame = frames_[j];
  if (!Ready(frame)) {
    // A new size: the shown frame is stretched again at once from its kept picture.
    PictureStatus status = PictureStatus::Ok;
    Bitmap grey = StretchToGrey(CanvasAtHand(j), settings_.Width, settings_.Height, status);
    if (!grey) return false;
    frame.grey = std::move(grey);
    frame.width = settings_.Width;
    frame.height = settings_.Height;
    prepared_.notify_all();
  }
  grid = MakeFrameGrid(settings_);
  SampleStretched(frame.blank ? nullptr : frame.grey.get(), UsedSettings(), grid);
  return true;
}

// Composing starts over for another backdrop: every frame is prepared again.
void PreviewFrames::ComposeAgain() {
  composedBackdrop_ = settings_.Picture.Backdrop;
  SetBackdrop(*animation_.frames, composedBackdrop_);
  for (Frame& frame : frames_) frame = Frame();
  shownCanvas_ = Bitmap();
  shownCanvasFrame_ = -1;
  canvasBytes_ = 0;
}

// The settings a module is written with: the automatic threshold chosen from the frames
// prepared so far (all of them once preparing is done), the timing from the GIF's delays.
ConversionSettings PreviewFrames::UsedSettings() const {
  ConversionSettings used = settings_;
  ApplyGifTiming(medianDelay_, used);
  if (!AutoThresholdInEffect(settings_.Picture)) return used;
  // The histogram is counted again only when frames were prepared since.
  int prepared = 0;
  for (const Frame& frame : frames_) prepared += Ready(frame) ? 1 : 0;
  const HistogramStamp stamp{settings_.Width, settings_.Height, composedBackdrop_, prepared};
  if (!(stamp == histogramStamp_)) {
    histogram_ = LuminanceHistogram{};
    for (const Frame& frame : frames_) {
      if (Ready(frame) && !frame.blank) AddLuminance(frame.grey.get(), histogram_);
    }
    histogramStamp_ = stamp;
  }
  used.Threshold = OtsuThreshold(histogram_).value_or(used.Threshold);
  return used;
}

ConversionSettings PreviewFrames::Used() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return UsedSettings();
}

bool PreviewFrames::View(int j, PatternView& view) {
  FrameGrid grid;
  ConversionSettings settings;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    settings = settings_;
  }
  if (!Sample(j, grid)) return false;
  // Settings changed in between: the grid fits the settings it was sampled with.
  if (grid.rows != settings.Height || grid.channels != ChannelCount(settings)) {
    return false;
  }
  view = ViewFrame(grid, settings);
  return true;
}

int PreviewFrames::PreparedFrames() const {
  std::lock_guard<std::mutex> lock(mutex_);
  int count = 0;
  for (const Frame& frame : frames_) count += Ready(frame) ? 1 : 0;
  return count;
}

bool PreviewFrames::WaitUntilPrepared(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  prepared_.wait_for(lock, timeout, [this] { return failed_ || FirstUnprepared() < 0; });
  return !failed_ && FirstUnprepared() < 0;
}

bool PreviewFrames::Failed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failed_;
}

std::size_t PreviewFrames::KeptBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::size_t bytes = canvasBytes_ + BitmapBytes(shownCanvas_.get());
  for (const Frame& frame : frames_) bytes += BitmapBytes(frame.grey.get());
  return bytes;
}

}  // namespace vorlix
