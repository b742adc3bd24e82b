#include "preview/preview_frames.h"

#include <cstring>
#include <new>

#include "convert/picture/auto_threshold.h"
#include "convert/picture/dithering.h"
#include "convert/picture/frame_sampling.h"
#include "convert/gif/gif_timing.h"

namespace vorlix {
namespace {

// Stretches as the module's sampling does and keeps the luminance that its threshold, dithers
// and automatic threshold work on: the library's 8-bit greyscale form of the stretched picture.
FIBITMAP* StretchToGrey(FIBITMAP* canvas, int width, int height) {
  FIBITMAP* stretched = FreeImage_Rescale(canvas, width, height, FILTER_BICUBIC);
  FIBITMAP* grey = stretched != nullptr ? LuminanceOf(stretched) : nullptr;
  if (stretched != nullptr && grey != stretched) FreeImage_Unload(stretched);
  return grey;
}

std::size_t BitmapBytes(FIBITMAP* dib) {
  return dib == nullptr
             ? 0
             : static_cast<std::size_t>(FreeImage_GetPitch(dib)) * FreeImage_GetHeight(dib);
}

}  // namespace

PreviewFrames::Bitmap& PreviewFrames::Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    if (dib != nullptr) FreeImage_Unload(dib);
    dib = other.dib;
    other.dib = nullptr;
  }
  return *this;
}

PreviewFrames::Bitmap::~Bitmap() {
  if (dib != nullptr) FreeImage_Unload(dib);
}

std::unique_ptr<PreviewFrames> PreviewFrames::Open(const std::string& path,
                                                   const ConversionSettings& settings,
                                                   RunError& error, std::size_t canvasBudget) {
  std::unique_ptr<PreviewFrames> preview(new PreviewFrames());
  error = OpenAnimation(path, preview->animation_);
  if (error == RunError::None && preview->animation_.frameTotal <= 0) error = RunError::CannotOpen;
  if (error != RunError::None) return nullptr;
  preview->frameTotal_ = preview->animation_.frameTotal;
  preview->pageCount_ = preview->animation_.pageCount;
  preview->canvasBudget_ = canvasBudget;
  preview->settings_ = settings;
  preview->frames_.resize(preview->frameTotal_);
  SetBackdrop(*preview->animation_.frames, settings.Picture.Transparent);
  preview->composedBackdrop_ = settings.Picture.Transparent;
  std::vector<int> delays = GifFrameDelays(*preview->animation_.frames);
  if (static_cast<int>(delays.size()) > preview->frameTotal_) delays.resize(preview->frameTotal_);
  preview->medianDelay_ = MedianDelay(delays);
  try {
    std::unique_lock<std::mutex> lock(preview->mutex_);
    preview->Prepare(0, lock);
  } catch (const std::bad_alloc&) {
    error = RunError::TooLarge;
    return nullptr;
  }
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
  if (settings_.Picture.Transparent != composedBackdrop_) return false;
  return frame.blank || (frame.width == settings_.Width && frame.height == settings_.Height);
}

int PreviewFrames::FirstUnprepared() const {
  for (int j = 0; j < frameTotal_; ++j) {
    if (!Ready(frames_[j])) return j;
  }
  return -1;
}

FIBITMAP* PreviewFrames::CanvasAtHand(int j) const {
  if (frames_[j].canvas.dib != nullptr) return frames_[j].canvas.dib;
  return shownCanvasFrame_ == j ? shownCanvas_.dib : nullptr;
}

PreviewFrames::Bitmap PreviewFrames::KeepCanvas(FIBITMAP* canvas, bool force) {
  const std::size_t bytes = BitmapBytes(canvas);
  if (!force && canvasBytes_ + bytes > canvasBudget_) return Bitmap();
  Bitmap copy(FreeImage_Clone(canvas));
  if (copy.dib != nullptr && !force) canvasBytes_ += bytes;
  return copy;
}

