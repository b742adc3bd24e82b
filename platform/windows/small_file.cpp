#include "platform/small_file.h"

#include <windows.h>

#include <utility>

#include "platform/temporary_name.h"
#include "platform/windows/wide_path.h"

namespace vorlix {
namespace {

// The attributes of an old file that its replacement gets as well.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

struct HandleCloser {
  HANDLE handle;
  ~HandleCloser() { ::CloseHandle(handle); }
};

bool WriteFully(HANDLE file, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD n = 0;
    if (!::WriteFile(file, data, chunk, &n, nullptr) || n == 0) return false;
    data += n;
    size -= n;
  }
  return true;
}

// Writes the bytes to a new file beside `path`, flushed to the disk; false when it could not.
bool WriteBeside(const std::string& path, std::span<const std::uint8_t> bytes, std::wstring& temp) {
  for (int attempt = 0; attempt < kMaxCreateAttempts; ++attempt) {
    temp = WidePath(UniqueSuffix(path + "."));
    if (temp.empty()) return false;
    const HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (::GetLastError() == ERROR_FILE_EXISTS) continue;
      temp.clear();
      return false;
    }
    const bool written = WriteFully(file, bytes.data(), bytes.size()) && ::FlushFileBuffers(file);
    return ::CloseHandle(file) && written;
  }
  temp.clear();
  return false;
}

}  // namespace

SmallFile ReadSmallFile(const std::string& path, std::size_t limit) {
  const SmallFile failed{PlatformStatus::CannotOpen, {}};
  if (IsDeviceName(path)) return failed;
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return failed;
  const HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return failed;
  const HandleCloser closer{file};
  // Only a file on a disk is read: a pipe or a device of that name could block or never end.
  if (::GetFileType(file) != FILE_TYPE_DISK) return failed;
  std::vector<std::uint8_t> bytes(limit);
  std::size_t got = 0;
  while (got < limit) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(limit - got > (1u << 30) ? (1u << 30) : limit - got);
    if (!::ReadFile(file, bytes.data() + got, want, &n, nullptr) || n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return {PlatformStatus::Ok, std::move(bytes)};
}

PlatformStatus ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  // Only a regular file is replaced; a device, a folder or a read-only file of that name stays.
  if (IsDeviceName(path)) return PlatformStatus::CannotWrite;
  const std::wstring target = WidePath(path);
  if (target.empty()) return PlatformStatus::CannotWrite;
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY)) !=
          0) {
    return PlatformStatus::CannotWrite;
  }
  std::wstring temp;
  bool ok = WriteBeside(path, bytes, temp);
  // The new file keeps what the old one's attributes say of it (hidden, system, ...).
  if (ok && attributes != INVALID_FILE_ATTRIBUTES) {
    ok = ::SetFileAttributesW(temp.c_str(), (attributes & kKeptAttributes) == 0
                                                ? FILE_ATTRIBUTE_NORMAL
                                                : attributes & kKeptAttributes);
  }
  ok = ok && ::MoveFileExW(temp.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok && !temp.empty()) ::DeleteFileW(temp.c_str());
  return ok ? PlatformStatus::Ok : PlatformStatus::CannotWrite;
}

}  // namespace vorlix
