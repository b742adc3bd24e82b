// The settings file's two operations on the file system: reading a small file whole, and
// replacing a file in one step so that a failed write keeps the old one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorlix {

// The first `limit` bytes of the regular file at `path` (fewer when it is shorter); empty when
// there is none or it is not a regular file. Never waits on a pipe or a device.
std::vector<std::uint8_t> ReadSmallFile(const std::string& path, std::size_t limit);

// Writes `bytes` into a hidden ".NAME.XXXXXX" beside the file at `path` and renames it over it,
// with the old file's permissions (those a new file gets when there was none). A read-only file,
// or a path that names something other than a regular file, is left alone. Being a new file, it
// is no longer a hard link of another name. False when nothing was replaced; no temporary is
// left either way.
bool ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace vorlix
