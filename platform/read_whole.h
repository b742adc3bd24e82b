// Reading a whole file into memory when it cannot be mapped, the same on every system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "platform/file_view.h"

namespace vorlix {

// Appends chunks to `copy` until `read` says the end (0) or an error (below 0), never past
// kMaxInputBytes. `read(buffer, size)` reads at most `size` bytes into `buffer`. False, with
// `status` TooLarge when the bound or memory was the reason, when the file is not read whole.
template <typename Read>
bool ReadWhole(std::vector<std::uint8_t>& copy, PlatformStatus& status, Read read) {
  std::uint8_t buffer[1 << 16];
  try {
    for (;;) {
      const long long n = read(buffer, sizeof buffer);
      if (n == 0) return true;
      if (n < 0) return false;
      if (copy.size() + static_cast<std::size_t>(n) > kMaxInputBytes) {
        status = PlatformStatus::TooLarge;
        return false;
      }
      copy.insert(copy.end(), buffer, buffer + n);
    }
  } catch (const std::bad_alloc&) {
    status = PlatformStatus::TooLarge;
    return false;
  }
}

}  // namespace vorlix
