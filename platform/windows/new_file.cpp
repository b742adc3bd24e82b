#include "platform/new_file.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include "platform/remove_on_signal.h"
#include "platform/temporary_name.h"
#include "platform/windows/wide_path.h"

namespace vorlix {
namespace {

bool NameExists(DWORD error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// Errors of a volume that has no hard links (FAT, exFAT, some network shares).
bool NoHardLinks(DWORD error) {
  return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_TOO_MANY_LINKS || error == ERROR_INVALID_PARAMETER;
}

// A device's name is no file's (CON.xm would be the console, NUL.xm nothing at all), nor is a
// stream's (o.xm:s would hide the module inside o.xm).
bool NoFileName(const std::string& name) {
  return IsDeviceName(name) || IsStreamName(name);
}

// A new file of a name not yet taken, hidden until it is published; it may be deleted while
// open, so that Ctrl+C can remove it.
HANDLE CreateNew(const std::string& stem, std::string& path) {
  for (int attempt = 0; attempt < kMaxCreateAttempts; ++attempt) {
    path = UniqueSuffix(stem);
    const std::wstring wide = WidePath(path);
    if (wide.empty()) return INVALID_HANDLE_VALUE;
    const HANDLE file =
        ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                      CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file != INVALID_HANDLE_VALUE || !NameExists(::GetLastError())) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

TemporaryFile CreateTemporaryFor(const std::string& finalName) {
  const TemporaryFile failed{PlatformStatus::CannotWrite, nullptr, {}};
  if (NoFileName(finalName)) return failed;
  const std::size_t nameStart = NameStart(finalName);
  std::string path;
  const HANDLE handle =
      CreateNew(finalName.substr(0, nameStart) + TemporaryStem(finalName, nameStart), path);
  if (handle == INVALID_HANDLE_VALUE) return failed;
  RemoveOnSignal(path);
  // Binary: the bytes written are the bytes in the file.
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  std::FILE* file = fd >= 0 ? ::_fdopen(fd, "wb") : nullptr;
  if (!file && fd >= 0) ::_close(fd);
  if (!file && fd < 0) ::CloseHandle(handle);
  return OpenedTemporary(file, std::move(path));
}

CommittedFile CommitTemporary(const std::string& tempPath, std::string name,
                              const std::function<std::string()>& nextName) {
  const std::wstring temp = WidePath(tempPath);
  // The hidden attribute belongs to the file, not to its name: the module must not inherit it.
  if (temp.empty() || !::SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL)) {
    DiscardTemporary(tempPath);
    return {PlatformStatus::CannotWrite, {}};
  }
  auto give = [&tempPath, &temp](const std::string& candidate) {
    const std::wstring wide = NoFileName(candidate) ? std::wstring() : WidePath(candidate);
    if (wide.empty()) return NameAttempt::Failed;
    if (::CreateHardLinkW(wide.c_str(), temp.c_str(), nullptr)) {
      // Interrupted here, the module is whole under its name and only the temporary goes.
      DiscardTemporary(tempPath);
      return NameAttempt::Given;
    }
    DWORD error = ::GetLastError();
    // Without hard links: moved, but never over a file.
    if (NoHardLinks(error)) {
      if (::MoveFileExW(temp.c_str(), wide.c_str(), MOVEFILE_WRITE_THROUGH)) {
        ForgetOnSignal();
        return NameAttempt::Given;
      }
      error = ::GetLastError();
    }
    return NameExists(error) ? NameAttempt::Taken : NameAttempt::Failed;
  };
  return GiveFirstFreeName(std::move(name), nextName, give,
                           [&tempPath] { DiscardTemporary(tempPath); });
}

void DiscardTemporary(const std::string& tempPath) {
  const std::wstring wide = WidePath(tempPath);
  if (!wide.empty()) ::DeleteFileW(wide.c_str());
  ForgetOnSignal();
}

}  // namespace vorlix
