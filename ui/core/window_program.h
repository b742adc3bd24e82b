// What every window program does between starting its toolkit and ending: one settings record
// and one run state for the whole run, the main dialog on them, the preview after each Load.
#pragma once

#include <functional>
#include <string>

#include "settings/conversion_settings.h"
#include "ui/core/window_ops.h"

namespace vorlix {

// Shows the preview of the input beside the dialog; `program` is the settings record, where the
// picture options chosen in the preview are kept for the next Save.
using OpenPreview = std::function<void(ConversionSettings& program, WindowHandle dialog,
                                       const std::string& inputPath)>;

// Runs the main dialog until it is quit, with progress lines on standard output; its result is
// the program's exit status.
int RunWindowProgram(const WindowOps& ops, InstanceHandle instance, const OpenPreview& preview);

}  // namespace vorlix
