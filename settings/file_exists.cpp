#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "settings/file_exists.h"

namespace vorlix {

bool FileExists(const std::string& path) {
  // A folder opens for reading here but is no file; it counts as absent, as it would where a
  // folder cannot be opened as a file stream.
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

std::string NativePath(const std::string& typed) {
  std::string path = typed;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace vorlix
