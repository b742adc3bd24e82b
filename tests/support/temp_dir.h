// A fresh temporary folder for one test, removed with everything in it afterwards; optionally
// the working directory while the test runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlix::testfs {

class TempDir {
 public:
  explicit TempDir(bool enter = false);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  std::string previousCwd_;
};

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool Exists(const std::string& path);
// Makes base + extension and base_1 + extension .. base_{count-1} + extension, the names that
// numbering tries: empty files under many names each (hard links, quick by the hundred
// thousand).
bool TakeNumberedNames(const std::string& base, const std::string& extension, int count);
// Names of the entries of a folder, sorted.
std::vector<std::string> ListDir(const std::string& path);

}  // namespace vorlix::testfs
