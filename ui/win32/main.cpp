// vorlix.exe: the window program for Windows. Shows the main dialog until it is quit; takes
// nothing from its command line. No console opens; progress lines go to standard output when
// it is redirected.
#include "platform/console.h"
#include "ui/core/window_program.h"
#include "ui/win32/preview_window.h"
#include "ui/win32/win32_window_ops.h"

int main() {
  vorlix::PrepareStandardStreams();  // each progress line reaches a pipe as it is written
  const vorlix::InstanceHandle instance = vorlix::StartWin32Program();
  vorlix::Win32Desktop desktop;
  const vorlix::WindowOps ops = vorlix::MakeWin32WindowOps(desktop);
  return vorlix::RunWindowProgram(ops, instance,
                                  [&](vorlix::ConversionSettings& program,
                                      vorlix::WindowHandle dialog, const std::string& input) {
                                    vorlix::ShowPreviewWindow(desktop, ops, program, dialog, input);
                                  });
}
