#include "convert/frame_pipeline.h"

#include <array>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "convert/picture/frame_sampling.h"
#include "convert/picture/stretch.h"
#include "convert/xm/pattern_encoding.h"

namespace vorlix {
namespace {

// What one thread keeps from the frame it sampled last: its copy of the canvas and the
// stretched picture, so that the next frame it samples copies and stretches only what changed
// in between.
struct Sampler {
  Sampler(const ConversionSettings& settings, int slot)
      : grid(MakeFrameGrid(settings)), stretch(settings.Width, settings.Height), slot(slot) {}
  FrameGrid grid;
  SamplingBuffers buffers;
  GreyStretch stretch;
  int slot;  // its entry in State::pending_
};

}  // namespace

// Composes, samples and encodes the frames of a conversion on two worker threads while the
// calling thread takes the results in frame order. A worker takes the next frame number, decodes
// that raw frame with its own reader, waits until the frames before it are drawn, then draws it
// and copies the canvas under the lock, and samples its copy after it; the other worker meanwhile
// decodes, draws or samples its own frame. Without worker threads, the calling thread does every
// step itself and samples the canvas in place. Each thread copies and stretches only the part of
// the canvas that changed since the frame it sampled last.
struct FramePipeline::State {
  State(GifCompositor& compositor, int frameTotal, const ConversionSettings& settings)
      : compositor_(compositor),
        total_(frameTotal),
        settings_(settings),
        bytes_(frameTotal),
        ready_(frameTotal, 0) {
    const unsigned cores = std::thread::hardware_concurrency();
    const int workers = frameTotal > 1 && cores > 1 ? kWorkers : 0;
    try {
      for (int i = 0; i < workers; ++i) workers_.emplace_back([this, i] { Work(i); });
    } catch (const std::system_error&) {
      // Whatever started does all the work; with no worker the calling thread does it.
    }
  }

  ~State() {
    Stop();
    for (std::thread& worker : workers_) worker.join();
  }

  // The packed bytes of frame j. Frames are taken in order 0, 1, 2, ...
  RunError Take(int j, PatternBytes& bytes) {
    if (workers_.empty()) {
      if (!alone_) alone_ = std::make_unique<Sampler>(settings_, kWorkers);
      ProduceNext(*alone_, nullptr, false);
    }
    std::unique_lock<std::mutex> lock(doneMutex_);
    done_.wait(lock, [&] { return ready_[j] != 0 || noMemory_; });
    if (!ready_[j]) return RunError::TooLarge;
    bytes = std::move(bytes_[j]);
    return RunError::None;
  }

  // A worker thread's entry: out of memory inside the library's own allocations stops the run as
  // a missing picture does, and Take says TooLarge.
  void Work(int slot) {
    try {
      Sampler sampler(settings_, slot);
      // Without a reader of its own the worker decodes under the lock, as the calling thread does.
      const GifFrameReaderHandle reader = OpenGifFrameReader(compositor_);
      while (ProduceNext(sampler, reader.get(), true)) {
      }
    } catch (const std::bad_alloc&) {
      NoMemory();
    }
  }

  // The image library gave no picture for lack of memory: the run stops rather than writing a
  // blank frame, and Take says so.
  bool NoMemory() {
    Stop();
    {
      std::lock_guard<std::mutex> lock(doneMutex_);
      noMemory_ = true;
    }
    done_.notify_all();
    return false;
  }

  // Stops the run: no frame is taken or drawn after this.
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(composeMutex_);
      stopping_ = true;
    }
    turn_.notify_all();
  }

  // Composes the next frame and encodes it; false when every frame is taken or the run stops.
  // With a reader the raw frame is decoded before the lock is taken. A worker samples its own
  // copy of the canvas; the calling thread alone samples it in place.
  bool ProduceNext(Sampler& sampler, GifFrameReader* reader, bool copyCanvas) {
    int j = 0;
    {
      std::lock_guard<std::mutex> lock(composeMutex_);
      if (stopping_ || next_ >= total_) return false;
      j = next_++;
    }
    if (reader != nullptr) DecodeGifFrame(*reader, j);
    Picture* picture = nullptr;
    Rect changed;
    {
      // Frames are drawn strictly in order: frame j waits until frame j - 1 is on the canvas.
      std::unique_lock<std::mutex> lock(composeMutex_);
      turn_.wait(lock, [&] { return drawn_ == j || stopping_; });
      if (stopping_) return false;
      Picture* canvas =
          (reader != nullptr ? ComposeFrame(compositor_, j, *reader) : ComposeFrame(compositor_, j))
              .canvas;
      // Within the frame count the library gives no canvas, and no copy of one, only when it
      // runs out of memory.
      const bool missing = canvas == nullptr && j < GifFrameCount(compositor_);
      if (canvas != nullptr) {
        // Every thread's next frame differs from its last one by what this frame changed too.
        for (Rect& pending : pending_) pending = Union(pending, LastCanvasChange(compositor_));
        changed = std::exchange(pending_[sampler.slot], Rect{});
      }
      PictureStatus copied = PictureStatus::Ok;
      if (copyCanvas) {
        copied = sampler.buffers.Copy(canvas, &changed, picture);
      } else {
        picture = canvas;
      }
      if (missing || copied != PictureStatus::Ok) {
        lock.unlock();
        return NoMemory();
      }
      drawn_ = j + 1;
    }
    turn_.notify_all();
    PictureStatus status = PictureStatus::Ok;
    const Bitmap grey = sampler.stretch.Grey(picture, changed, status);
    if (status != PictureStatus::Ok ||
        SampleStretched(grey.get(), settings_, sampler.grid) != PictureStatus::Ok) {
      return NoMemory();
    }
    PatternBytes bytes;
    EncodeFrame(sampler.grid, settings_, bytes);
    {
      std::lock_guard<std::mutex> lock(doneMutex_);
      bytes_[j] = std::move(bytes);
      ready_[j] = 1;
    }
    done_.notify_all();
    return true;
  }

  GifCompositor& compositor_;
  const int total_;
  const ConversionSettings settings_;
  static constexpr int kWorkers = 2;
  std::unique_ptr<Sampler> alone_;  // the calling thread's, when it works alone

  std::mutex composeMutex_;  // guards the compositor, next_, drawn_ and stopping_
  std::condition_variable turn_;
  int next_ = 0;   // the next frame to take
  int drawn_ = 0;  // the frames drawn so far
  bool stopping_ = false;
  // For each thread (the workers, then the calling thread), what changed on the canvas since
  // the frame it sampled last.
  std::array<Rect, kWorkers + 1> pending_{};

  std::mutex doneMutex_;  // guards bytes_ and ready_
  std::condition_variable done_;
  std::vector<PatternBytes> bytes_;
  std::vector<char> ready_;
  bool noMemory_ = false;  // the library gave no picture, or memory ran out

  std::vector<std::thread> workers_;
};

FramePipeline::FramePipeline(GifCompositor& compositor, int frameTotal,
                             const ConversionSettings& settings)
    : state_(std::make_unique<State>(compositor, frameTotal, settings)) {}

FramePipeline::~FramePipeline() = default;

RunError FramePipeline::Take(int j, PatternBytes& bytes) {
  return state_->Take(j, bytes);
}

}  // namespace vorlix
