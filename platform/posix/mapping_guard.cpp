#include "platform/posix/mapping_guard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/posix/end_by_signal.h"

namespace vorlix {
namespace {

// What the handler reads: fixed places of atomics, nothing that allocates or locks.
struct Watched {
  std::atomic<std::uintptr_t> start{0};  // 0: the place is free
  std::atomic<std::size_t> size{0};
  std::atomic<bool> faulted{false};
};
constexpr int kPlaces = 64;
Watched gWatched[kPlaces];
std::uintptr_t gPageSize = 4096;
struct sigaction gPrevious {};
std::mutex gPlacesMutex;  // taking and freeing places, never in the handler

// Maps zeros from the page of `address` to the end of the watched mapping that holds it; false
// when no watched mapping holds it.
bool ZeroRestOfMapping(std::uintptr_t address) {
  for (Watched& place : gWatched) {
    const std::uintptr_t start = place.start.load(std::memory_order_acquire);
    const std::size_t size = place.size.load(std::memory_order_acquire);
    if (start == 0 || address < start || address - start >= size) continue;
    const std::uintptr_t page = address & ~(gPageSize - 1);
    void* zeros = ::mmap(reinterpret_cast<void*>(page), start + size - page, PROT_READ,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (zeros == MAP_FAILED) return false;
    place.faulted.store(true, std::memory_order_release);
    return true;
  }
  return false;
}

extern "C" void OnBusError(int signal, siginfo_t* info, void* context) {
  // A page past the end of a mapped file: the read goes on, on zeros.
  if (info != nullptr && info->si_code == BUS_ADRERR &&
      ZeroRestOfMapping(reinterpret_cast<std::uintptr_t>(info->si_addr))) {
    return;
  }
  // Anything else goes where it went before this handler.
  if ((gPrevious.sa_flags & SA_SIGINFO) != 0 && gPrevious.sa_sigaction != nullptr) {
    gPrevious.sa_sigaction(signal, info, context);
  } else if ((gPrevious.sa_flags & SA_SIGINFO) == 0 && gPrevious.sa_handler != SIG_DFL &&
             gPrevious.sa_handler != SIG_IGN) {
    gPrevious.sa_handler(signal);
  } else {
    RemoveTemporaryAndEnd(signal);
  }
}

void InstallOnce() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pageSize > 0) gPageSize = static_cast<std::uintptr_t>(pageSize);
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, &gPrevious);
}

}  // namespace

PlatformStatus WatchMapping(const void* start, std::size_t size, int& watch) {
  const std::lock_guard<std::mutex> lock(gPlacesMutex);
  InstallOnce();
  for (int i = 0; i < kPlaces; ++i) {
    Watched& place = gWatched[i];
    if (place.start.load() != 0) continue;
    place.faulted.store(false);
    place.size.store(size, std::memory_order_release);
    place.start.store(reinterpret_cast<std::uintptr_t>(start), std::memory_order_release);
    watch = i;
    return PlatformStatus::Ok;
  }
  return PlatformStatus::NoFreePlace;
}

void ForgetMapping(int watch) {
  if (watch < 0 || watch >= kPlaces) return;
  const std::lock_guard<std::mutex> lock(gPlacesMutex);
  gWatched[watch].start.store(0, std::memory_order_release);
  gWatched[watch].size.store(0, std::memory_order_release);
}

bool MappingFaulted(int watch) {
  return watch >= 0 && watch < kPlaces && gWatched[watch].faulted.load(std::memory_order_acquire);
}

}  // namespace vorlix
