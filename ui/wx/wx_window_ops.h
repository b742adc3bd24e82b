// The window operations on real windows, built with wxWidgets from the dialog templates.
#pragma once

#include <set>

#include "ui/core/window_ops.h"

namespace vorlix {

// The dialogs open at the moment; a handle that is not among them names no window.
struct WxDesktop {
  std::set<WindowHandle> Open;
};

WindowOps MakeWxWindowOps(WxDesktop& desktop);

}  // namespace vorlix
