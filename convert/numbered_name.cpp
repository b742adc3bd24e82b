#include "convert/numbered_name.h"

#include "platform/file_checks.h"

namespace vorlix {

std::string FirstFreeNumberedName(const std::string& base, const std::string& extension) {
  std::string name = base + extension;
  for (int counter = 1; NameTaken(name); ++counter) {
    name = base + "_" + std::to_string(counter) + extension;
  }
  return name;
}

}  // namespace vorlix
