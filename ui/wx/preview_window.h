// The preview beside the main dialog: the loaded GIF's frames as the module will show them,
// redrawn while the option fields are typed in. It never blocks the dialog.
#pragma once

#include <string>

#include "ui/core/window_ops.h"
#include "ui/wx/wx_window_ops.h"

namespace vorlix {

// Opens the preview of the input beside the dialog, or shows the new input in the open one.
void ShowPreviewWindow(WxDesktop& desktop, const WindowOps& ops, WindowHandle dialog,
                       const std::string& inputPath);

}  // namespace vorlix
