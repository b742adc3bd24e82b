// Names for new files that never replace an existing one.
#pragma once

#include <functional>
#include <string>

#include "platform/file_checks.h"

namespace vorlix {

// How many names FirstFreeNumberedName tries: base + extension and base_1 + extension up to
// base_99999 + extension, 100,000 names in all.
inline constexpr int kMaxNumberedNames = 100000;

// The first of base + extension, base_1 + extension, base_2 + extension, ... that `taken` says
// is free; "" when all kMaxNumberedNames of them are taken, so that a folder full of such names
// ends the search. The product asks NameTaken: any file counts as taken, readable or not, so
// numbering never lands on an existing file.
std::string FirstFreeNumberedName(const std::string& base, const std::string& extension,
                                  const std::function<bool(const std::string&)>& taken = NameTaken);

}  // namespace vorlix
