// The permissions a new file gets: 0666 less the process's file-mode creation mask.
#pragma once

#include <sys/stat.h>

namespace vorlix {

inline mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace vorlix
