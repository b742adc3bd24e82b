// The preview beside the main dialog: the loaded GIF's frames as the module will show them,
// redrawn while the option fields are typed in. Its keys work while the dialogs run their loops.
#pragma once

#include <string>

#include "settings/conversion_settings.h"
#include "ui/core/window_ops.h"
#include "ui/win32/win32_window_ops.h"

namespace vorlix {

// Opens the preview of the input beside the dialog, or shows the new input in the open one.
void ShowPreviewWindow(Win32Desktop& desktop, const WindowOps& ops, ConversionSettings& program,
                       WindowHandle dialog, const std::string& inputPath);

}  // namespace vorlix
