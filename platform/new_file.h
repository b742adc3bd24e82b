// Creating an output file (a module, a preview) without ever replacing an existing file: it is
// written to a hidden temporary in the folder of its name and gets that name only when it is whole.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "platform/platform_status.h"

namespace vorlix {

// A new file being written under a temporary name: `file` and `path` are set when `status` is Ok,
// CannotWrite when it could not be created.
struct TemporaryFile {
  PlatformStatus status = PlatformStatus::Ok;
  std::FILE* file = nullptr;
  std::string path;
};

// Creates ".NAME.XXXXXX" in the folder of `finalName`, NAME being its last component, with the
// permissions a new file gets. Its name never ends in ".xm", so it is never taken for a module.
// Until it is committed or discarded, every signal that ends the process by default removes it
// first (RemoveOnSignal); PIPE and XFSZ are ignored, so such writes fail instead.
TemporaryFile CreateTemporaryFor(const std::string& finalName);

// Flushes and closes; CannotWrite when any buffered data could not be written or the close failed.
PlatformStatus FinishFile(std::FILE* file);

// The name a committed file got: set when `status` is Ok.
struct CommittedFile {
  PlatformStatus status = PlatformStatus::Ok;
  std::string name;
};

// Gives the closed temporary the name `name` in one step that never replaces a file. While the
// name is taken (another run may have got it first), tries the names `nextName` gives in turn,
// until it gives "". CannotWrite when no name could be given; the temporary name is gone in
// either case.
CommittedFile CommitTemporary(const std::string& tempPath, std::string name,
                              const std::function<std::string()>& nextName);

// Removes the temporary.
void DiscardTemporary(const std::string& tempPath);

}  // namespace vorlix
