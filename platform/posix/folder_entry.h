// A path taken apart into its folder, opened for lookups only, and the name in it. Calls made
// relative to the folder work for every name the system accepts, even where the whole path of a
// name beside it (a temporary's) would be longer than a path may be.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace vorlix {

class FolderEntry {
 public:
  explicit FolderEntry(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
      name_ = path;
      return;
    }
    name_ = path.substr(slash + 1);
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    folder_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  ~FolderEntry() {
    if (folder_ >= 0) ::close(folder_);
  }
  FolderEntry(const FolderEntry&) = delete;
  FolderEntry& operator=(const FolderEntry&) = delete;

  // The folder (the working folder for a bare name); -1 when it could not be opened.
  int Folder() const { return folder_; }
  const char* Name() const { return name_.c_str(); }

 private:
  int folder_ = AT_FDCWD;
  std::string name_;
};

}  // namespace vorlix
