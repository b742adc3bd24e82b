#include "platform/file_view.h"

#include <windows.h>

#include <new>

#include "platform/read_whole.h"
#include "platform/windows/wide_path.h"

namespace vorlix {
namespace {

struct HandleCloser {
  HANDLE handle;
  ~HandleCloser() { ::CloseHandle(handle); }
};

// The whole file mapped read-only; nullptr when it cannot be, with `noMemory` set when the
// address space was the reason.
const void* MapWhole(HANDLE file, bool& noMemory) {
  const HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping == nullptr) {
    noMemory = ::GetLastError() == ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  // The view keeps the mapping alive on its own.
  const void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  noMemory = view == nullptr && ::GetLastError() == ERROR_NOT_ENOUGH_MEMORY;
  ::CloseHandle(mapping);
  return view;
}

}  // namespace

std::unique_ptr<FileView> FileView::Open(const std::string& path, PlatformStatus& status) {
  status = PlatformStatus::CannotOpen;
  if (IsDeviceName(path)) return nullptr;
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return nullptr;
  // Other programs may go on reading, writing or deleting the file while it is open here.
  const HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  const HandleCloser closer{file};
  // Only a file on a disk has an end that is known before reading it: no pipe, console or port.
  LARGE_INTEGER fileSize{};
  if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileSizeEx(file, &fileSize)) return nullptr;
  const auto size = static_cast<std::uint64_t>(fileSize.QuadPart);
  std::unique_ptr<FileView> view = ForSize(size, status);
  if (!view) return nullptr;
  if (size > 0) {
    bool noMemory = false;
    if (const void* mapped = MapWhole(file, noMemory)) {
      view->mapping_ = const_cast<void*>(mapped);
      view->data_ = static_cast<const std::uint8_t*>(mapped);
      view->size_ = size;
      status = PlatformStatus::Ok;
      return view;
    }
    if (noMemory) {
      status = PlatformStatus::TooLarge;
      return nullptr;
    }
  }
  // Not mappable (some network or virtual file systems): read it.
  const auto readChunk = [file](std::uint8_t* buffer, std::size_t size) {
    DWORD n = 0;
    return ::ReadFile(file, buffer, static_cast<DWORD>(size), &n, nullptr)
               ? static_cast<long long>(n)
               : -1LL;
  };
  if (!ReadWhole(view->copy_, status, readChunk)) return nullptr;
  view->AdoptCopy(status);
  return view;
}

FileView::~FileView() {
  if (mapping_ != nullptr) ::UnmapViewOfFile(mapping_);
}

bool FileView::Changed() const {
  // The system refuses to shorten a file while a view of it is mapped, so a read never falls
  // past its end; what another program writes in place shows as it would when read.
  return false;
}

}  // namespace vorlix
