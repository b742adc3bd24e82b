// vorlix.exe: the window program for Windows. Shows the main dialog until it is quit; takes
// nothing from its command line. No console opens; progress lines go to standard output when
// it is redirected.
#include <iostream>
#include <string>

#include "convert/conversion_run.h"
#include "platform/console.h"
#include "settings/conversion_settings.h"
#include "ui/core/dialog_procedure.h"
#include "ui/win32/preview_window.h"
#include "ui/win32/win32_window_ops.h"

int main() {
  vorlix::PrepareStandardStreams();  // each progress line reaches a pipe as it is written
  const vorlix::InstanceHandle instance = vorlix::StartWin32Program();

  // Everything the dialogs share, for the whole run of the program.
  vorlix::ConversionSettings settings = vorlix::StartupSettings();
  vorlix::RunState state;
  vorlix::Win32Desktop desktop;
  const vorlix::WindowOps ops = vorlix::MakeWin32WindowOps(desktop);
  vorlix::DialogContext context{ops, instance, settings, state, std::cout};
  context.AfterLoad = [&](vorlix::WindowHandle dialog, const std::string& input) {
    vorlix::ShowPreviewWindow(desktop, ops, settings, dialog, input);
  };

  const int status = vorlix::RunMainDialog(context);
  std::cout.flush();
  return status;
}
