#include "convert/file_view.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vorlix {

std::unique_ptr<FileView> FileView::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  std::unique_ptr<FileView> view(new FileView);
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    void* mapped =
        ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped != MAP_FAILED) {
      view->mapping_ = mapped;
      view->data_ = static_cast<const std::uint8_t*>(mapped);
      view->size_ = static_cast<std::size_t>(info.st_size);
      ::close(fd);
      return view;
    }
  }
  // Not mappable (a pipe, an empty or special file): read it to the end.
  std::uint8_t buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      ::close(fd);
      return nullptr;
    }
    view->copy_.insert(view->copy_.end(), buffer, buffer + n);
  }
  ::close(fd);
  view->data_ = view->copy_.data();
  view->size_ = view->copy_.size();
  return view;
}

FileView::~FileView() {
  if (mapping_ != nullptr) ::munmap(mapping_, size_);
}

namespace {

unsigned DLL_CALLCONV ReadProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  auto* stream = static_cast<ViewStream*>(handle);
  if (size == 0 || count == 0) return 0;
  const auto end = static_cast<long>(stream->view->Size());
  const long available = stream->position < end ? end - stream->position : 0;
  const std::size_t wanted = static_cast<std::size_t>(size) * count;
  const std::size_t copied = std::min(wanted, static_cast<std::size_t>(available));
  if (copied > 0) std::memcpy(buffer, stream->view->Data() + stream->position, copied);
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
    base = static_cast<long>(stream->view->Size());
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

ViewStream::ViewStream(const FileView& v) : view(&v), io{ReadProc, WriteProc, SeekProc, TellProc} {}

FIMULTIBITMAP* OpenGifFromStream(ViewStream& stream, int flags) {
  stream.position = 0;
  return FreeImage_OpenMultiBitmapFromHandle(FIF_GIF, &stream.io, &stream, flags);
}

}  // namespace vorlix
