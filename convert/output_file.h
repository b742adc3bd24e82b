// Creating the output module without ever replacing an existing file, and removing what a
// failed write left behind.
#pragma once

#include <cstdio>
#include <string>

namespace vorlix {

// True when anything exists at the path (a file of any kind, readable or not, or a link).
bool NameTaken(const std::string& path);

// Creates a new file for writing; fails (nullptr) when anything exists at the path already.
std::FILE* CreateNewFile(const std::string& path);

// Flushes and closes; false when any buffered data could not be written or the close failed.
bool FinishFile(std::FILE* file);

}  // namespace vorlix
