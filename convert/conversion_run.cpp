#include "convert/conversion_run.h"

#include <FreeImage.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "convert/file_view.h"
#include "convert/frame_sampling.h"
#include "convert/gif_frames.h"
#include "convert/output_file.h"
#include "convert/pattern_encoding.h"
#include "convert/xm_layout.h"

namespace vorlix {
namespace {

const char kXmExtension[] = ".xm";
constexpr std::size_t kOutputBufferSize = 1 << 16;

// The image library is initialised for one command and released when it ends.
struct ImageLibrary {
  ImageLibrary() { FreeImage_Initialise(FALSE); }
  ~ImageLibrary() { FreeImage_DeInitialise(); }
  ImageLibrary(const ImageLibrary&) = delete;
  ImageLibrary& operator=(const ImageLibrary&) = delete;
};

constexpr int kNoHandle = -1;
constexpr int kFileTooLarge = -2;

// Number of frames the library reports for the GIF; kNoHandle when it gives no handle,
// kFileTooLarge when the file is too large to be held. The file is read from memory: the library
// walks every block of it with a seek each.
int CountPages(const std::string& path) {
  FileViewStatus status = FileViewStatus::Ok;
  const std::unique_ptr<FileView> bytes = FileView::Open(path, status);
  if (!bytes) return status == FileViewStatus::TooLarge ? kFileTooLarge : kNoHandle;
  ViewStream stream(*bytes);
  FIMULTIBITMAP* gif = OpenGifFromStream(stream, GIF_PLAYBACK);
  if (!gif) return kNoHandle;
  const int pages = FreeImage_GetPageCount(gif);
  FreeImage_CloseMultiBitmap(gif, GIF_PLAYBACK);
  return pages;
}

// Composes, samples and encodes the frames of a conversion on two worker threads while the
// calling thread takes the results in frame order. A worker takes the next frame number, decodes
// that raw frame with its own reader, waits until the frames before it are drawn, then draws it
// and copies the canvas under the lock, and samples its copy after it; the other worker meanwhile
// decodes, draws or samples its own frame. Without worker threads, the calling thread does every
// step itself and samples the canvas in place.
class FramePipeline {
 public:
  FramePipeline(GifFrames& pages, int frameTotal, const ConversionSettings& settings)
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

  ~FramePipeline() {
    Stop();
    for (std::thread& worker : workers_) worker.join();
  }

  FramePipeline(const FramePipeline&) = delete;
  FramePipeline& operator=(const FramePipeline&) = delete;

  // The packed bytes of frame j. Frames are taken in order 0, 1, 2, ...
  PatternBytes Take(int j) {
    if (workers_.empty()) {
      if (grid_.cells.empty()) grid_ = MakeFrameGrid(settings_);
      ProduceNext(grid_, buffers_, nullptr, false);
    }
    std::unique_lock<std::mutex> lock(doneMutex_);
    done_.wait(lock, [&] { return ready_[j] != 0 || failure_; });
    if (!ready_[j]) std::rethrow_exception(failure_);
    return std::move(bytes_[j]);
  }

 private:
  void Work() {
    try {
      FrameGrid grid = MakeFrameGrid(settings_);
      SamplingBuffers buffers;
      // Without a reader of its own the worker decodes under the lock, as the calling thread does.
      const GifFrameReaderHandle reader = OpenGifFrameReader(pages_);
      while (ProduceNext(grid, buffers, reader.get(), true)) {
      }
    } catch (...) {
      // Out of memory, say, even inside the image library: the run stops and Take rethrows.
      Stop();
      {
        std::lock_guard<std::mutex> lock(doneMutex_);
        if (!failure_) failure_ = std::current_exception();
      }
      done_.notify_all();
    }
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
      // runs out of memory: the run stops rather than writing a blank frame.
      if (canvas == nullptr && j < GifFrameCount(pages_)) throw std::bad_alloc();
      picture = copyCanvas ? buffers.Copy(canvas) : canvas;
      if (canvas != nullptr && picture == nullptr) throw std::bad_alloc();
      drawn_ = j + 1;
    }
    turn_.notify_all();
    SampleImage(buffers.WithoutAlpha(picture), settings_, grid);
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

  GifFrames& pages_;
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

