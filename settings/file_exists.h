// The existence test that the settings file and the conversion both use for their files.
#pragma once

#include <string>

namespace vorlix {

// True when a file at the path can be opened for reading; a folder counts as absent. Never
// waits on a pipe or a device.
bool FileExists(const std::string& path);

// A typed path as a path of this platform: a backslash is a directory separator.
std::string NativePath(const std::string& typed);

}  // namespace vorlix
