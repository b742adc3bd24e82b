// How an operation of the platform room ended.
#pragma once

namespace vorlix {

enum class PlatformStatus {
  Ok,
  CannotOpen,   // missing, unreadable, or not a regular file (a pipe, a device, a folder)
  TooLarge,     // over kMaxInputBytes, or more than the address space left can hold
  CannotWrite,  // a new file could not be written or given its name
  NoFreePlace,  // a table of fixed size holds no more
};

}  // namespace vorlix
