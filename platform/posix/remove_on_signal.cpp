#include "platform/remove_on_signal.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

#include "platform/posix/end_by_signal.h"

namespace vorlix {
namespace {

// What the handler may touch: a fixed buffer and a flag, nothing that allocates.
char gPath[4096];
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
  if (gArmed) ::unlink(gPath);
  // Unlink, signal and raise are all safe in a handler. The signal is delivered again when the
  // handler returns, now with its default action.
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

bool RemoveOnSignal(const std::string& path) {
  gArmed = 0;
  if (path.size() >= sizeof gPath) return false;
  InstallOnce();
  std::memcpy(gPath, path.c_str(), path.size() + 1);
  gArmed = 1;
  return true;
}

void ForgetOnSignal() {
  gArmed = 0;
}

void IgnoreWriteSignals() {
  for (int signal : {SIGPIPE, SIGXFSZ}) {
    if (AtDefault(signal)) std::signal(signal, SIG_IGN);
  }
}

}  // namespace vorlix
