#include "platform/console.h"

#include <cstdio>

namespace vorlix {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

void PrepareStandardStreams() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
}

}  // namespace vorlix
