#include "convert/conversion_run.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "convert/frame_sampling.h"
#include "convert/gif_frames.h"
#include "convert/output_file.h"
#include "convert/pattern_encoding.h"
#include "convert/xm_layout.h"

namespace vorlix {
namespace {

const char kXmExtension[] = ".xm";

// The image library is initialised for one command and released when it ends.
struct ImageLibrary {
  ImageLibrary() { FreeImage_Initialise(FALSE); }
  ~ImageLibrary() { FreeImage_DeInitialise(); }
  ImageLibrary(const ImageLibrary&) = delete;
  ImageLibrary& operator=(const ImageLibrary&) = delete;
};

// Number of frames the library reports for the GIF, or -1 when it gives no handle.
int CountPages(const std::string& path) {
  FIMULTIBITMAP* gif =
      FreeImage_OpenMultiBitmap(FIF_GIF, path.c_str(), FALSE, TRUE, FALSE, GIF_PLAYBACK);
  if (!gif) return -1;
  const int pages = FreeImage_GetPageCount(gif);
  FreeImage_CloseMultiBitmap(gif, GIF_PLAYBACK);
  return pages;
}

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
  if (CountPages(path) < 1) {
    reporter.ShowMessage(MessageKind::Error, "Cannot open this file.");
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
    reporter.ShowMessage(MessageKind::Error, "Cannot open this file.");
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

  std::vector<FrameGrid> grids(frameTotal, MakeFrameGrid(settings));
  const ModuleHeader header = BuildModuleHeader(settings);
  std::FILE* file = CreateNewFile(outputName);
  if (!file) {
    reporter.ShowMessage(MessageKind::Error, CannotWriteText(outputName));
    return state.SaveOutcome;
  }
  bool written = WriteModuleHeader(file, header);
  PatternBytes patternBytes;
  for (int j = 0; j < frameTotal && written; ++j) {
    SampleFrame(*pages, j, settings, grids[j]);
    EncodeFrame(grids[j], settings, patternBytes);
    written = WritePatternBlock(file, settings.Height, patternBytes);
    patternBytes.clear();
    if (!written) break;
    out << "Frame " << j << " converted succesfully.\n";
    reporter.SetStatusText("Converted frames: " + std::to_string(j + 1) + "/" +
                           std::to_string(frameTotal));
  }
  grids.clear();
  written = written && WriteInstrumentBlock(file);
  written = FinishFile(file) && written;
  if (!written) {
    std::remove(outputName.c_str());
    reporter.ShowMessage(MessageKind::Error, CannotWriteText(outputName));
    return state.SaveOutcome;
  }
  state.SaveOutcome = 1;
  pages.reset();
  library.reset();

  const std::string success = "Successfully saved to file " + outputName + ".";
  out << success;
  reporter.ShowMessage(MessageKind::Information, success);
  return state.SaveOutcome;
}

}  // namespace vorlix
