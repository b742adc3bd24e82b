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

// Where the module's bytes go: a temporary file that gets the output name when whole, or memory.
struct ModuleSink {
  std::FILE* file = nullptr;
  std::vector<std::uint8_t>* bytes = nullptr;

  bool Header(const ModuleHeader& header) {
    if (file != nullptr) return WriteModuleHeader(file, header);
    bytes->insert(bytes->end(), header.begin(), header.end());
    return true;
  }
  bool Pattern(std::int32_t rows, const PatternBytes& pattern) {
    if (file != nullptr) return WritePatternBlock(file, rows, pattern);
    AppendPatternBlock(*bytes, rows, pattern);
    return true;
  }
  bool Instrument() {
    if (file != nullptr) return WriteInstrumentBlock(file);
    bytes->insert(bytes->end(), InstrumentBlock.begin(), InstrumentBlock.end());
    return true;
  }
};

// Writes the pattern block of every frame, with a progress line and the status after each. The
// frames come from the pipeline, or from `stored` when a first pass kept them.
RunError WritePatterns(Animation& animation, const LuminanceFrames* stored, ModuleSink& sink,
                       const ConversionSettings& settings, const RunReporter& reporter,
                       std::ostream& out) {
  const int total = animation.frameTotal;
  std::optional<FramePipeline> frames;
  if (total > 0 && stored == nullptr) frames.emplace(*animation.compositor, total, settings);
  FrameGrid grid = stored != nullptr ? MakeFrameGrid(settings) : FrameGrid{};
  for (int j = 0; j < total; ++j) {
    PatternBytes bytes;
    const RunError error = stored != nullptr ? EncodeStoredFrame(*stored, j, settings, grid, bytes)
                                             : frames->Take(j, bytes);
    // A frame made from a file that changed on the way ends the run, whatever else failed.
    if (GifFileChanged(*animation.compositor)) return RunError::FileChanged;
    if (error != RunError::None) return error;
    if (!sink.Pattern(settings.Height, bytes)) return RunError::CannotWrite;
    out << FrameConvertedLine(j);
    reporter.SetStatusText(ConvertedFramesStatus(j + 1, total));
  }
  return RunError::None;
}

// The whole module: header, patterns, instrument.
RunError WriteModuleTo(ModuleSink& sink, Animation& animation, const LuminanceFrames* stored,
                       const ConversionSettings& settings, const RunReporter& reporter,
                       std::ostream& out) {
  const ModuleHeader header = BuildModuleHeader(settings, animation.frameTotal);
  if (!sink.Header(header)) return RunError::CannotWrite;
  const RunError error = WritePatterns(animation, stored, sink, settings, reporter, out);
  if (error != RunError::None) return error;
  return sink.Instrument() ? RunError::None : RunError::CannotWrite;
}

// A temporary that is closed and removed when the run leaves it unfinished, even when memory
// runs out on the way.
struct UnfinishedTemporary {
  TemporaryFile temp;
  bool open = true;
  bool kept = false;
  ~UnfinishedTemporary() {
    if (open) FinishFile(temp.file);
    if (!kept) DiscardTemporary(temp.path);
  }
};

// Writes the whole module into a temporary file that gets the output name only when it is whole;
// a module that could not be finished is removed. When another run took the output name in the
// meantime, numbering goes on as ResolveOutputName numbers: `outputName` becomes the name used.
RunError WriteModuleFile(Animation& animation, const LuminanceFrames* stored,
                         std::string& outputName, const std::function<std::string()>& nextName,
                         const ConversionSettings& settings, const RunReporter& reporter,
                         std::ostream& out) {
  const TemporaryFile temp = CreateTemporaryFor(outputName);
  if (temp.status != PlatformStatus::Ok) return RunError::CannotWrite;
  UnfinishedTemporary unfinished{temp};
  std::setvbuf(temp.file, nullptr, _IOFBF, kOutputBufferSize);
  ModuleSink sink{temp.file, nullptr};
  RunError error = WriteModuleTo(sink, animation, stored, settings, reporter, out);
  unfinished.open = false;
  if (FinishFile(temp.file) != PlatformStatus::Ok && error == RunError::None) {
    error = RunError::CannotWrite;
  }
  if (error != RunError::None) return error;
  unfinished.kept = true;  // committed or not, the temporary name is gone after this
  CommittedFile saved = CommitTemporary(temp.path, outputName, nextName);
  if (saved.status != PlatformStatus::Ok) return RunError::CannotWrite;
  outputName = std::move(saved.name);
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
  const RunError error = stored.emplace().Read(animation, used);
  if (error != RunError::None) return error;
  used.Threshold = OtsuThreshold(stored->Histogram()).value_or(used.Threshold);
  reporter.ShowMessage(KindOf(Message::AutomaticThreshold), AutomaticThresholdText(used.Threshold));
  return RunError::None;
}

