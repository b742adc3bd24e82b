#include "platform/remove_on_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "platform/posix/end_by_signal.h"
#include "platform/posix/folder_entry.h"

namespace vorlix {
namespace {

// What the handler may touch: the folder of the file, opened for lookups, its name in a fixed
// buffer and a flag; nothing that allocates. Removed relative to its folder, a file is found
// even where its whole path is longer than a path may be.
int gFolder = -1;
char gName[4096];
volatile std::sig_atomic_t gArmed = 0;
// Every signal whose default action ends the process, but PIPE and XFSZ, which are ignored.
constexpr int kSignals[] = {SIGINT,    SIGTERM, SIGHUP,  SIGQUIT, SIGUSR1, SIGUSR2,  SIGALRM,
                            SIGVTALRM, SIGPROF, SIGXCPU, SIGIO,   SIGPWR,  SIGSYS,   SIGTRAP,
                            SIGABRT,   SIGILL,  SIGFPE,  SIGSEGV, SIGBUS,  SIGSTKFLT};

// True when the process leaves `signal` at its default action.
bool AtDefault(int signal) {
  struct sigaction previous {};
  return ::sigaction(signal, nullptr, &previous) == 0 && !(previous.sa_flags & SA_SIGINFO) &&
         previous.sa_handler == SIG_DFL;
}

void Install(int signal) {
  if (!AtDefault(signal)) return;
  struct sigaction action {};
  action.sa_handler = RemoveTemporaryAndEnd;
  sigfillset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
}

void InstallOnce() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  IgnoreWriteSignals();
  for (int signal : kSignals) Install(signal);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) Install(signal);
}

}  // namespace

extern "C" void RemoveTemporaryAndEnd(int signal) {
  if (gArmed) ::unlinkat(gFolder, gName, 0);
  // Unlink, signal and raise are all safe in a handler. The signal is delivered again when the
  // handler returns, now with its default action.
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

bool RemoveOnSignal(const std::string& path) {
  ForgetOnSignal();
  const FolderEntry entry(path);
  const std::size_t length = std::strlen(entry.Name());
  if (entry.Folder() == -1 || length >= sizeof gName) return false;
  InstallOnce();
  gFolder = entry.Folder() == AT_FDCWD ? AT_FDCWD : ::fcntl(entry.Folder(), F_DUPFD_CLOEXEC, 0);
  if (gFolder == -1) return false;
  std::memcpy(gName, entry.Name(), length + 1);
  gArmed = 1;
  return true;
}

void ForgetOnSignal() {
  gArmed = 0;
  if (gFolder >= 0) ::close(gFolder);
  gFolder = -1;
}

void IgnoreWriteSignals() {
  for (int signal : {SIGPIPE, SIGXFSZ}) {
    if (AtDefault(signal)) std::signal(signal, SIG_IGN);
  }
}

}  // namespace vorlix
