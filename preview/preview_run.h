// Writing a preview file instead of a module: one frame as PNG, or every frame as an animated
// GIF at the module's timing. Runs without a window.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "convert/conversion_run.h"
#include "preview/preview_picture.h"

namespace vorlix {

struct PreviewRequest {
  std::string typedName;  // ends in .png or .gif
  PreviewStyle style = PreviewStyle::Picture;
  std::int64_t frame = 0;  // the frame of a PNG; any number --frame takes
};

// True when a preview can be written under the typed name: it ends in .png or .gif and its
// folder exists. Otherwise reports why.
bool CheckPreviewName(const std::string& typedName, const RunReporter& reporter);

// Writes the preview of the GIF for the settings into a new file, numbered like modules when
// the name is taken. True when written; failures are reported as messages, success as a line on
// `out`.
bool PreviewRun(const PreviewRequest& request, const std::string& inputPath,
                const ConversionSettings& settings, const RunReporter& reporter, std::ostream& out);

}  // namespace vorlix
