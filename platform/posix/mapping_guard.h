// Mapped files that shrink while they are read. A read of a page past the file's new end raises
// BUS; for a watched mapping the handler maps zeros over the rest of the mapping instead, notes
// it, and the read goes on. A BUS anywhere else is left to what handled it before.
#pragma once

#include <cstddef>

#include "platform/platform_status.h"

namespace vorlix {

// Watches the mapping and sets `watch` to its place; NoFreePlace, `watch` left as it was, when
// every place is taken (then a BUS in it ends the process as before).
PlatformStatus WatchMapping(const void* start, std::size_t size, int& watch);
// Stops watching; before the mapping goes.
void ForgetMapping(int watch);
// True once a read past the file's end was turned into zeros in the watched mapping.
bool MappingFaulted(int watch);

}  // namespace vorlix
