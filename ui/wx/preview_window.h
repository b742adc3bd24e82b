// The preview beside the main dialog: the loaded GIF's frames as the module will show them,
// redrawn while the option fields are typed in. It never blocks the dialog.
#pragma once

#include <string>

#include "settings/conversion_settings.h"
#include "ui/core/window_ops.h"
#include "ui/wx/wx_window_ops.h"

namespace vorlix {

// Opens the preview of the input beside the dialog, or shows the new input in the open one.
// The option fields come from the dialog; the picture options, which have no fields there, are
// chosen in the preview and kept in the program's settings record, where a Save takes them.
void ShowPreviewWindow(WxDesktop& desktop, const WindowOps& ops, ConversionSettings& program,
                       WindowHandle dialog, const std::string& inputPath);

}  // namespace vorlix
