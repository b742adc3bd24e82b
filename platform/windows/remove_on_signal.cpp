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
// that it can be deleted while open) goes, then the next handler, by default the one that ends
// the process, runs.
BOOL WINAPI RemoveAndEnd(DWORD) {
  const std::lock_guard<std::mutex> lock(gLock);
  if (!gPath.empty()) ::DeleteFileW(gPath.c_str());
  gPath.clear();
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

}  // namespace vorlix
