#include "platform/file_checks.h"

#include <algorithm>

namespace vorlix {

// The same on every system: Windows takes both separators, and inside the program paths use
// '/', turned back at the calls there.
std::string NativePath(const std::string& typed) {
  std::string path = typed;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace vorlix
