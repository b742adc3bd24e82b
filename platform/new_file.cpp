#include "platform/new_file.h"

namespace vorlix {

// The same on every system: the standard library's stream.
bool FinishFile(std::FILE* file) {
  const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
  const bool closed = std::fclose(file) == 0;
  return flushed && closed;
}

}  // namespace vorlix
