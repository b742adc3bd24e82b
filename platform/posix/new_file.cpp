#include "platform/new_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <time.h>

#include <cerrno>
#include <cstdint>

#include "platform/posix/folder_entry.h"
#include "platform/posix/new_file_mode.h"
#include "platform/remove_on_signal.h"
#include "platform/temporary_name.h"

namespace vorlix {
namespace {

// Six letters that differ from call to call and from process to process.
std::string ProcessLetters() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return UniqueLetters(static_cast<std::uint64_t>(now.tv_nsec) ^
                       (static_cast<std::uint64_t>(now.tv_sec) << 30) ^
                       (static_cast<std::uint64_t>(::getpid()) << 40));
}

// Creates a new file `stem` + six letters in the folder, readable and writable by its owner
// only (as mkstemp does); sets `path` to its name. -1 when it could not be created.
int CreateNew(const FolderEntry& folder, const std::string& folderPrefix, const std::string& stem,
              std::string& path) {
  if (folder.Folder() == -1) return -1;
  for (int attempt = 0; attempt < kMaxCreateAttempts; ++attempt) {
    const std::string name = stem + ProcessLetters();
    const int fd =
        ::openat(folder.Folder(), name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) path = folderPrefix + name;
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Links the temporary in under `name`, never over a file; where the file system cannot link,
// renames it, never over a file either. 0 when it has the name, with `renamed` set when the
// temporary name went with it; otherwise the error of the link (EEXIST: the name is taken).
int GiveName(const std::string& tempPath, const std::string& name, bool& renamed) {
  const FolderEntry from(tempPath), to(name);
  renamed = false;
  if (::linkat(from.Folder(), from.Name(), to.Folder(), to.Name(), 0) == 0) return 0;
  const int error = errno;
  if (error != EPERM && error != ENOTSUP && error != ENOSYS && error != EMLINK) return error;
  renamed = ::renameat2(from.Folder(), from.Name(), to.Folder(), to.Name(), RENAME_NOREPLACE) == 0;
  return renamed ? 0 : errno;
}

}  // namespace

TemporaryFile CreateTemporaryFor(const std::string& finalName) {
  const std::size_t slash = finalName.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  // Made relative to the folder: the temporary's name is longer than `finalName`, whose whole
  // path may already be as long as a path can be.
  const FolderEntry folder(finalName);
  std::string path;
  const int fd =
      CreateNew(folder, finalName.substr(0, nameStart), TemporaryStem(finalName, nameStart), path);
  if (fd < 0) return {PlatformStatus::CannotWrite, nullptr, {}};
  RemoveOnSignal(path);
  std::FILE* file = ::fchmod(fd, NewFileMode()) == 0 ? ::fdopen(fd, "wb") : nullptr;
  if (!file) ::close(fd);
  return OpenedTemporary(file, std::move(path));
}

CommittedFile CommitTemporary(const std::string& tempPath, std::string name,
                              const std::function<std::string()>& nextName) {
  auto give = [&tempPath](const std::string& candidate) {
    bool renamed = false;
    const int error = GiveName(tempPath, candidate, renamed);
    if (error != 0) return error == EEXIST ? NameAttempt::Taken : NameAttempt::Failed;
    // Linked and interrupted here, the module is whole under its name and only the temporary
    // goes.
    if (renamed) {
      ForgetOnSignal();
    } else {
      DiscardTemporary(tempPath);
    }
    return NameAttempt::Given;
  };
  return GiveFirstFreeName(std::move(name), nextName, give,
                           [&tempPath] { DiscardTemporary(tempPath); });
}

void DiscardTemporary(const std::string& tempPath) {
  const FolderEntry temp(tempPath);
  ::unlinkat(temp.Folder(), temp.Name(), 0);
  ForgetOnSignal();
}

}  // namespace vorlix
