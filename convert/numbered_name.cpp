#include "convert/numbered_name.h"

namespace vorlix {

std::string FirstFreeNumberedName(const std::string& base, const std::string& extension,
                                  const std::function<bool(const std::string&)>& taken) {
  std::string name = base + extension;
  for (int counter = 1; taken(name); ++counter) {
    if (counter == kMaxNumberedNames) return std::string();
    name = base + "_" + std::to_string(counter) + extension;
  }
  return name;
}

}  // namespace vorlix
