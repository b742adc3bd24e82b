#include "preview/preview_run.h"

#include <chrono>

#include "platform/file_checks.h"
#include "preview/module_timing.h"
#include "preview/preview_frames.h"
#include "preview/preview_image.h"

namespace vorlix {
namespace {

// Frame j drawn in the style; an empty image when it cannot be had.
PreviewImage DrawFrame(PreviewFrames& frames, int j, PreviewStyle style) {
  PatternView view;
  if (!frames.View(j, view)) return PreviewImage();
  return DrawPreview(view, style);
}

// The tracker styles' GIFs store only what changes between frames and tells of every frame as
// a conversion does; the picture style's stays as it always was.
bool WriteFile(const PreviewRequest& request, const std::string& name, PreviewFrames& frames,
               const RunReporter& reporter, std::ostream& out) {
  if (PreviewKindOf(name) == PreviewFileKind::Png) {
    return WritePreviewPng(name, DrawFrame(frames, request.frame, request.style));
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
      name, frames.FrameCount(), [&](int j) { return DrawFrame(frames, j, request.style); },
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

}  // namespace

bool CheckPreviewName(const std::string& typedName, const RunReporter& reporter) {
  const std::string name = NativePath(typedName);
  if (PreviewKindOf(name) == PreviewFileKind::Unknown) {
    Report(reporter, Message::PreviewNameBad, name);
    return false;
  }
  const std::size_t slash = name.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : name.substr(0, slash + 1);
  if (!IsFolder(folder)) {
    Report(reporter, Message::CannotWriteFile, name);
    return false;
  }
  return true;
}

bool PreviewRun(const PreviewRequest& request, const std::string& inputPath,
                const ConversionSettings& settings, const RunReporter& reporter,
                std::ostream& out) {
  const std::string typedName = NativePath(request.typedName);
  if (!CheckPreviewName(request.typedName, reporter)) return false;
  RunError error = RunError::None;
  const auto frames = PreviewFrames::Open(NativePath(inputPath), settings, error);
  if (!frames) {
    Report(reporter, ErrorMessage(error));
    return false;
  }
  if (frames->PageCount() > MaxFrames) Report(reporter, Message::TooManyFrames);
  const bool png = PreviewKindOf(typedName) == PreviewFileKind::Png;
  if (png && (request.frame < 0 || request.frame >= frames->FrameCount())) {
    Report(reporter, Message::NoSuchFrame, std::to_string(request.frame));
    return false;
  }
  while (!frames->WaitUntilPrepared(std::chrono::seconds(1))) {
    if (frames->Failed()) {
      Report(reporter, Message::TooLarge);
      return false;
    }
  }
  // Every frame is drawn from what was prepared: a file changed by then gives no preview.
  if (frames->FileChanged()) {
    Report(reporter, Message::FileChanged);
    return false;
  }
  const std::string name = ResolvePreviewName(typedName);
  // Every numbered name taken: the error names the file asked for.
  if (name.empty()) {
    Report(reporter, Message::CannotWriteFile, typedName);
    return false;
  }
  ReportChoices(*frames, settings, reporter);
  if (!WriteFile(request, name, *frames, reporter, out)) {
    Report(reporter, Message::CannotWriteFile, name);
    return false;
  }
  out << PreviewSavedLine(name);
  return true;
}

}  // namespace vorlix
