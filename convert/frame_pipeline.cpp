#include "convert/frame_pipeline.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "convert/picture/frame_sampling.h"
#include "convert/xm/pattern_encoding.h"

namespace vorlix {

// Composes, samples and encodes the frames of a conversion on two worker threads while the
// calling thread takes the results in frame order. A worker takes the next frame number, decodes
// that raw frame with its own reader, waits until the frames before it are drawn, then draws it
// and copies the canvas under the lock, and samples its copy after it; the other worker meanwhile
// decodes, draws or samples its own frame. Without worker threads, the calling thread does every
// step itself and samples the canvas in place.
struct FramePipeline::State {
  State(GifCompositor& pages, int frameTotal, const ConversionSettings& settings)
      : pages_(pages),
        total_(frameTotal),
        settings_(settings),
        bytes_(frameTotal),
        ready_(frameTotal, 0) {
    const unsigned cores = std::thread::hardware_concurrency();
    const int workers = frameTotal > 1 && cores > 1 ? 2 : 0;
    try {
      for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
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
      if (grid_.cells.empty()) grid_ = MakeFrameGrid(settings_);
      ProduceNext(grid_, buffers_, nullptr, false);
    }
    std::unique_lock<std::mutex> lock(doneMutex_);
    done_.wait(lock, [&] { return ready_[j] != 0 || failure_ || noMemory_; });
    if (!ready_[j] && failure_) std::rethrow_exception(failure_);
    if (!ready_[j]) return RunError::TooLarge;
    bytes = std::move(bytes_[j]);
    return RunError::None;
  }

  void Work() {
    try {
      FrameGrid grid = MakeFrameGrid(settings_);
      SamplingBuffers buffers;
      // Without a reader of its own the worker decodes under the lock, as the calling thread does.
      const GifFrameReaderHandle reader = OpenGifFrameReader(pages_);
      while (ProduceNext(grid, buffers, reader.get(), true)) {
      }
    } catch (...) {
      // Out of memory inside the library's own allocations, say: the run stops and Take
      // rethrows.
      Stop();
      {
        std::lock_guard<std::mutex> lock(doneMutex_);
        if (!failure_) failure_ = std::current_exception();
      }
      done_.notify_all();
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
  bool ProduceNext(FrameGrid& grid, SamplingBuffers& buffers, GifFrameReader* reader,
                   bool copyCanvas) {
    int j = 0;
    {
      std::lock_guard<std::mutex> lock(composeMutex_);
      if (stopping_ || next_ >= total_) return false;
      j = next_++;
    }
    if (reader != nullptr) DecodeGifFrame(*reader, j);
    FIBITMAP* picture = nullptr;
    {
      // Frames are drawn strictly in order: frame j waits until frame j - 1 is on the canvas.
      std::unique_lock<std::mutex> lock(composeMutex_);
      turn_.wait(lock, [&] { return drawn_ == j || stopping_; });
      if (stopping_) return false;
      FIBITMAP* canvas =
          reader != nullptr ? ComposeFrame(pages_, j, *reader) : ComposeFrame(pages_, j);
      // Within the frame count the library gives no canvas, and no copy of one, only when it
      // runs out of memory.
      const bool missing = canvas == nullptr && j < GifFrameCount(pages_);
      picture = copyCanvas ? buffers.Copy(canvas) : canvas;
      if (missing || (canvas != nullptr && picture == nullptr)) {
        lock.unlock();
        return NoMemory();
      }
      drawn_ = j + 1;
    }
    turn_.notify_all();
    if (SampleImage(buffers.WithoutAlpha(picture), settings_, grid) != PictureStatus::Ok) {
      return NoMemory();
    }
    PatternBytes bytes;
    EncodeFrame(grid, settings_, bytes);
    {
      std::lock_guard<std::mutex> lock(doneMutex_);
      bytes_[j] = std::move(bytes);
      ready_[j] = 1;
    }
    done_.notify_all();
    return true;
  }

  GifCompositor& pages_;
  const int total_;
  const ConversionSettings settings_;
  FrameGrid grid_;  // the calling thread's, when it works alone
  SamplingBuffers buffers_;

  std::mutex composeMutex_;  // guards the compositor, next_, drawn_ and stopping_
  std::condition_variable turn_;
  int next_ = 0;   // the next frame to take
  int drawn_ = 0;  // the frames drawn so far
  bool stopping_ = false;

  std::mutex doneMutex_;  // guards bytes_ and ready_
  std::condition_variable done_;
  std::vector<PatternBytes> bytes_;
  std::vector<char> ready_;
  std::exception_ptr failure_;  // the first exception a worker ended with
  bool noMemory_ = false;       // the library gave no picture

  std::vector<std::thread> workers_;
};

FramePipeline::FramePipeline(GifCompositor& pages, int frameTotal,
                             const ConversionSettings& settings)
    : state_(std::make_unique<State>(pages, frameTotal, settings)) {}

FramePipeline::~FramePipeline() = default;

RunError FramePipeline::Take(int j, PatternBytes& bytes) {
  return state_->Take(j, bytes);
}

}  // namespace vorlix
