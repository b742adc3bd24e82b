#include "convert/file_view.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace vorlix {

std::unique_ptr<FileView> FileView::Open(const std::string& path, FileViewStatus& status) {
  status = FileViewStatus::CannotOpen;
  // Without O_NONBLOCK opening a pipe would wait for a writer; it is refused below anyway.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  // Only a regular file has an end that is known before reading it.
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  const auto size = static_cast<std::uint64_t>(info.st_size);
  if (size > kMaxInputBytes) {
    status = FileViewStatus::TooLarge;
    return nullptr;
  }
  std::unique_ptr<FileView> view(new (std::nothrow) FileView);
  if (!view) {
    status = FileViewStatus::TooLarge;
    return nullptr;
  }
  if (size > 0) {
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped != MAP_FAILED) {
      view->mapping_ = mapped;
      view->data_ = static_cast<const std::uint8_t*>(mapped);
      view->size_ = size;
      status = FileViewStatus::Ok;
      return view;
    }
    if (errno == ENOMEM) {
      status = FileViewStatus::TooLarge;
      return nullptr;
    }
  }
  // Not mappable (a file system without mapping, or a file whose size says 0 such as those of
  // /proc): read it, never past the bound.
  std::uint8_t buffer[1 << 16];
  try {
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n == 0) break;
      if (n < 0) return nullptr;
      if (view->copy_.size() + static_cast<std::size_t>(n) > kMaxInputBytes) {
        status = FileViewStatus::TooLarge;
        return nullptr;
      }
      view->copy_.insert(view->copy_.end(), buffer, buffer + n);
    }
  } catch (const std::bad_alloc&) {
    status = FileViewStatus::TooLarge;
    return nullptr;
  }
  view->data_ = view->copy_.data();
  view->size_ = view->copy_.size();
  status = FileViewStatus::Ok;
  return view;
}

FileView::~FileView() {
  if (mapping_ != nullptr) ::munmap(mapping_, size_);
}

namespace {

constexpr std::uint8_t kGifTrailer = 0x3B;

// The bytes of the view that the stream shows, and the length it shows, trailer included.
std::size_t ShownBytes(const ViewStream& stream) {
  return std::min(stream.cut, stream.view->Size());
}
long ShownLength(const ViewStream& stream) {
  return static_cast<long>(ShownBytes(stream) + (stream.cut < stream.view->Size() ? 1 : 0));
}

unsigned DLL_CALLCONV ReadProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  auto* stream = static_cast<ViewStream*>(handle);
  if (size == 0 || count == 0) return 0;
  const long end = ShownLength(*stream);
  const long available = stream->position < end ? end - stream->position : 0;
  const std::size_t wanted = static_cast<std::size_t>(size) * count;
  const std::size_t copied = std::min(wanted, static_cast<std::size_t>(available));
  const auto from = static_cast<std::size_t>(stream->position);
  const std::size_t bytes = ShownBytes(*stream);
  const std::size_t fromView = from < bytes ? std::min(copied, bytes - from) : 0;
  if (fromView > 0) std::memcpy(buffer, stream->view->Data() + from, fromView);
  if (copied > fromView) static_cast<std::uint8_t*>(buffer)[fromView] = kGifTrailer;
  stream->position += static_cast<long>(copied);
  return static_cast<unsigned>(copied / size);
}

unsigned DLL_CALLCONV WriteProc(void*, unsigned, unsigned, fi_handle) {
  return 0;
}

int DLL_CALLCONV SeekProc(fi_handle handle, long offset, int origin) {
  auto* stream = static_cast<ViewStream*>(handle);
  long base = 0;
  if (origin == SEEK_CUR) {
    base = stream->position;
  } else if (origin == SEEK_END) {
    base = ShownLength(*stream);
  } else if (origin != SEEK_SET) {
    return -1;
  }
  if (offset < 0 && base + offset < 0) return -1;
  stream->position = base + offset;
  return 0;
}

long DLL_CALLCONV TellProc(fi_handle handle) {
  return static_cast<ViewStream*>(handle)->position;
}

}  // namespace

ViewStream::ViewStream(const FileView& v, std::size_t cutAt)
    : view(&v), cut(cutAt), io{ReadProc, WriteProc, SeekProc, TellProc} {}

FIMULTIBITMAP* OpenGifFromStream(ViewStream& stream, int flags) {
  stream.position = 0;
  return FreeImage_OpenMultiBitmapFromHandle(FIF_GIF, &stream.io, &stream, flags);
}

}  // namespace vorlix
