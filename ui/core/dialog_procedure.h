// The one dialog procedure behind the main dialog and the About box. Its messages and calls
// mirror the Windows dialog operations by their names (DialogBoxParamA, WM_INITDIALOG,
// MB_ICONERROR), which WindowOps carries out on each toolkit; the progress line "Frame N
// converted succesfully." (convert/messages.cpp) is a fixed text that scripts and tests match,
// spelling included.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "convert/conversion_run.h"
#include "settings/conversion_settings.h"
#include "ui/core/option_fields.h"
#include "ui/core/window_ops.h"

namespace vorlix {

// What the procedure works on. The program creates all of it once, in main.
struct DialogContext {
  const WindowOps& Ops;
  InstanceHandle Instance;
  ConversionSettings& Settings;
  RunState& State;
  std::ostream& Out;  // progress lines of a Save
  // Called after a Load that succeeded, with the typed input path; may be empty.
  std::function<void(WindowHandle dialog, const std::string& inputPath)> AfterLoad = nullptr;
};

bool DialogProcedure(DialogContext& context, WindowHandle dialog, unsigned message,
                     std::uintptr_t wParam, std::intptr_t lParam);

// The procedure bound to the context, as the window operations take it.
DialogProc BindDialogProcedure(DialogContext& context);

// Runs the main dialog modally, without owner; its result is the program's exit status.
int RunMainDialog(DialogContext& context);

// Messages as boxes owned by the dialog, the status as the text of its status line.
RunReporter DialogReporter(const WindowOps& ops, WindowHandle dialog);

// The dialog's option fields and check boxes as ReadOptions asks for them.
OptionSource DialogOptionSource(const WindowOps& ops, WindowHandle dialog);

}  // namespace vorlix
