#include "platform/remove_on_signal.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

namespace vorlix {
namespace {

// What the handler may touch: a fixed buffer and a flag, nothing that allocates.
char gPath[4096];
volatile std::sig_atomic_t gArmed = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveAndEnd(int signal) {
  if (gArmed) ::unlink(gPath);
  // Unlink, signal and raise are all safe in a handler. The signal is delivered again when the
  // handler returns, now with its default action.
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void InstallOnce() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int signal : kSignals) {
    struct sigaction previous {};
    if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = RemoveAndEnd;
    sigfillset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace

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

}  // namespace vorlix
