#include <gtest/gtest.h>

#include "settings/settings_tail.h"

namespace vorlix {
namespace {

using Bytes = std::vector<std::uint8_t>;

PictureOptions Decoded(const Bytes& tail, PictureOptions start = {}) {
  DecodeSettingsTail(tail, start);
  return start;
}

TEST(SettingsTail, DefaultsNeedNoTail) {
  EXPECT_TRUE(EncodeSettingsTail(PictureOptions{}).empty());
}

TEST(SettingsTail, EveryValueOfEveryOptionRoundTrips) {
  std::vector<PictureOptions> cases;
  for (std::uint8_t d = 0; d < std::size(kDitherNames); ++d) {
    cases.push_back({.Dither = DitherMethod{d}});
  }
  cases.push_back({.AutoThreshold = true});
  cases.push_back({.Timing = TimingSource::Gif});
  cases.push_back({.Backdrop = BackdropColour::Light});
  cases.push_back({.Backdrop = BackdropColour::Dark});
  cases.push_back({DitherMethod::Cluster16, true, TimingSource::Gif, BackdropColour::Dark});
  for (const PictureOptions& o : cases) {
    const Bytes tail = EncodeSettingsTail(o);
    if (o == PictureOptions{}) continue;
    ASSERT_EQ(tail.size(), 9u);
    EXPECT_EQ(Bytes(tail.begin(), tail.begin() + 5), (Bytes{'V', 'X', 'P', 'O', 1}));
    // Decoded over options that differ everywhere, so that each value must come from the tail.
    const PictureOptions other{
        DitherMethod::Bayer8, !o.AutoThreshold,
        o.Timing == TimingSource::Gif ? TimingSource::Settings : TimingSource::Gif,
        BackdropColour::Light};
    EXPECT_EQ(Decoded(tail, other), o) << "dither " << int(o.Dither);
  }
}

TEST(SettingsTail, DamagedTailsAreIgnoredOptionByOption) {
  const PictureOptions start{DitherMethod::Bayer4, false, TimingSource::Settings,
                             BackdropColour::Background};
  struct Case {
    const char* what;
    Bytes tail;
    PictureOptions expected;
  };
  const Case cases[] = {
      {"no tail", {}, start},
      {"tag only", {'V', 'X', 'P', 'O'}, start},
      {"another tag", {'V', 'X', 'P', 'Q', 1, 1, 1, 1, 1}, start},
      {"version 0", {'V', 'X', 'P', 'O', 0, 1, 1, 1, 1}, start},
      {"garbage", {0xFF, 0x00, 0x13, 0x37, 0xFF, 0xFF}, start},
      {"cut after the dither", {'V', 'X', 'P', 'O', 1, 1}, {DitherMethod::FloydSteinberg}},
      {"dither out of range",
       {'V', 'X', 'P', 'O', 1, 8, 1, 1, 2},
       {DitherMethod::Bayer4, true, TimingSource::Gif, BackdropColour::Dark}},
      {"every byte out of range", {'V', 'X', 'P', 'O', 1, 200, 2, 2, 3}, start},
      {"a later version with more bytes",
       {'V', 'X', 'P', 'O', 7, 0, 1, 0, 1, 42, 42},
       {DitherMethod::None, true, TimingSource::Settings, BackdropColour::Light}},
  };
  for (const Case& c : cases) EXPECT_EQ(Decoded(c.tail, start), c.expected) << c.what;
}

}  // namespace
}  // namespace vorlix
