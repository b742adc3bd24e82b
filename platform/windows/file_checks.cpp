#include <windows.h>

#include "platform/file_checks.h"
#include "platform/windows/wide_path.h"

namespace vorlix {

bool FileExists(const std::string& path) {
  // A device (NUL, CON, COM1, ...) is never opened: some would wait, some would take input.
  if (IsDeviceName(path)) return false;
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return false;
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open: it counts as absent.
  const HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool disk = ::GetFileType(file) == FILE_TYPE_DISK;
  ::CloseHandle(file);
  return disk;
}

bool NameTaken(const std::string& path) {
  // A device's or a stream's name is no file's: it is refused when the file is to be created.
  if (IsDeviceName(path) || IsStreamName(path)) return false;
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return false;
  if (::GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  // A file held open without sharing still has its name.
  return ::GetLastError() == ERROR_SHARING_VIOLATION;
}

bool ThereButUnreadable(const std::string& path) {
  if (IsDeviceName(path)) return false;
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && !FileExists(path);
}

bool IsFolder(const std::string& path) {
  if (IsDeviceName(path)) return false;
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ReadOnlyFile(const std::string& path) {
  if (IsDeviceName(path)) return false;
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) ==
             FILE_ATTRIBUTE_READONLY;
}

}  // namespace vorlix