// Composes frame j (unless its picture is kept), stretches it to the current size and stores
// it. Runs with the lock held, and lets go of it for the slow part.
void PreviewFrames::Prepare(int j, std::unique_lock<std::mutex>& lock) {
  const int width = settings_.Width, height = settings_.Height;
  const Backdrop backdrop = composedBackdrop_;
  FIBITMAP* kept = CanvasAtHand(j);  // only this thread replaces kept pictures
  lock.unlock();
  // The module samples the picture without its alpha channel; so does the preview.
  FIBITMAP* canvas =
      kept != nullptr ? kept : buffers_.WithoutAlpha(ComposeAnimationFrame(animation_, j));
  Bitmap grey(canvas != nullptr ? StretchToGrey(canvas, width, height) : nullptr);
  if (canvas != nullptr && grey.dib == nullptr) throw std::bad_alloc();
  lock.lock();
  Frame& frame = frames_[j];
  if (kept == nullptr && canvas != nullptr) {
    frame.canvas = KeepCanvas(canvas, false);
    if (frame.canvas.dib == nullptr && j == shown_) {
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
}

// Composes the shown frame again to keep its picture at hand.
void PreviewFrames::PinShownFrame(std::unique_lock<std::mutex>& lock) {
  const int j = shown_;
  lock.unlock();
  FIBITMAP* canvas = buffers_.WithoutAlpha(ComposeAnimationFrame(animation_, j));
  lock.lock();
  shownCanvas_ = canvas != nullptr ? KeepCanvas(canvas, true) : Bitmap();
  shownCanvasFrame_ = j;
}

void PreviewFrames::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  try {
    while (!stopping_) {
      if (settings_.Picture.Transparent != composedBackdrop_) {
        ComposeAgain();
        continue;
      }
      const int next = FirstUnprepared();
      if (next >= 0) {
        Prepare(next, lock);
      } else if (shownCanvasFrame_ != shown_ && !frames_[shown_].blank &&
                 CanvasAtHand(shown_) == nullptr) {
        PinShownFrame(lock);
      } else {
        wake_.wait(lock);
      }
    }
  } catch (const std::bad_alloc&) {
    if (!lock.owns_lock()) lock.lock();
    failed_ = true;
    prepared_.notify_all();
  }
}

bool PreviewFrames::Sample(int j, FrameGrid& grid) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (j < 0 || j >= frameTotal_ || settings_.Picture.Transparent != composedBackdrop_) {
    return false;
  }
  Frame& frame = frames_[j];
  if (!Ready(frame)) {
    // A new size: the shown frame is stretched again at once from its kept picture.
    FIBITMAP* canvas = CanvasAtHand(j);
    Bitmap grey(canvas != nullptr ? StretchToGrey(canvas, settings_.Width, settings_.Height)
                                  : nullptr);
    if (grey.dib == nullptr) return false;
    frame.grey = std::move(grey);
    frame.width = settings_.Width;
    frame.height = settings_.Height;
    prepared_.notify_all();
  }
  grid = MakeFrameGrid(settings_);
  SampleStretched(frame.blank ? nullptr : frame.grey.dib, UsedSettings(), grid);
  return true;
}

// Composing starts over for another backdrop: every frame is prepared again.
void PreviewFrames::ComposeAgain() {
  composedBackdrop_ = settings_.Picture.Transparent;
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
  if (settings_.Picture.Timing == TimingSource::Gif && medianDelay_) {
    const RowTiming timing = ClosestRowTiming(*medianDelay_, settings_.Speed);
    used.Tempo = timing.Tempo;
    used.Speed = timing.Speed;
  }
  if (!settings_.Picture.AutoThreshold || settings_.Picture.Dither != DitherMethod::None) {
    return used;
  }
  // The histogram is counted again only when frames were prepared since.
  int prepared = 0;
  for (const Frame& frame : frames_) prepared += Ready(frame) ? 1 : 0;
  const HistogramStamp stamp{settings_.Width, settings_.Height, composedBackdrop_, prepared};
  if (!(stamp == histogramStamp_)) {
    histogram_ = LuminanceHistogram{};
    for (const Frame& frame : frames_) {
      if (Ready(frame) && !frame.blank) AddLuminance(frame.grey.dib, histogram_);
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
  if (grid.rows != settings.Height || grid.channels != settings.Width / PixelsPerCell) {
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
  std::size_t bytes = canvasBytes_ + BitmapBytes(shownCanvas_.dib);
  for (const Frame& frame : frames_) bytes += BitmapBytes(frame.grey.dib);
  return bytes;
}

}  // namespace vorlix
