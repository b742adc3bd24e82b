#include "platform/remove_on_signal.h"

#include <windows.h>

#include <atomic>
#include <csignal>

#include "platform/windows/wide_path.h"

namespace vorlix {
namespace {

// The path to remove, published whole with one atomic exchange; null when nothing is to be
// removed. Whoever exchanges it out owns it, so the handlers below take no lock: a lock held by
// the thread that faulted, or by one stopped with it, would never be given back.
std::atomic<std::wstring*> gPath{nullptr};
LPTOP_LEVEL_EXCEPTION_FILTER gPreviousFilter = nullptr;
void (*gPreviousAbort)(int) = SIG_DFL;

// Removes the temporary, if any. The path is left to the ending process: freeing memory here
// could wait on the heap's lock.
void RemoveNow() {
  if (const std::wstring* path = gPath.exchange(nullptr)) ::DeleteFileW(path->c_str());
}

// Ctrl+C, Ctrl+Break, the console window closed, logoff and shutdown: the temporary (opened so
// that it can be deleted while open) goes. Then the process ends as the system's own handler
// ends it: with STATUS_CONTROL_C_EXIT after Ctrl+C and Ctrl+Break (ended here, because not every
// system's handler says so in the exit status), through the next handler otherwise.
BOOL WINAPI RemoveAndEnd(DWORD event) {
  RemoveNow();
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) ::ExitProcess(STATUS_CONTROL_C_EXIT);
  return FALSE;
}

// A fault no handler took (an access violation, say): the temporary goes, then the filter that
// was there before decides, so the process still ends with the fault's status.
LONG WINAPI RemoveAndPassOn(EXCEPTION_POINTERS* fault) {
  RemoveNow();
  return gPreviousFilter != nullptr ? gPreviousFilter(fault) : EXCEPTION_CONTINUE_SEARCH;
}

// abort(), also from an exception nothing caught: the temporary goes, then abort goes on as it
// would have.
void RemoveAndAbort(int signal) {
  RemoveNow();
  std::signal(signal, gPreviousAbort);
  std::raise(signal);
}

bool InstallOnce() {
  gPreviousFilter = ::SetUnhandledExceptionFilter(RemoveAndPassOn);
  // Only an abort that would end the process: a handler of the program's own stays.
  gPreviousAbort = std::signal(SIGABRT, RemoveAndAbort);
  if (gPreviousAbort != SIG_DFL) std::signal(SIGABRT, gPreviousAbort);
  return ::SetConsoleCtrlHandler(RemoveAndEnd, TRUE) != 0;
}

}  // namespace

bool RemoveOnSignal(const std::string& path) {
  static const bool installed = InstallOnce();
  std::wstring wide = WidePath(path);
  if (!installed || wide.empty()) {
    ForgetOnSignal();
    return false;
  }
  delete gPath.exchange(new std::wstring(std::move(wide)));
  return true;
}

void ForgetOnSignal() {
  delete gPath.exchange(nullptr);
}

void IgnoreWriteSignals() {
  // Writing to a closed pipe or a full disk fails as a write here: there is no signal to ignore.
}

}  // namespace vorlix
