#include "tests/support/temp_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vorlix::testfs {

TempDir::TempDir(bool enter) {
  std::string pattern = (std::filesystem::temp_directory_path() / "vorlix-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
  if (enter) {
    previousCwd_ = std::filesystem::current_path().string();
    std::filesystem::current_path(path_);
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!previousCwd_.empty()) std::filesystem::current_path(previousCwd_, ignored);
  // Give back write permission that a test took away, so that everything can be removed.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool TakeNumberedNames(const std::string& base, const std::string& extension, int count) {
  // A file system keeps a bounded number of links to one file (65000 on ext4): a new file
  // every 50,000 names.
  constexpr int kLinksPerFile = 50000;
  std::string file;
  std::error_code error;
  for (int n = 0; n < count && !error; ++n) {
    const std::string name = n == 0 ? base + extension : base + "_" + std::to_string(n) + extension;
    if (n % kLinksPerFile == 0) {
      file = name;
      if (!WriteBytes(file, {})) return false;
    } else {
      std::filesystem::create_hard_link(file, name, error);
    }
  }
  return !error;
}

std::vector<std::string> ListDir(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace vorlix::testfs
