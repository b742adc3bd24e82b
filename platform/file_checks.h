// What is at a path: the checks the settings file, the conversion and the preview make.
#pragma once

#include <string>

namespace vorlix {

// True when a file at the path can be opened for reading; a folder counts as absent. Never
// waits on a pipe or a device.
bool FileExists(const std::string& path);

// True when anything exists at the path (a file of any kind, readable or not, or a link).
bool NameTaken(const std::string& path);

// True when something other than a folder is at the path (following links) that FileExists
// cannot open for reading: no permission, a loop of links. A missing file, a link to one and a
// folder are not.
bool ThereButUnreadable(const std::string& path);

// True when the path names a folder (or a link to one).
bool IsFolder(const std::string& path);

// True when a file exists at the path and may not be written: it has no write permission at all
// (read-only even to an administrator) or none for this process.
bool ReadOnlyFile(const std::string& path);

// A typed path as a path of this platform: a backslash is a directory separator.
std::string NativePath(const std::string& typed);

}  // namespace vorlix
