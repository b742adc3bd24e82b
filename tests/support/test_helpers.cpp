#include "tests/support/test_helpers.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace vorlix::testutil {

ConversionSettings Sized(int width, int height, bool breakOn) {
  ConversionSettings s = StartupSettings();
  s.Width = width;
  s.Height = height;
  s.BreakPatterns = breakOn ? 1 : 0;
  return s;
}

bool RunWithFileSizeLimit(long bytes, const std::function<bool()>& body) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(body() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace vorlix::testutil
