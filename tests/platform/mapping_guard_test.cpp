// The table of watched mappings has a fixed number of places: a mapping beyond them is refused
// with NoFreePlace and left unwatched, and a place given back serves the next mapping.
#include <gtest/gtest.h>

#include <vector>

#include "platform/posix/mapping_guard.h"

namespace vorlix {
namespace {

TEST(MappingGuard, AFullTableRefusesAndAFreedPlaceServesAgain) {
  static char memory[1];
  std::vector<int> watches;
  for (;;) {
    int watch = -1;
    if (WatchMapping(memory, sizeof memory, watch) != PlatformStatus::Ok) {
      EXPECT_EQ(watch, -1);  // left as it was
      break;
    }
    ASSERT_GE(watch, 0);
    ASSERT_LE(watches.size(), 1000u) << "the table never fills";
    watches.push_back(watch);
  }
  ASSERT_FALSE(watches.empty());
  int refused = 7;
  EXPECT_EQ(WatchMapping(memory, sizeof memory, refused), PlatformStatus::NoFreePlace);
  EXPECT_EQ(refused, 7);
  ForgetMapping(watches.back());
  int again = -1;
  EXPECT_EQ(WatchMapping(memory, sizeof memory, again), PlatformStatus::Ok);
  EXPECT_EQ(again, watches.back());
  EXPECT_FALSE(MappingFaulted(again));
  watches.back() = again;
  for (const int watch : watches) ForgetMapping(watch);
}

}  // namespace
}  // namespace vorlix
