#include "platform/new_file.h"

namespace vorlix {

// The same on every system: the standard library's stream.
PlatformStatus FinishFile(std::FILE* file) {
  const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
  const bool closed = std::fclose(file) == 0;
  return flushed && closed ? PlatformStatus::Ok : PlatformStatus::CannotWrite;
}

}  // namespace vorlix
