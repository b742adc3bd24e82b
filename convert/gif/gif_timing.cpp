#include "convert/gif/gif_timing.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace vorlix {
namespace {

// A row lasts speed x 2.5 / tempo seconds, which is 250 x speed / tempo hundredths. Its
// distance to the delay is |250 x speed - delay x tempo| / tempo, kept as that fraction so that
// equal distances compare equal.
struct Distance {
  std::int64_t numerator;
  std::int64_t tempo;
  bool operator<(const Distance& other) const {
    return numerator * other.tempo < other.numerator * tempo;
  }
};

Distance DistanceOf(int delay, int tempo, int speed) {
  return {std::llabs(250LL * speed - static_cast<std::int64_t>(delay) * tempo), tempo};
}

}  // namespace

std::optional<int> MedianDelay(std::span<const int> delays) {
  if (delays.empty()) return std::nullopt;
  std::vector<int> played(delays.begin(), delays.end());
  for (int& d : played) {
    if (d <= 1) d = kShortDelayAsPlayed;
  }
  const auto middle = played.begin() + (played.size() - 1) / 2;
  std::nth_element(played.begin(), middle, played.end());
  return *middle;
}

RowTiming ClosestRowTiming(int delay, int preferredSpeed) {
  std::vector<int> speeds;
  if (preferredSpeed >= kMinSpeed && preferredSpeed <= kMaxSpeed) speeds.push_back(preferredSpeed);
  for (int s = kMinSpeed; s <= kMaxSpeed; ++s) {
    if (s != preferredSpeed) speeds.push_back(s);
  }
  RowTiming best{kMinTempo, speeds.front()};
  Distance bestDistance = DistanceOf(delay, best.Tempo, best.Speed);
  // Only a strictly closer timing replaces the best one, so the order of the search decides
  // between equals.
  for (int speed : speeds) {
    for (int tempo = kMinTempo; tempo <= kMaxTempo; ++tempo) {
      const Distance d = DistanceOf(delay, tempo, speed);
      if (d < bestDistance) {
        bestDistance = d;
        best = {tempo, speed};
      }
    }
  }
  return best;
}

std::optional<RowTiming> ApplyGifTiming(std::optional<int> medianDelay,
                                        ConversionSettings& settings) {
  if (settings.Picture.Timing != TimingSource::Gif || !medianDelay) return std::nullopt;
  const RowTiming timing = ClosestRowTiming(*medianDelay, settings.Speed);
  settings.Tempo = timing.Tempo;
  settings.Speed = timing.Speed;
  return timing;
}

}  // namespace vorlix
