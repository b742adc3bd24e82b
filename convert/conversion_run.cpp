#include "convert/conversion_run.h"

#include <cstdio>
#include <functional>
#include <new>
#include <optional>
#include <vector>

#include "convert/animation.h"
#include "convert/frame_pipeline.h"
#include "convert/gif/gif_timing.h"
#include "convert/luminance_frames.h"
#include "convert/numbered_name.h"
#include "convert/picture/frame_sampling.h"
#include "convert/xm/pattern_encoding.h"
#include "convert/xm/xm_writer.h"
#include "platform/new_file.h"

namespace vorlix {
namespace {

const char kXmExtension[] = ".xm";
constexpr std::size_t kOutputBufferSize = 1 << 16;

// The packed bytes of frame j from the first pass of an automatic threshold.
RunError EncodeStoredFrame(const LuminanceFrames& stored, int j, const ConversionSettings& settings,
                           FrameGrid& grid, PatternBytes& bytes) {
  if (SampleStretched(stored.Frame(j), settings, grid) != PictureStatus::Ok) {
    return RunError::TooLarge;
  }
  EncodeFrame(grid, settings, bytes);
  return RunError::None;
}

// Writes the pattern block of every frame, with a progress line and the status after each. The
// frames come from the pipeline, or from `stored` when a first pass kept them.
RunError WritePatterns(Animation& animation, const LuminanceFrames* stored, std::FILE* file,
                       const ConversionSettings& settings, const RunReporter& reporter,
                       std::ostream& out) {
  const int total = animation.frameTotal;
  try {
    std::optional<FramePipeline> frames;
    if (total > 0 && stored == nullptr) frames.emplace(*animation.compositor, total, settings);
    FrameGrid grid = stored != nullptr ? MakeFrameGrid(settings) : FrameGrid{};
    for (int j = 0; j < total; ++j) {
      PatternBytes bytes;
      const RunError error = stored != nullptr
                                 ? EncodeStoredFrame(*stored, j, settings, grid, bytes)
                                 : frames->Take(j, bytes);
      // A frame made from a file that changed on the way ends the run, whatever else failed.
      if (GifFileChanged(*animation.compositor)) return RunError::FileChanged;
      if (error != RunError::None) return error;
      if (!WritePatternBlock(file, settings.Height, bytes)) return RunError::CannotWrite;
      out << FrameConvertedLine(j);
      reporter.SetStatusText(ConvertedFramesStatus(j + 1, total));
    }
  } catch (const std::bad_alloc&) {
    return RunError::TooLarge;  // out of memory part way, inside the image library's allocations
  }
  return RunError::None;
}

// Writes the whole module into a temporary file that gets the output name only when it is whole;
// a module that could not be finished is removed. When another run took the output name in the
// meantime, numbering goes on as ResolveOutputName numbers: `outputName` becomes the name used.
RunError WriteModule(Animation& animation, const LuminanceFrames* stored, std::string& outputName,
                     const std::function<std::string()>& nextName,
                     const ConversionSettings& settings, const RunReporter& reporter,
                     std::ostream& out) {
  const ModuleHeader header = BuildModuleHeader(settings, animation.frameTotal);
  const TemporaryFile temp = CreateTemporaryFor(outputName);
  std::FILE* file = temp.file;
  if (!file) return RunError::CannotWrite;
  std::setvbuf(file, nullptr, _IOFBF, kOutputBufferSize);
  RunError error = WriteModuleHeader(file, header)
                       ? WritePatterns(animation, stored, file, settings, reporter, out)
                       : RunError::CannotWrite;
  if (error == RunError::None && !WriteInstrumentBlock(file)) error = RunError::CannotWrite;
  if (!FinishFile(file) && error == RunError::None) error = RunError::CannotWrite;
  if (error != RunError::None) {
    DiscardTemporary(temp.path);
    return error;
  }
  const std::string savedName = CommitTemporary(temp.path, outputName, nextName);
  if (savedName.empty()) return RunError::CannotWrite;
  outputName = savedName;
  return RunError::None;
}

// Tempo and speed from the median delay of the converted frames, said as an Information line.
void ApplyGifTiming(const Animation& animation, ConversionSettings& settings,
                    const RunReporter& reporter) {
  const std::optional<int> median = MedianFrameDelay(animation);
  const std::optional<RowTiming> timing = ApplyGifTiming(median, settings);
  if (!timing) return;
  reporter.ShowMessage(KindOf(Message::GifTiming),
                       GifTimingText(*median, timing->Tempo, timing->Speed));
}

// The first pass of an automatic threshold: the threshold chosen from every frame, said as an
// Information line.
RunError ChooseThreshold(Animation& animation, std::optional<LuminanceFrames>& stored,
                         ConversionSettings& used, const RunReporter& reporter) {
  try {
    const RunError error = stored.emplace().Read(animation, used);
    if (error != RunError::None) return error;
  } catch (const std::bad_alloc&) {
    return RunError::TooLarge;  // out of memory inside the image library's allocations
  }
  used.Threshold = OtsuThreshold(stored->Histogram()).value_or(used.Threshold);
  reporter.ShowMessage(KindOf(Message::AutomaticThreshold), AutomaticThresholdText(used.Threshold));
  return RunError::None;
}

// Opens the GIF and converts it; says so when frames are cut, and what the picture options
// chose.
RunError Convert(const std::string& path, std::string& outputName,
                 const std::function<std::string()>& nextName, const ConversionSettings& settings,
                 const RunReporter& reporter, std::ostream& out) {
  const ImageLibrary library;
  const PageCount count = CountGifPages(path);
  if (count.error != RunError::None) return count.error;
  if (count.pages > MaxFrames) Report(reporter, Message::TooManyFrames);
  Animation animation;
  RunError error = OpenAnimation(path, count.pages, animation);
  if (error != RunError::None) return error;
  if (animation.compositor) SetBackdrop(*animation.compositor, settings.Picture.Transparent);
  ConversionSettings used = settings;
  ApplyGifTiming(animation, used, reporter);
  std::optional<LuminanceFrames> stored;
  if (AutoThresholdInEffect(settings.Picture) && animation.frameTotal > 0) {
    error = ChooseThreshold(animation, stored, used, reporter);
    if (error != RunError::None) return error;
  }
  return WriteModule(animation, stored ? &*stored : nullptr, outputName, nextName, used, reporter,
                     out);
}

// The typed name without its ".xm", when it ends in one.
std::string OutputBase(const std::string& typedName) {
  const std::size_t extLength = sizeof kXmExtension - 1;
  const bool hasExtension =
      typedName.size() >= extLength &&
      typedName.compare(typedName.size() - extLength, extLength, kXmExtension) == 0;
  return hasExtension ? typedName.substr(0, typedName.size() - extLength) : typedName;
}

}  // namespace

void Report(const RunReporter& reporter, Message message, const std::string& name) {
  reporter.ShowMessage(KindOf(message), MessageText(message, name));
}

void LoadInput(const std::string& inputPath, const RunReporter& reporter, RunState& state) {
  state.InputLoadedFlag = false;
  const std::string path = NativePath(inputPath);
  if (!FileExists(path)) {
    state.SaveOutcome = SaveOutcome::NothingLoaded;
    // Something there that cannot be opened for reading is not missing: saying so would send
    // the user looking for a file that is there.
    Report(reporter, ThereButUnreadable(path) ? Message::CannotReadFile : Message::FileNotFound);
    return;
  }
  const ImageLibrary library;
  const PageCount count = CountGifPages(path);
  if (count.error != RunError::None || count.pages < 1) {
    Report(reporter,
           count.error == RunError::None ? Message::CannotOpenFile : ErrorMessage(count.error));
    return;
  }
  Report(reporter, Message::FileLoaded);
  state.InputLoadedFlag = true;
}

std::string ResolveOutputName(const std::string& typedName) {
  return FirstFreeNumberedName(OutputBase(typedName), kXmExtension);
}

SaveOutcome ConversionRun(const std::string& typedOutputName, const std::string& inputPath,
                          const RunReporter& reporter, std::ostream& out,
                          const ConversionSettings& settings, RunState& state) {
  state.SaveOutcome = SaveOutcome::NotWritten;
  const std::string typedName = NativePath(typedOutputName);
  const std::string resolvedName = ResolveOutputName(typedName);
  // Every numbered name taken: the error names the module asked for, unnumbered.
  const std::string unnumberedName = OutputBase(typedName) + kXmExtension;
  if (resolvedName.empty()) {
    Report(reporter, Message::CannotWriteFile, unnumberedName);
    return state.SaveOutcome;
  }
  std::string outputName = resolvedName;
  out << SavingToLine(outputName);
  const std::string path = NativePath(inputPath);
  if (!FileExists(path) || !state.InputLoadedFlag) {
    state.SaveOutcome = SaveOutcome::NothingLoaded;
    Report(reporter, Message::NothingLoaded);
    return state.SaveOutcome;
  }
  bool namesRanOut = false;  // other runs took every name while this one wrote
  const auto nextName = [&] {
    std::string name = ResolveOutputName(typedName);
    namesRanOut = name.empty();
    return name;
  };
  const RunError error = Convert(path, outputName, nextName, settings, reporter, out);
  if (error != RunError::None) {
    Report(reporter, ErrorMessage(error), namesRanOut ? unnumberedName : outputName);
    return state.SaveOutcome;
  }
  // The name moved on to a free one: the last "Saving to" line names the file written.
  if (outputName != resolvedName) out << SavingToLine(outputName);
  state.SaveOutcome = SaveOutcome::Written;
  out << MessageText(Message::SavedToFile, outputName);
  Report(reporter, Message::SavedToFile, outputName);
  return state.SaveOutcome;
}

}  // namespace vorlix