// Opens the GIF and converts it into `memory` when given, else into a new file; says so when
// frames are cut, and what the picture options chose.
RunError Convert(const GifInput& input, std::string& outputName,
                 const std::function<std::string()>& nextName, const ConversionSettings& settings,
                 const RunReporter& reporter, std::ostream& out, SaveResult& result,
                 std::vector<std::uint8_t>* memory) {
  const ImageLibrary library;
  const PageCount count = CountGifPages(input);
  if (count.error != RunError::None) return count.error;
  if (count.pages > MaxFrames) Report(reporter, Message::TooManyFrames);
  Animation animation;
  RunError error = OpenAnimation(input, count.pages, animation);
  if (error != RunError::None) return error;
  result.frames = animation.frameTotal;
  if (animation.compositor) SetBackdrop(*animation.compositor, settings.Picture.Backdrop);
  ConversionSettings used = settings;
  ApplyGifTiming(animation, used, reporter);
  std::optional<LuminanceFrames> stored;
  if (AutoThresholdInEffect(settings.Picture) && animation.frameTotal > 0) {
    error = ChooseThreshold(animation, stored, used, reporter);
    if (error != RunError::None) return error;
  }
  const LuminanceFrames* kept = stored ? &*stored : nullptr;
  if (memory != nullptr) {
    ModuleSink sink{nullptr, memory};
    return WriteModuleTo(sink, animation, kept, used, reporter, out);
  }
  return WriteModuleFile(animation, kept, outputName, nextName, used, reporter, out);
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

OutputTarget FileTarget(const std::string& typedName) {
  return {typedName, false};
}

OutputTarget ByteTarget(const std::string& shownName) {
  return {shownName, true};
}

LoadResult LoadInput(const GifInput& input, const RunReporter& reporter, RunState& state) {
  state.InputLoadedFlag = false;
  if (!GifInputExists(input)) {
    state.SaveOutcome = SaveOutcome::NothingLoaded;
    // Something there that cannot be opened for reading is not missing: saying so would send
    // the user looking for a file that is there.
    Report(reporter,
           ThereButUnreadable(input.path) ? Message::CannotReadFile : Message::FileNotFound);
    return {};
  }
  const ImageLibrary library;
  const PageCount count = CountGifPages(input);
  if (count.error != RunError::None || count.pages < 1) {
    Report(reporter,
           count.error == RunError::None ? Message::CannotOpenFile : ErrorMessage(count.error));
    return {};
  }
  Report(reporter, Message::FileLoaded);
  state.InputLoadedFlag = true;
  return {true, count.pages};
}

void LoadInput(const std::string& inputPath, const RunReporter& reporter, RunState& state) {
  LoadInput(GifInputFromPath(NativePath(inputPath)), reporter, state);
}

std::string ResolveOutputName(const std::string& typedName) {
  return FirstFreeNumberedName(OutputBase(typedName), kXmExtension);
}

SaveResult ConversionRun(const OutputTarget& target, const GifInput& input,
                         const RunReporter& reporter, std::ostream& out,
                         const ConversionSettings& settings, RunState& state) {
  SaveResult result;
  state.SaveOutcome = SaveOutcome::NotWritten;
  // Bytes keep the name they are shown under; a file's name is numbered until it is free.
  const std::string typedName = target.inMemory ? target.name : NativePath(target.name);
  const std::string resolvedName = target.inMemory ? typedName : ResolveOutputName(typedName);
  // Every numbered name taken: the error names the module asked for, unnumbered.
  const std::string unnumberedName =
      target.inMemory ? typedName : OutputBase(typedName) + kXmExtension;
  const auto finish = [&](SaveOutcome outcome) {
    state.SaveOutcome = outcome;
    result.outcome = outcome;
    return result;
  };
  if (!target.inMemory && resolvedName.empty()) {
    Report(reporter, Message::CannotWriteFile, unnumberedName);
    return finish(SaveOutcome::NotWritten);
  }
  std::string outputName = resolvedName;
  out << SavingToLine(outputName);
  if (!GifInputExists(input) || !state.InputLoadedFlag) {
    Report(reporter, Message::NothingLoaded);
    return finish(SaveOutcome::NothingLoaded);
  }
  bool namesRanOut = false;  // other runs took every name while this one wrote
  const auto nextName = [&] {
    std::string name = ResolveOutputName(typedName);
    namesRanOut = name.empty();
    return name;
  };
  std::vector<std::uint8_t>* memory = target.inMemory ? &result.bytes : nullptr;
  RunError error = RunError::None;
  try {
    error = Convert(input, outputName, nextName, settings, reporter, out, result, memory);
  } catch (const std::bad_alloc&) {
    error = RunError::TooLarge;  // out of memory part way, inside the image library's allocations
  }
  if (error != RunError::None) {
    result.bytes.clear();
    Report(reporter, ErrorMessage(error), namesRanOut ? unnumberedName : outputName);
    return finish(SaveOutcome::NotWritten);
  }
  // The name moved on to a free one: the last "Saving to" line names the file written.
  if (outputName != resolvedName) out << SavingToLine(outputName);
  result.name = outputName;
  out << MessageText(Message::SavedToFile, outputName);
  Report(reporter, Message::SavedToFile, outputName);
  return finish(SaveOutcome::Written);
}

SaveOutcome ConversionRun(const std::string& typedOutputName, const std::string& inputPath,
                          const RunReporter& reporter, std::ostream& out,
                          const ConversionSettings& settings, RunState& state) {
  return ConversionRun(FileTarget(typedOutputName), GifInputFromPath(NativePath(inputPath)),
                       reporter, out, settings, state)
      .outcome;
}

}  // namespace vorlix
