#include "platform/new_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

// Moves the temporary to `name` where the file system cannot link: renamed, but never over a
// file. Sets errno as link does.
bool RenameWithoutReplacing(const std::string& tempPath, const std::string& name) {
  return ::renameat2(AT_FDCWD, tempPath.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0;
}

}  // namespace

TemporaryFile CreateTemporaryFor(const std::string& finalName) {
  const std::size_t slash = finalName.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  TemporaryFile temp;
  std::string path = finalName.substr(0, nameStart) + "." +
                     finalName.substr(nameStart, kTemporaryStemLength) + ".XXXXXX";
  const int fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0) return temp;
  RemoveOnSignal(path);
  std::FILE* file = ::fchmod(fd, NewFileMode()) == 0 ? ::fdopen(fd, "wb") : nullptr;
  if (!file) {
    ::close(fd);
    DiscardTemporary(path);
    return temp;
  }
  temp.file = file;
  temp.path = std::move(path);
  return temp;
}

bool FinishFile(std::FILE* file) {
  const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
  const bool closed = std::fclose(file) == 0;
  return flushed && closed;
}

std::string CommitTemporary(const std::string& tempPath, std::string name,
                            const std::function<std::string()>& nextName) {
  for (int attempt = 0; attempt < kMaxCommitAttempts; ++attempt) {
    bool done = ::link(tempPath.c_str(), name.c_str()) == 0;
    if (done) {
      // Interrupted here, the module is whole under its name and only the temporary goes.
      DiscardTemporary(tempPath);
      return name;
    }
    if (errno == EPERM || errno == ENOTSUP || errno == ENOSYS || errno == EMLINK) {
      // A file system without hard links.
      done = RenameWithoutReplacing(tempPath, name);
      if (done) {
        ForgetOnSignal();
        return name;
      }
    }
    if (errno != EEXIST) break;
    name = nextName();
  }
  DiscardTemporary(tempPath);
  return "";
}

void DiscardTemporary(const std::string& tempPath) {
  ::unlink(tempPath.c_str());
  ForgetOnSignal();
}

}  // namespace vorlix
