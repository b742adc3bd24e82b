#include "platform/small_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_checks.h"
#include "platform/posix/new_file_mode.h"
#include "platform/remove_on_signal.h"

namespace vorlix {
namespace {

bool WriteFully(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

SmallFile ReadSmallFile(const std::string& path, std::size_t limit) {
  SmallFile read{PlatformStatus::CannotOpen, {}};
  // Only a regular file is read: a pipe or a device of that name could block or never end.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return read;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    read.status = PlatformStatus::Ok;
    std::vector<std::uint8_t>& bytes = read.bytes;
    bytes.resize(limit);
    std::size_t got = 0;
    while (got < limit) {
      const ssize_t n = ::read(fd, bytes.data() + got, limit - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
  }
  ::close(fd);
  return read;
}

PlatformStatus ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  // Only a regular file is replaced; a pipe, a device or a folder of that name stays, and so
  // does a read-only file.
  struct stat existing {};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  if (exists && (!S_ISREG(existing.st_mode) || ReadOnlyFile(path))) {
    return PlatformStatus::CannotWrite;
  }

  // A hidden name beside it; past the file-size limit the write fails instead of ending the
  // process, and the copy is removed. The new file keeps the old one's permissions.
  IgnoreWriteSignals();
  const std::size_t nameStart = path.rfind('/') + 1;  // 0 without a folder
  std::string temp = path.substr(0, nameStart) + "." + path.substr(nameStart) + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return PlatformStatus::CannotWrite;
  const mode_t mode = exists ? existing.st_mode & 07777 : NewFileMode();
  bool ok =
      ::fchmod(fd, mode) == 0 && WriteFully(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok ? PlatformStatus::Ok : PlatformStatus::CannotWrite;
}

}  // namespace vorlix
