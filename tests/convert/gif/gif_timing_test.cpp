#include <gtest/gtest.h>

#include <vector>

#include "convert/gif/gif_timing.h"

namespace vorlix {
namespace {

double RowHundredths(const RowTiming& t) {
  return 250.0 * t.Speed / t.Tempo;
}

TEST(MedianDelay, ShortDelaysPlayAsTenAndTheLowerMiddleWins) {
  struct Case {
    std::vector<int> delays;
    int median;
  };
  const Case cases[] = {
      {{7}, 7},          {{0, 1, 0}, 10},   {{5, 50, 7}, 7},         {{4, 8}, 4},
      {{1, 30, 30}, 30}, {{0, 2, 2, 2}, 2}, {{100, 3, 0, 1, 9}, 10},
  };
  for (const Case& c : cases) EXPECT_EQ(MedianDelay(c.delays), c.median) << c.delays.size();
  EXPECT_FALSE(MedianDelay({}).has_value());
}

TEST(ClosestRowTiming, RowTimeFollowsTheDelayWithinTheRanges) {
  for (int delay : {2, 3, 5, 7, 10, 13, 20, 33, 50, 100, 200}) {
    for (int speed : {1, 5, 31}) {
      const RowTiming t = ClosestRowTiming(delay, speed);
      EXPECT_GE(t.Tempo, 32);
      EXPECT_LE(t.Tempo, 255);
      EXPECT_GE(t.Speed, 1);
      EXPECT_LE(t.Speed, 31);
      EXPECT_NEAR(RowHundredths(t), delay, delay * 0.01) << delay << " at speed " << speed;
    }
  }
}

TEST(ClosestRowTiming, EqualTimingsPreferTheUsersSpeedThenTheSmallest) {
  struct Case {
    int delay, preferredSpeed, tempo, speed;
  };
  const Case cases[] = {
      {10, 5, 125, 5},    // the default speed is kept when it can hit the delay
      {10, 3, 75, 3},     //
      {10, 0, 50, 2},     // no usable preference: the smallest exact speed
      {2, 5, 125, 1},     // speed 5 cannot play rows this short
      {50, 5, 35, 7},     //
      {1000, 5, 32, 31},  // longer than any row: the longest row
      {0, 5, 255, 1},     // shorter than any row: the shortest row
  };
  for (const Case& c : cases) {
    const RowTiming t = ClosestRowTiming(c.delay, c.preferredSpeed);
    EXPECT_EQ(t.Tempo, c.tempo) << c.delay << " " << c.preferredSpeed;
    EXPECT_EQ(t.Speed, c.speed) << c.delay << " " << c.preferredSpeed;
  }
}

}  // namespace
}  // namespace vorlix
