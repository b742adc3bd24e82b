#include "preview/preview_run.h"

#include <chrono>

#include "platform/file_checks.h"
#include "preview/module_timing.h"
#include "preview/preview_frames.h"
#include "preview/preview_image.h"
#include "preview/tracker_screen.h"

namespace vorlix {
namespace {

// The tracker styles' GIFs store only what changes between frames and tells of every frame as
// a conversion does; the picture style's stays as it always was.
bool WriteFile(const PreviewRequest& request, const std::string& name, PreviewFrames& frames,
               const RunReporter& reporter, std::ostream& out, std::vector<std::uint8_t>* bytes) {
  if (PreviewKindOf(name) == PreviewFileKind::Png) {
    return WritePreviewPng(
        name, bytes, RedrawPreview(frames, request.frame, request.style, request.trackerViews));
  }
  GifWriting how;
  if (request.style != PreviewStyle::Picture) {
    out << SavingToLine(name);
    how.storage = GifFrameStorage::Changes;
    how.appended = [&, total = frames.FrameCount()](int j) {
      out << FrameConvertedLine(j);
      reporter.SetStatusText(ConvertedFramesStatus(j + 1, total));
    };
  }
  return WritePreviewGif(
      name, bytes, frames.FrameCount(),
      [&](int j) { return RedrawPreview(frames, j, request.style, request.trackerViews); },
      [used = frames.Used()](int j) { return FrameMilliseconds(used, j); }, how);
}

// What the picture options chose, said as a conversion says it.
void ReportChoices(const PreviewFrames& frames, const ConversionSettings& settings,
                   const RunReporter& reporter) {
  const ConversionSettings used = frames.Used();
  if (settings.Picture.Timing == TimingSource::Gif && frames.GifMedianDelay()) {
    reporter.ShowMessage(KindOf(Message::GifTiming),
                         GifTimingText(*frames.GifMedianDelay(), used.Tempo, used.Speed));
  }
  if (AutoThresholdInEffect(settings.Picture)) {
    reporter.ShowMessage(KindOf(Message::AutomaticThreshold),
                         AutomaticThresholdText(used.Threshold));
  }
}

// True when the name asks for a PNG or a GIF; otherwise reports it.
bool CheckPreviewKind(const std::string& name, const RunReporter& reporter) {
  if (PreviewKindOf(name) != PreviewFileKind::Unknown) return true;
  Report(reporter, Message::PreviewNameBad, name);
  return false;
}

}  // namespace

bool CheckPreviewName(const std::string& typedName, const RunReporter& reporter) {
  const std::string name = NativePath(typedName);
  if (!CheckPreviewKind(name, reporter)) return false;
  const std::size_t slash = name.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : name.substr(0, slash + 1);
  if (!IsFolder(folder)) {
    Report(reporter, Message::CannotWriteFile, name);
    return false;
  }
  return true;
}

PreviewPreparation PreparePreview(const GifInput& input, const OptionValues& values,
                                  const ConversionSettings& program) {
  ConversionSettings settings = program;
  ReadOptions(values, settings);
  PreviewPreparation prepared;
  prepared.frames = PreviewFrames::Open(input, settings, prepared.error);
  return prepared;
}

PreviewImage RedrawPreview(PreviewFrames& frames, int j, PreviewStyle style,
                           std::span<const TrackerView> trackerViews) {
  PatternView view;
  if (!frames.View(j, view)) return PreviewImage();
  if (trackerViews.empty() || (style != PreviewStyle::Ft2 && style != PreviewStyle::Schism)) {
    return DrawPreview(view, style);
  }
  // The view that holds for the module's channel count: the last one that starts at or below it.
  const TrackerView* shown = &trackerViews.front();
  for (const TrackerView& v : trackerViews) {
    if (v.minChannels <= view.channels) shown = &v;
  }
  const PatternWindow window{shown->channels, shown->rowsAbove, shown->rowsBelow};
  return DrawTrackerScreen(
      view, style == PreviewStyle::Ft2 ? TrackerLook::Ft2 : TrackerLook::Schism, window);
}

PreviewResult PreviewRun(const PreviewRequest& request, const GifInput& input,
                         const ConversionSettings& settings, const RunReporter& reporter,
                         std::ostream& out) {
  PreviewResult result;
  // Bytes are named as given and need no folder; a file's name is numbered until it is free.
  const std::string typedName =
      request.inMemory ? request.typedName : NativePath(request.typedName);
  if (request.inMemory ? !CheckPreviewKind(typedName, reporter)
                       : !CheckPreviewName(request.typedName, reporter)) {
    return result;
  }
  RunError error = RunError::None;
  const auto frames = PreviewFrames::Open(input, settings, error);
  if (!frames) {
    Report(reporter, ErrorMessage(error));
    return result;
  }
  result.frames = frames->FrameCount();
  if (frames->PageCount() > MaxFrames) Report(reporter, Message::TooManyFrames);
  const bool png = PreviewKindOf(typedName) == PreviewFileKind::Png;
  if (png && (request.frame < 0 || request.frame >= frames->FrameCount())) {
    Report(reporter, Message::NoSuchFrame, std::to_string(request.frame));
    return result;
  }
  while (!frames->WaitUntilPrepared(std::chrono::seconds(1))) {
    if (frames->Failed()) {
      Report(reporter, Message::TooLarge);
      return result;
    }
  }
  // Every frame is drawn from what was prepared: a file changed by then gives no preview.
  if (frames->FileChanged()) {
    Report(reporter, Message::FileChanged);
    return result;
  }
  const std::string name = request.inMemory ? typedName : ResolvePreviewName(typedName);
  // Every numbered name taken: the error names the file asked for.
  if (name.empty()) {
    Report(reporter, Message::CannotWriteFile, typedName);
    return result;
  }
  ReportChoices(*frames, settings, reporter);
  std::vector<std::uint8_t>* bytes = request.inMemory ? &result.bytes : nullptr;
  if (!WriteFile(request, name, *frames, reporter, out, bytes)) {
    Report(reporter, Message::CannotWriteFile, name);
    return result;
  }
  out << PreviewSavedLine(name);
  result.written = true;
  result.name = name;
  return result;
}

bool PreviewRun(const PreviewRequest& request, const std::string& inputPath,
                const ConversionSettings& settings, const RunReporter& reporter,
                std::ostream& out) {
  return PreviewRun(request, GifInputFromPath(NativePath(inputPath)), settings, reporter, out)
      .written;
}

PreviewResult PreviewCommand(const PreviewRequest& request, const GifInput& input,
                             const OptionValues& values, ConversionSettings& settings,
                             const RunReporter& reporter, std::ostream& out) {
  ReadOptions(values, settings);
  return PreviewRun(request, input, settings, reporter, out);
}

}  // namespace vorlix
