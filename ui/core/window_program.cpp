#include "ui/core/window_program.h"

#include <iostream>

#include "convert/conversion_run.h"
#include "ui/core/dialog_procedure.h"

namespace vorlix {

int RunWindowProgram(const WindowOps& ops, InstanceHandle instance, const OpenPreview& preview) {
  // Everything the dialogs share, for the whole run of the program.
  ConversionSettings settings = StartupSettings();
  RunState state;
  DialogContext context{ops, instance, settings, state, std::cout};
  context.AfterLoad = [&](WindowHandle dialog, const std::string& input) {
    preview(settings, dialog, input);
  };
  const int status = RunMainDialog(context);
  std::cout.flush();
  return status;
}

}  // namespace vorlix
