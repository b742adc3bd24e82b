// Writing a preview file instead of a module: one frame as PNG, or every frame as an animated
// GIF at the module's timing. Runs without a window.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "convert/gif_input.h"
#include "preview/preview_frames.h"
#include "preview/preview_picture.h"
#include "settings/option_values.h"
#include "settings/tracker_views.h"

namespace vorlix {

struct PreviewRequest {
  std::string typedName;  // ends in .png or .gif; for bytes, the name shown
  PreviewStyle style = PreviewStyle::Picture;
  std::int64_t frame = 0;  // the frame of a PNG; any number --frame takes
  bool inMemory = false;   // the picture comes back in the result's bytes; no file is made
  // The tracker whose window the ft2 and schism styles draw (--fit); empty: the whole pattern.
  std::vector<TrackerView> trackerViews = {};
};

// What a preview run made.
struct PreviewResult {
  bool written = false;
  int frames = 0;                   // frames of the animation, once it opened
  std::string name;                 // the file written, or the name of the bytes
  std::vector<std::uint8_t> bytes;  // the picture, when it was asked for in memory
};

// The preview's preparation, as a window shows it: the input opened for the option values
// (clamped into a copy of the program's settings), frame 0 prepared, the others on the way.
// Empty frames, with the error, when it cannot be shown.
struct PreviewPreparation {
  RunError error = RunError::None;
  std::unique_ptr<PreviewFrames> frames;
};
PreviewPreparation PreparePreview(const GifInput& input, const OptionValues& values,
                                  const ConversionSettings& program);

// The redraw: frame j drawn in the style for the frames' current settings, as the module shows
// it; an empty image while the frame is still being prepared.
PreviewImage RedrawPreview(PreviewFrames& frames, int j, PreviewStyle style,
                           std::span<const TrackerView> trackerViews = {});

// True when a preview can be written under the typed name: it ends in .png or .gif and its
// folder exists. Otherwise reports why.
bool CheckPreviewName(const std::string& typedName, const RunReporter& reporter);

// Writes the preview of the GIF for the settings into a new file, numbered like modules when
// the name is taken, or into bytes. Failures are reported as messages, success as a line on
// `out`.
PreviewResult PreviewRun(const PreviewRequest& request, const GifInput& input,
                         const ConversionSettings& settings, const RunReporter& reporter,
                         std::ostream& out);
// The same from the file at the typed input path; true when written.
bool PreviewRun(const PreviewRequest& request, const std::string& inputPath,
                const ConversionSettings& settings, const RunReporter& reporter, std::ostream& out);

// The preview command: the option values clamped into the program's settings, then PreviewRun.
PreviewResult PreviewCommand(const PreviewRequest& request, const GifInput& input,
                             const OptionValues& values, ConversionSettings& settings,
                             const RunReporter& reporter, std::ostream& out);

}  // namespace vorlix
