#include "convert/numbered_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace vorlix {
namespace {

TEST(FirstFreeNumberedName, NumbersUpToTheBoundThenGivesNoName) {
  const struct {
    int taken;  // how many names, from the first on, are taken
    std::string expected;
  } cases[] = {
      {0, "song.xm"},
      {1, "song_1.xm"},
      {2, "song_2.xm"},
      {12345, "song_12345.xm"},
      {kMaxNumberedNames - 1, "song_99999.xm"},  // the last name tried
      {kMaxNumberedNames, ""},                   // song.xm and song_1 .. song_99999 all taken
      {kMaxNumberedNames + 5, ""},
  };
  for (const auto& c : cases) {
    int asked = 0;
    const auto taken = [&](const std::string&) { return ++asked <= c.taken; };
    EXPECT_EQ(FirstFreeNumberedName("song", ".xm", taken), c.expected) << c.taken;
    // Each name is asked about once, never more than the bound's number of names.
    EXPECT_EQ(asked, std::min(c.taken + 1, kMaxNumberedNames)) << c.taken;
  }
}

}  // namespace
}  // namespace vorlix
