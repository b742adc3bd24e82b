// The frames of one GIF kept ready for a preview. Each composed frame is kept stretched to the
// current size as the greyscale the threshold is applied to, so that a change of threshold,
// inverse colors, fill bytes or breaks only thresholds and encodes again. A change of size
// stretches the shown frame again at once, from its composed picture, while the others are
// prepared: by a background thread, or without one by the caller, a frame at a time.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "convert/animation.h"
#include "convert/gif/image_library.h"
#include "convert/gif_input.h"
#include "convert/messages.h"
#include "convert/picture/auto_threshold.h"
#include "convert/picture/frame_sampling.h"
#include "convert/picture/stretch.h"
#include "convert/xm/frame_grid.h"
#include "preview/pattern_view.h"

namespace vorlix {

// Composed pictures kept for fast size changes, at most this many bytes (and the shown one).
inline constexpr std::size_t kPreviewCanvasBudget = 16u << 20;

// Who prepares the frames after the first.
enum class PreviewThreading {
  Worker,  // a background thread; the caller steps (see PrepareStep) when none can be started
  None,    // no thread is started: the caller steps
};

class PreviewFrames {
 public:
  // Opens the GIF and prepares frame 0 before it returns; the others are prepared as
  // `threading` says. Empty, with `error` set, when the GIF cannot be opened or has no frame.
  // Bytes in memory must live as long as the frames: a shared GifInput keeps them.
  static std::unique_ptr<PreviewFrames> Open(const GifInput& input,
                                             const ConversionSettings& settings, RunError& error,
                                             std::size_t canvasBudget = kPreviewCanvasBudget,
                                             PreviewThreading threading = PreviewThreading::Worker);
  // The same for the file at `path`.
  static std::unique_ptr<PreviewFrames> Open(
      const std::string& path, const ConversionSettings& settings, RunError& error,
      std::size_t canvasBudget = kPreviewCanvasBudget,
      PreviewThreading threading = PreviewThreading::Worker) {
    return Open(GifInputFromPath(path), settings, error, canvasBudget, threading);
  }
  ~PreviewFrames();
  PreviewFrames(const PreviewFrames&) = delete;
  PreviewFrames& operator=(const PreviewFrames&) = delete;

  int FrameCount() const { return frameTotal_; }
  int PageCount() const { return pageCount_; }  // frames in the file, before the cut

  // The settings every later call works with. Frames of another size are prepared again.
  void SetSettings(const ConversionSettings& settings);

  // Frame j is the one on screen: its composed picture is kept (composed in the background when
  // it is not at hand), so that a change of size redraws it at once.
  void ShowFrame(int j);

  // Frame j sampled for the current settings, as the module samples it; false while frame j is
  // not prepared at the current size and its composed picture is not at hand.
  bool Sample(int j, FrameGrid& grid);
  // The same, encoded and read back as a tracker shows it.
  bool View(int j, PatternView& view);

  // The settings a module would be written with now: as set, with the automatic threshold and
  // the GIF's timing applied when the picture options ask for them.
  ConversionSettings Used() const;
  // The median delay of the converted frames, in hundredths; nothing when the GIF gives none.
  std::optional<int> GifMedianDelay() const { return medianDelay_; }

  // True when no worker thread prepares the frames (PreviewThreading::None, or no thread could
  // be started): the caller prepares them with PrepareStep.
  bool Stepped() const { return stepped_; }
  // Without a worker thread, one step of preparing on the calling thread: one more frame
  // prepared for the current settings, or, once all are, one frame composed on the way to the
  // shown frame's picture when that is not kept. True while more remains; false when nothing is
  // left, when preparing failed, and always with a worker thread (which does this itself). A
  // front end calls it when idle until it returns false, and again after SetSettings or
  // ShowFrame. Pictures and views are then the worker's, frame for frame.
  bool PrepareStep();

  // Frames prepared at the current size; all of them once preparing is done.
  int PreparedFrames() const;
  // Waits until every frame is prepared at the current size; false after the timeout or when
  // preparing failed. Without a worker thread it prepares them itself, step by step, until they
  // are all prepared or the timeout has passed.
  bool WaitUntilPrepared(std::chrono::milliseconds timeout);
  // True when preparing stopped for lack of memory.
  bool Failed() const;
  // True when another program changed the GIF since it was opened.
  bool FileChanged() const { return GifFileChanged(*animation_.compositor); }
  // Bytes of the kept greyscale frames and composed pictures.
  std::size_t KeptBytes() const;

 private:
  struct Frame {
    Bitmap grey;                // the stretched luminance, 8-bit grey
    int width = 0, height = 0;  // size of `grey`; 0 when not prepared
    bool blank = false;         // no composed picture: all marks 0 at every size
    Bitmap canvas;              // the composed picture, when kept
  };

  enum class Step { Done, Idle, Failed };

  PreviewFrames() = default;
  void Work();
  bool StepHere();
  Step NextStep(std::unique_lock<std::mutex>& lock);
  bool ShownCanvasMissing() const;
  bool WorkLeft() const;
  void Fail() const;
  bool Ready(const Frame& frame) const;
  int FirstUnprepared() const;
  bool Prepare(int j, std::unique_lock<std::mutex>& lock);
  bool PinShownFrame(std::unique_lock<std::mutex>& lock);
  Picture* Compose(int j);
  void ComposeAgain();
  ConversionSettings UsedSettings() const;
  Picture* CanvasAtHand(int j) const;
  bool KeepCanvas(Picture* canvas, bool force, Bitmap& kept);

  ImageLibrary library_;
  Animation animation_;                 // used by the worker only, after Open
  std::optional<GreyStretch> stretch_;  // the same: frames composed in order, stretched
  int composed_ = -1;                   // the same: the frame on the compositor's canvas
  int frameTotal_ = 0;
  int pageCount_ = 0;
  std::size_t canvasBudget_ = 0;
  std::optional<int> medianDelay_;  // of the converted frames, in hundredths of a second

  bool stepped_ = false;  // no worker thread: the caller steps

  mutable std::mutex mutex_;                  // guards everything below
  std::condition_variable wake_;              // work for the worker
  mutable std::condition_variable prepared_;  // a frame was prepared, or preparing failed
  ConversionSettings settings_;
  std::vector<Frame> frames_;
  std::size_t canvasBytes_ = 0;
  int shown_ = 0;
  Bitmap shownCanvas_;  // the shown frame's picture when it is not among the kept ones
  int shownCanvasFrame_ = -1;
  BackdropColour composedBackdrop_ = BackdropColour::Background;  // the compositor's
  // Luminance of the prepared frames, for the automatic threshold, and what it was counted for.
  struct HistogramStamp {
    int width = 0, height = 0;
    BackdropColour backdrop = BackdropColour::Background;
    int prepared = -1;
    bool operator==(const HistogramStamp&) const = default;
  };
  mutable LuminanceHistogram histogram_{};
  mutable HistogramStamp histogramStamp_;
  bool stopping_ = false;
  mutable bool failed_ = false;  // also set by the histogram, counted when a query needs it
  std::thread worker_;
};

}  // namespace vorlix
