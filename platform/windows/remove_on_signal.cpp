#include "platform/remove_on_signal.h"

#include <windows.h>

#include <mutex>

#include "platform/windows/wide_path.h"

namespace vorlix {
namespace {

// The handler runs on a thread of its own, so a lock suffices to guard the path.
std::mutex gLock;
std::wstring gPath;  // empty when nothing is to be removed

// Ctrl+C, Ctrl+Break, the console window closed, logoff and shutdown: the temporary (opened so
// that it can be deleted while open) goes. Then the process ends as the system's own handler
// ends it: with STATUS_CONTROL_C_EXIT after Ctrl+C and Ctrl+Break (ended here, because not every
// system's handler says so in the exit status), through the next handler otherwise.
BOOL WINAPI RemoveAndEnd(DWORD event) {
  {
    const std::lock_guard<std::mutex> lock(gLock);
    if (!gPath.empty()) ::DeleteFileW(gPath.c_str());
    gPath.clear();
  }
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) ::ExitProcess(STATUS_CONTROL_C_EXIT);
  return FALSE;
}

}  // namespace

bool RemoveOnSignal(const std::string& path) {
  static const bool installed = ::SetConsoleCtrlHandler(RemoveAndEnd, TRUE) != 0;
  std::wstring wide = WidePath(path);
  const std::lock_guard<std::mutex> lock(gLock);
  gPath.clear();
  if (!installed || wide.empty()) return false;
  gPath = std::move(wide);
  return true;
}

void ForgetOnSignal() {
  const std::lock_guard<std::mutex> lock(gLock);
  gPath.clear();
}

void IgnoreWriteSignals() {
  // Writing to a closed pipe or a full disk fails as a write here: there is no signal to ignore.
}

}  // namespace vorlix