  std::vector<std::thread> workers_;
};

std::string CannotWriteText(const std::string& name) {
  return "Cannot write the file " + name + ".";
}

}  // namespace

const char* MessageCaption(MessageKind kind) {
  return kind == MessageKind::Error ? "Error" : "Information";
}

void LoadInput(const std::string& inputPath, const RunReporter& reporter, RunState& state) {
  state.InputLoadedFlag = false;
  const std::string path = NativePath(inputPath);
  if (!FileExists(path)) {
    state.SaveOutcome = -1;
    reporter.ShowMessage(MessageKind::Error, "File not found.");
    return;
  }
  ImageLibrary library;
  const int pageCount = CountPages(path);
  if (pageCount < 1) {
    reporter.ShowMessage(MessageKind::Error, pageCount == kFileTooLarge
                                                 ? "This animation is too large."
                                                 : "Cannot open this file.");
    return;
  }
  reporter.ShowMessage(MessageKind::Information, "File loaded.");
  state.InputLoadedFlag = true;
}

std::string ResolveOutputName(const std::string& typedName) {
  const std::size_t extLength = sizeof kXmExtension - 1;
  const bool hasExtension =
      typedName.size() >= extLength &&
      typedName.compare(typedName.size() - extLength, extLength, kXmExtension) == 0;
  const std::string base =
      hasExtension ? typedName.substr(0, typedName.size() - extLength) : typedName;
  std::string name = hasExtension ? typedName : typedName + kXmExtension;
  // Any file counts as taken, readable or not, so numbering never lands on an existing file.
  for (int counter = 1; NameTaken(name); ++counter) {
    name = base + "_" + std::to_string(counter) + kXmExtension;
  }
  return name;
}

int ConversionRun(const std::string& typedOutputName, const std::string& inputPath,
                  const RunReporter& reporter, std::ostream& out, ConversionSettings& settings,
                  RunState& state) {
  state.SaveOutcome = 0;
  const std::string outputName = ResolveOutputName(NativePath(typedOutputName));
  out << "Saving to: " << outputName << ".\n";

  const std::string path = NativePath(inputPath);
  if (!FileExists(path) || !state.InputLoadedFlag) {
    state.SaveOutcome = -1;
    reporter.ShowMessage(MessageKind::Error, "Nothing is loaded.");
    return state.SaveOutcome;
  }

  std::optional<ImageLibrary> library(std::in_place);
  const int pageCount = CountPages(path);
  if (pageCount < 0) {
    reporter.ShowMessage(MessageKind::Error, pageCount == kFileTooLarge
                                                 ? "This animation is too large."
                                                 : "Cannot open this file.");
    return state.SaveOutcome;
  }
  const int frameTotal = std::min(pageCount, MaxFrames);
  settings.FrameCount = frameTotal;
  if (pageCount > MaxFrames) {
    reporter.ShowMessage(MessageKind::Information, "Too many frames. The animation will be cut.");
  }

  GifFramesHandle pages;
  if (frameTotal > 0) {
    GifFramesStatus status = GifFramesStatus::Ok;
    pages = OpenGifFrames(path, status);
    if (status == GifFramesStatus::TooLarge) {
      reporter.ShowMessage(MessageKind::Error, "This animation is too large.");
      return state.SaveOutcome;
    }
    if (!pages) {
      reporter.ShowMessage(MessageKind::Error, "Cannot open this file.");
      return state.SaveOutcome;
    }
  }

  const ModuleHeader header = BuildModuleHeader(settings);
  const TemporaryFile temp = CreateTemporaryFor(outputName);
  std::FILE* file = temp.file;
  if (!file) {
    reporter.ShowMessage(MessageKind::Error, CannotWriteText(outputName));
    return state.SaveOutcome;
  }
  std::setvbuf(file, nullptr, _IOFBF, kOutputBufferSize);
  bool written = WriteModuleHeader(file, header);
  bool outOfMemory = false;
  {
    std::optional<FramePipeline> frames;
    try {
      if (frameTotal > 0 && written) frames.emplace(*pages, frameTotal, settings);
      // Writing, progress lines and status texts stay on the calling thread, in frame order.
      for (int j = 0; j < frameTotal && written; ++j) {
        written = WritePatternBlock(file, settings.Height, frames->Take(j));
        if (!written) break;
        out << "Frame " << j << " converted succesfully.\n";
        reporter.SetStatusText("Converted frames: " + std::to_string(j + 1) + "/" +
                               std::to_string(frameTotal));
      }
    } catch (const std::bad_alloc&) {
      // The partial module is removed below, as after a failed write.
      outOfMemory = true;
      written = false;
    }
  }
  written = written && WriteInstrumentBlock(file);
  written = FinishFile(file) && written;
  if (!written) {
    DiscardTemporary(temp.path);
    reporter.ShowMessage(MessageKind::Error, outOfMemory
                                                 ? std::string("This animation is too large.")
                                                 : CannotWriteText(outputName));
    return state.SaveOutcome;
  }
  // Numbered on as ResolveOutputName does when another run took the name in the meantime.
  const std::string savedName = CommitTemporary(
      temp.path, outputName, [&] { return ResolveOutputName(NativePath(typedOutputName)); });
  if (savedName.empty()) {
    reporter.ShowMessage(MessageKind::Error, CannotWriteText(outputName));
    return state.SaveOutcome;
  }
  if (savedName != outputName) out << "Saving to: " << savedName << ".\n";
  state.SaveOutcome = 1;
  pages.reset();
  library.reset();

  const std::string success = "Successfully saved to file " + savedName + ".";
  out << success;
  reporter.ShowMessage(MessageKind::Information, success);
  return state.SaveOutcome;
}

}  // namespace vorlix
