#include "preview/preview_frames.h"

#include <new>
#include <system_error>

#include "convert/gif/gif_timing.h"
#include "convert/picture/auto_threshold.h"
#include "convert/picture/frame_sampling.h"
#include "convert/picture/picture_copy.h"

namespace vorlix {

std::unique_ptr<PreviewFrames> PreviewFrames::Open(const GifInput& input,
                                                   const ConversionSettings& settings,
                                                   RunError& error, std::size_t canvasBudget,
                                                   PreviewThreading threading) {
  std::unique_ptr<PreviewFrames> preview(new PreviewFrames());
  error = OpenAnimation(input, preview->animation_);
  if (error == RunError::None && preview->animation_.frameTotal <= 0) error = RunError::CannotOpen;
  if (error != RunError::None) return nullptr;
  preview->frameTotal_ = preview->animation_.frameTotal;
  preview->pageCount_ = preview->animation_.pageCount;
  preview->canvasBudget_ = canvasBudget;
  preview->settings_ = settings;
  preview->frames_.resize(preview->frameTotal_);
  SetBackdrop(*preview->animation_.compositor, settings.Picture.Backdrop);
  preview->composedBackdrop_ = settings.Picture.Backdrop;
  preview->medianDelay_ = MedianFrameDelay(preview->animation_);
  try {
    std::unique_lock<std::mutex> lock(preview->mutex_);
    if (!preview->Prepare(0, lock)) error = RunError::TooLarge;
  } catch (const std::bad_alloc&) {
    error = RunError::TooLarge;  // inside the image library's own allocations
  }
  if (error != RunError::None) return nullptr;
  preview->stepped_ = true;
  if (threading == PreviewThreading::Worker) {
    try {
      preview->worker_ = std::thread([raw = preview.get()] { raw->Work(); });
      preview->stepped_ = false;
    } catch (const std::system_error&) {
      // No thread to be had: the caller prepares the frames step by step.
    }
  }
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

Picture* PreviewFrames::CanvasAtHand(int j) const {
  if (frames_[j].canvas.get() != nullptr) return frames_[j].canvas.get();
  return shownCanvasFrame_ == j ? shownCanvas_.get() : nullptr;
}

// Keeps a copy of the composed picture without its alpha channel, as the module samples it,
// unless it is not forced and the budget has no room for it. False when there is no memory for
// the copy.
bool PreviewFrames::KeepCanvas(Picture* canvas, bool force, Bitmap& kept) {
  const std::size_t bytes = CopyWithoutAlphaBytes(canvas);
  kept.reset();
  if (!force && canvasBytes_ + bytes > canvasBudget_) return true;
  kept = CopyWithoutAlpha(canvas);
  if (!kept) return false;
  if (!force) canvasBytes_ += bytes;
  return true;
}

// Frame j composed, on the canvas the frames before it left; nullptr when it gives no picture.
// Only the preparing thread composes.
Picture* PreviewFrames::Compose(int j) {
  Picture* canvas = ComposeAnimationFrame(animation_, j);
  if (canvas != nullptr) composed_ = j;
  return canvas;
}

// Composes frame j (unless its picture is kept), stretches it to the current size and stores
// it; false when the image library has no memory for it. Runs with the lock held, and lets go
// of it for the slow part.
bool PreviewFrames::Prepare(int j, std::unique_lock<std::mutex>& lock) {
  const int width = settings_.Width, height = settings_.Height;
  const BackdropColour backdrop = composedBackdrop_;
  Picture* kept = CanvasAtHand(j);  // only this thread replaces kept pictures
  lock.unlock();
  Picture* canvas = kept != nullptr ? kept : Compose(j);
  // Within the frame count no canvas means no memory, as in the conversion.
  const bool missing = canvas == nullptr && j < GifFrameCount(*animation_.compositor);
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
      changed = LastCanvasChange(*animation_.compositor);
    }
    if (!missing) grey = stretch_->Grey(canvas, changed, status);
  }
  lock.lock();
  if (missing || status != PictureStatus::Ok) return false;
  Frame& frame = frames_[j];
  if (kept == nullptr && canvas != nullptr) {
    if (!KeepCanvas(canvas, false, frame.canvas)) return false;
    if (frame.canvas.get() == nullptr && j == shown_) {
      if (!KeepCanvas(canvas, true, shownCanvas_)) return false;
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

// The shown frame's picture is neither kept nor pinned, and it has one.
bool PreviewFrames::ShownCanvasMissing() const {
  return shownCanvasFrame_ != shown_ && !frames_[shown_].blank && CanvasAtHand(shown_) == nullptr;
}

// Composes one frame on the way to the shown one, in order from the frame on the canvas (from
// the first when that lies past it), and keeps the shown one's picture once it is reached; so
// a step never composes more than one frame. False when the library has no memory for it.
bool PreviewFrames::PinShownFrame(std::unique_lock<std::mutex>& lock) {
  const int j = shown_;
  const int k = composed_ < j ? composed_ + 1 : (composed_ == j ? j : 0);
  lock.unlock();
  Picture* canvas = Compose(k);
  // The next frame composed differs from this one, not from the one stretched last.
  if (stretch_) stretch_->Forget();
  lock.lock();
  if (canvas == nullptr) return false;  // a frame with a picture: no memory
  if (k == j) {
    if (!KeepCanvas(canvas, true, shownCanvas_)) return false;
    shownCanvasFrame_ = j;
  }
  return true;
}

// One step of preparing, with the lock held: a frame prepared, or a frame composed for the
// shown one's picture. Idle when nothing is left to do.
PreviewFrames::Step PreviewFrames::NextStep(std::unique_lock<std::mutex>& lock) {
  if (failed_) return Step::Failed;
  if (settings_.Picture.Backdrop != composedBackdrop_) ComposeAgain();
  const int next = FirstUnprepared();
  if (next >= 0) return Prepare(next, lock) ? Step::Done : Step::Failed;
  if (ShownCanvasMissing()) return PinShownFrame(lock) ? Step::Done : Step::Failed;
  return Step::Idle;
}

// Whether NextStep has anything to do. Runs with the lock held.
bool PreviewFrames::WorkLeft() const {
  return !failed_ && (settings_.Picture.Backdrop != composedBackdrop_ || FirstUnprepared() >= 0 ||
                      ShownCanvasMissing());
}

void PreviewFrames::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  try {
    while (!stopping_) {
      const Step step = NextStep(lock);
      if (step == Step::Failed) return Fail();
      if (step == Step::Idle) wake_.wait(lock);
    }
  } catch (const std::bad_alloc&) {
    if (!lock.owns_lock()) lock.lock();  // inside the image library's own allocations
    Fail();
  }
}

// One step on the calling thread, when no worker prepares; true while more remains.
bool PreviewFrames::StepHere() {
  std::unique_lock<std::mutex> lock(mutex_);
  try {
    if (NextStep(lock) == Step::Failed) Fail();
  } catch (const std::bad_alloc&) {
    if (!lock.owns_lock()) lock.lock();  // inside the image library's own allocations
    Fail();
  }
  return WorkLeft();
}

bool PreviewFrames::PrepareStep() {
  return stepped_ && StepHere();
}

// Preparing stops for lack of memory. Runs with the lock held.
void PreviewFrames::Fail() const {
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
    if (status != PictureStatus::Ok) Fail();
    if (!grey) return false;
    frame.grey = std::move(grey);
    frame.width = settings_.Width;
    frame.height = settings_.Height;
    prepared_.notify_all();
  }
  grid = MakeFrameGrid(settings_);
  const ConversionSettings used = UsedSettings();
  if (SampleStretched(frame.blank ? nullptr : frame.grey.get(), used, grid) != PictureStatus::Ok) {
    Fail();
    return false;
  }
  return true;
}

// Composing starts over for another backdrop: every frame is prepared again.
void PreviewFrames::ComposeAgain() {
  composedBackdrop_ = settings_.Picture.Backdrop;
  SetBackdrop(*animation_.compositor, composedBackdrop_);
  composed_ = -1;
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
      // No memory for the luminance: preparing stops, and this count is not kept.
      if (Ready(frame) && !frame.blank && !AddLuminance(frame.grey.get(), histogram_)) {
        Fail();
        return used;
      }
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
  if (stepped_) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (StepHere() && std::chrono::steady_clock::now() < until) {
    }
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (!stepped_) {
    prepared_.wait_for(lock, timeout, [this] { return failed_ || FirstUnprepared() < 0; });
  }
  return !failed_ && FirstUnprepared() < 0;
}

bool PreviewFrames::Failed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failed_;
}

std::size_t PreviewFrames::KeptBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::size_t bytes = canvasBytes_ + PictureBytes(shownCanvas_.get());
  for (const Frame& frame : frames_) bytes += PictureBytes(frame.grey.get());
  return bytes;
}

}  // namespace vorlix
