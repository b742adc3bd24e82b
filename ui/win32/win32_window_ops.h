// The window operations on the system's own dialogs, built in memory from the dialog templates.
#pragma once

#include <functional>

#include "ui/core/window_ops.h"

namespace vorlix {

// What the program's windows share while it runs.
struct Win32Desktop {
  // Told of every command message a dialog receives (the control's id and its notification
  // code) before the dialog procedure sees it; may be empty.
  std::function<void(WindowHandle dialog, int controlId, int notification)> Notified;
};

WindowOps MakeWin32WindowOps(Win32Desktop& desktop);

// The program's instance handle, after the common controls have been registered.
InstanceHandle StartWin32Program();

}  // namespace vorlix
