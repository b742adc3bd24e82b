// Ends abnormally while a temporary is being written, for the Wine tests:
//   crash_probe fault|abort|throw NAME
// creates the temporary for NAME as a module's is created, writes a megabyte into it, prints its
// path, then reads through a null pointer, calls abort, or lets an exception escape. Once the
// process has ended, no temporary may be left.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/new_file.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const vorlix::TemporaryFile temp = vorlix::CreateTemporaryFor(argv[2]);
  if (temp.status != vorlix::PlatformStatus::Ok) return 1;
  const std::vector<char> bytes(1 << 20, 'x');
  if (std::fwrite(bytes.data(), 1, bytes.size(), temp.file) != bytes.size() ||
      std::fflush(temp.file) != 0) {
    return 1;
  }
  std::printf("%s\n", temp.path.c_str());
  std::fflush(stdout);
  if (std::strcmp(argv[1], "abort") == 0) std::abort();
  if (std::strcmp(argv[1], "throw") == 0) throw std::runtime_error("nobody catches this");
  // Volatile: the compiler cannot see that the pointer is null and put a trap in its place.
  int* volatile nowhere = nullptr;
  return *nowhere;
}
