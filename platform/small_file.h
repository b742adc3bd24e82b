// The settings file's two operations on the file system: reading a small file whole, and
// replacing a file in one step so that a failed write keeps the old one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/platform_status.h"

namespace vorlix {

// What ReadSmallFile read: `bytes` are set when `status` is Ok.
struct SmallFile {
  PlatformStatus status = PlatformStatus::Ok;
  std::vector<std::uint8_t> bytes;
};

// The first `limit` bytes of the regular file at `path` (fewer when it is shorter); CannotOpen
// when there is none or it is not a regular file. Never waits on a pipe or a device.
SmallFile ReadSmallFile(const std::string& path, std::size_t limit);

// Writes `bytes` into a hidden ".NAME.XXXXXX" beside the file at `path` and renames it over it,
// with the old file's permissions (those a new file gets when there was none). A read-only file,
// or a path that names something other than a regular file, is left alone. Being a new file, it
// is no longer a hard link of another name. CannotWrite when nothing was replaced; no temporary
// is left either way.
PlatformStatus ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace vorlix
