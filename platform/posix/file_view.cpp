#include "platform/file_view.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/posix/mapping_guard.h"
#include "platform/read_whole.h"

namespace vorlix {

std::unique_ptr<FileView> FileView::Open(const std::string& path, PlatformStatus& status) {
  status = PlatformStatus::CannotOpen;
  // Without O_NONBLOCK opening a pipe would wait for a writer; it is refused below anyway.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct FdCloser {
    int fd;
    ~FdCloser() {
      if (fd >= 0) ::close(fd);
    }
  } closer{fd};
  struct stat info {};
  // Only a regular file has an end that is known before reading it.
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  const auto size = static_cast<std::uint64_t>(info.st_size);
  std::unique_ptr<FileView> view = ForSize(size, status);
  if (!view) return nullptr;
  if (size > 0) {
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped != MAP_FAILED) {
      view->mapping_ = mapped;
      view->data_ = static_cast<const std::uint8_t*>(mapped);
      view->size_ = size;
      // Kept open to see whether the file changes; a read past a new end reads zeros.
      view->fd_ = fd;
      closer.fd = -1;
      // Unwatched when every place is taken: a read past a new end then ends the process, as it
      // would without the guard.
      if (WatchMapping(mapped, size, view->watch_) != PlatformStatus::Ok) view->watch_ = -1;
      status = PlatformStatus::Ok;
      return view;
    }
    if (errno == ENOMEM) {
      status = PlatformStatus::TooLarge;
      return nullptr;
    }
  }
  // Not mappable (a file system without mapping, or a file whose size says 0 such as those of
  // /proc): read it, never past the bound.
  const auto readChunk = [fd](std::uint8_t* buffer, std::size_t size) {
    return static_cast<long long>(::read(fd, buffer, size));
  };
  if (!ReadWhole(view->copy_, status, readChunk)) return nullptr;
  view->AdoptCopy(status);
  return view;
}

FileView::~FileView() {
  if (mapping_ == nullptr) return;
  ForgetMapping(watch_);
  ::munmap(mapping_, size_);
  ::close(fd_);
}

bool FileView::Changed() const {
  if (mapping_ == nullptr) return false;
  struct stat info {};
  return MappingFaulted(watch_) || ::fstat(fd_, &info) != 0 ||
         static_cast<std::uint64_t>(info.st_size) != size_;
}

}  // namespace vorlix
