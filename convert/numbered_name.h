// Names for new files that never replace an existing one.
#pragma once

#include <string>

namespace vorlix {

// The first of base + extension, base_1 + extension, base_2 + extension, ... that no file has.
// Any file counts as taken, readable or not, so numbering never lands on an existing file.
std::string FirstFreeNumberedName(const std::string& base, const std::string& extension);

}  // namespace vorlix
