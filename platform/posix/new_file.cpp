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

namespace vorlix {
namespace {

// Commit attempts before giving up: each taken name is taken by a file that exists, so this is
// reached only when the folder changes faster than names can be tried.
constexpr int kMaxCommitAttempts = 10000;
// Of a long name only this much goes into the temporary's name, which must stay within the
// 255 bytes a file name may have.
constexpr std::size_t kTemporaryStemLength = 200;

// Attempts at a free temporary name before giving up.
constexpr int kMaxCreateAttempts = 100;

// Six letters that differ from call to call and from process to process.
std::string UniqueLetters() {
  static std::uint64_t counter = 0;
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  std::uint64_t x =
      static_cast<std::uint64_t>(now.tv_nsec) ^ (static_cast<std::uint64_t>(now.tv_sec) << 30) ^
      (static_cast<std::uint64_t>(::getpid()) << 40) ^ (++counter * 0x9E3779B97F4A7C15ull);
  // A 64-bit mix, so that close inputs give unrelated names.
  x ^= x >> 33;
  x *= 0xFF51AFD7ED558CCDull;
  x ^= x >> 33;
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string letters;
  for (int i = 0; i < 6; ++i, x /= 62) letters += kLetters[x % 62];
  return letters;
}

// Creates a new file `stem` + six letters in the folder, readable and writable by its owner
// only (as mkstemp does); sets `path` to its name. -1 when it could not be created.
int CreateNew(const FolderEntry& folder, const std::string& folderPrefix, const std::string& stem,
              std::string& path) {
  if (folder.Folder() == -1) return -1;
  for (int attempt = 0; attempt < kMaxCreateAttempts; ++attempt) {
    const std::string name = stem + UniqueLetters();
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
  TemporaryFile temp;
  // Made relative to the folder: the temporary's name is longer than `finalName`, whose whole
  // path may already be as long as a path can be.
  const FolderEntry folder(finalName);
  std::string stem = ".";
  stem.append(finalName, nameStart, kTemporaryStemLength).append(".");
  std::string path;
  const int fd = CreateNew(folder, finalName.substr(0, nameStart), stem, path);
  if (fd < 0) return temp;
  RemoveOnSignal(path);
  std::FILE* file = ::fchmod(fd, NewFileMode()) == 0 ? ::fdopen(fd, "wb") : nullptr;
  if (!file) {
    ::close(fd);
    DiscardTemporary(path);
    return temp;
  }
  return TemporaryFile{file, std::move(path)};
}

CommittedFile CommitTemporary(const std::string& tempPath, std::string name,
                              const std::function<std::string()>& nextName) {
  for (int attempt = 0; attempt < kMaxCommitAttempts && !name.empty(); ++attempt) {
    bool renamed = false;
    const int error = GiveName(tempPath, name, renamed);
    if (error == 0) {
      // Linked and interrupted here, the module is whole under its name and only the temporary
      // goes.
      if (renamed) {
        ForgetOnSignal();
      } else {
        DiscardTemporary(tempPath);
      }
      return {PlatformStatus::Ok, std::move(name)};
    }
    if (error != EEXIST) break;
    name = nextName();
  }
  DiscardTemporary(tempPath);
  return {PlatformStatus::CannotWrite, {}};
}

void DiscardTemporary(const std::string& tempPath) {
  const FolderEntry temp(tempPath);
  ::unlinkat(temp.Folder(), temp.Name(), 0);
  ForgetOnSignal();
}

}  // namespace vorlix
