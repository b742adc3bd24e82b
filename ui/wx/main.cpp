// vorlix: the window program. Shows the main dialog until it is quit; takes nothing from its
// command line.
#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>
#include <iostream>

#include "ui/core/window_program.h"
#include "ui/wx/preview_window.h"
#include "ui/wx/wx_window_ops.h"

namespace vorlix {

// The toolkit wants an application object; all work happens in main.
class VorlixApp : public wxApp {
 public:
  bool OnInit() override { return true; }  // no command-line parsing
};

}  // namespace vorlix

wxIMPLEMENT_APP_NO_MAIN(vorlix::VorlixApp);

int main(int, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each progress line reaches a pipe as it is written
  int toolkitArgc = 1;
  char* toolkitArgv[] = {argv[0], nullptr};
  if (!wxEntryStart(toolkitArgc, toolkitArgv) || !wxTheApp || !wxTheApp->CallOnInit()) {
    std::cerr << "vorlix: cannot open a window (is there a display?)\n";
    return 1;
  }

  vorlix::WxDesktop desktop;
  const vorlix::WindowOps ops = vorlix::MakeWxWindowOps(desktop);
  const int status =
      vorlix::RunWindowProgram(ops, wxTheApp,
                               [&](vorlix::ConversionSettings& program, vorlix::WindowHandle dialog,
                                   const std::string& input) {
                                 vorlix::ShowPreviewWindow(desktop, ops, program, dialog, input);
                               });
  wxTheApp->OnExit();
  wxEntryCleanup();
  return status;
}
