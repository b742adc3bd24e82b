// The window operations on real windows, built with wxWidgets from the dialog templates.
#pragma once

#include <set>

#include "ui/core/window_ops.h"

class wxWindow;

namespace vorlix {

class PreviewWindow;

// The dialogs open at the moment; a handle that is not among them names no window.
struct WxDesktop {
  std::set<WindowHandle> Open;
  PreviewWindow* Preview = nullptr;  // the preview window while it is open
};

WindowOps MakeWxWindowOps(WxDesktop& desktop);

// The window of an open dialog; nullptr for any other handle.
wxWindow* DialogWindow(const WxDesktop& desktop, WindowHandle handle);

}  // namespace vorlix
