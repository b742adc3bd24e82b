#include "settings/tracker_views.h"

#include <charconv>
#include <cmath>
#include <tuple>

namespace vorlix {
namespace {

// Measured under Xvfb by tools/measure_trackers.sh (MilkyTracker 1.03, its default layout with
// the window size in ~/.config/milkytracker/config): channels separated by lines 87 pixels apart,
// rows 8 pixels high, the cursor row in the middle of the pattern area.
constexpr const char* kMilkySource =
    "measured: MilkyTracker 1.03 under Xvfb, tools/measure_trackers.sh";
constexpr int kMilkyPxPerCell = 87;
constexpr int kMilkyPxPerRow = 8;

// MilkyTracker's default layout showing that many channels and rows.
constexpr TrackerView MilkyView(int channels, int rowsAbove, int rowsBelow) {
  return {.channels = channels,
          .rowsAbove = rowsAbove,
          .rowsBelow = rowsBelow,
          .pxPerCell = kMilkyPxPerCell,
          .pxPerRow = kMilkyPxPerRow,
          .source = kMilkySource};
}
constexpr TrackerView kMilky640[] = {MilkyView(6, 17, 17)};
constexpr TrackerView kMilky1024[] = {MilkyView(11, 33, 33)};
constexpr TrackerView kMilky1920[] = {MilkyView(21, 51, 50)};

// Schism Tracker 20221201's pattern editor (F2) on its fixed 640 x 400 text screen of 8 x 8
// cells, measured by tools/measure_trackers.sh: channels 14 cells apart, the cursor row with
// "centralise cursor" on.
constexpr TrackerView kSchism[] = {
    {.channels = 5,
     .rowsAbove = 16,
     .rowsBelow = 15,
     .pxPerCell = 112,
     .pxPerRow = 8,
     .source = "measured: Schism Tracker 20221201 under Xvfb, tools/measure_trackers.sh"}};

// FastTracker 2's default configuration: the normal (not extended) pattern editor, pattern
// stretch off, at most 8 channels shown (ptnMaxChannels = MAX_CHANS_SHOWN_8), the 632 x 400
// screen at 1x. Not measured: taken from the FastTracker 2 clone's src/ft2_pattern_ed.c.
// Rows: ptnAntLine[0] = 27 lines with ptnLineSub[0] = 13 above the cursor row (mode 0: not
// extended, not stretched, no channel scroll bar, which shows only past 8 channels), so 13
// below. Row height: charHeight = 8 without stretch (mouseYToRow). Channel width:
// patternChannelWidth = chanWidths[numChannelsShown / 2 - 1] + 3 with chanWidths = {141, 141,
// 93, 69, 45, 45}; numChannelsShown is the module's (even) channel count up to the 8 of
// getMaxVisibleChannels().
constexpr const char* kFt2Source =
    "FastTracker 2 clone src/ft2_pattern_ed.c: ptnAntLine[0] = 27, ptnLineSub[0] = 13, "
    "charHeight 8, chanWidths[n / 2 - 1] + 3; not measured";
// FastTracker 2's view of a module of minChannels..channels channels, drawn pxPerCell wide.
constexpr TrackerView Ft2View(int minChannels, int channels, int pxPerCell) {
  return {.minChannels = minChannels,
          .channels = channels,
          .rowsAbove = 13,
          .rowsBelow = 13,
          .pxPerCell = pxPerCell,
          .pxPerRow = 8,
          .source = kFt2Source};
}
constexpr TrackerView kFt2[] = {Ft2View(1, 4, 141 + 3), Ft2View(5, 6, 93 + 3),
                                Ft2View(7, 8, 69 + 3)};

constexpr TrackerPreset kPresets[] = {
    {kNoFit, "width and height as given (default)", {}},
    {"milkytracker-640x480", "MilkyTracker in a 640x480 window", kMilky640},
    {"milkytracker-1024x768", "MilkyTracker in a 1024x768 window", kMilky1024},
    {"milkytracker-1920x1080", "MilkyTracker in a 1920x1080 window", kMilky1920},
    {"schism",
     "Schism Tracker's pattern editor (F2), played with\n"
     "Scroll Lock on and centralise cursor (Ctrl-C)",
     kSchism},
    {"ft2", "FastTracker 2's default configuration", kFt2},
};

// The smallest and largest picture the options allow.
constexpr int kMinChannels = 2, kMaxChannels = 32;
constexpr int kMinHeight = 16, kMaxHeight = 200;
constexpr double kTolerance = 0.10;

std::optional<int> ParseCount(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return {};
  return value;
}

}  // namespace

std::span<const TrackerPreset> TrackerPresets() {
  return kPresets;
}

std::optional<TrackerView> CustomTrackerView(std::string_view text) {
  const std::size_t x = text.find('x');
  if (x == std::string_view::npos || text.find_first_not_of("0123456789x") != text.npos) {
    return {};
  }
  const auto channels = ParseCount(text.substr(0, x));
  const auto rows = ParseCount(text.substr(x + 1));
  if (!channels || !rows || *channels < kMinChannels || *channels > 256 || *rows < kMinHeight ||
      *rows > 256) {
    return {};
  }
  // Centred as MilkyTracker centres its cursor row: the odd row goes above.
  TrackerView view = MilkyView(*channels, *rows / 2, *rows - 1 - *rows / 2);
  view.source = "given; MilkyTracker's pixels per cell and row";
  return view;
}

std::optional<std::vector<TrackerView>> FitViews(std::string_view name) {
  for (const TrackerPreset& preset : kPresets) {
    if (preset.name == name)
      return std::vector<TrackerView>(preset.views.begin(), preset.views.end());
  }
  if (const auto view = CustomTrackerView(name)) return std::vector<TrackerView>{*view};
  return {};
}

bool ShowsWhole(const TrackerView& view, int width, int height) {
  const int channels = width / 4;
  const int breakRow = BreakRow(height);
  return channels >= view.minChannels && channels <= view.channels && breakRow <= view.rowsAbove &&
         height - 1 - breakRow <= view.rowsBelow;
}

double DrawnAspectRatio(const TrackerView& view, int width, int height, int screenWidth,
                        int screenHeight) {
  const double drawn = (width / 4.0 * view.pxPerCell) / (height * double(view.pxPerRow));
  return drawn / (double(screenWidth) / screenHeight);
}

FittedSize FitPicture(std::span<const TrackerView> views, int screenWidth, int screenHeight) {
  // Ranked by: within 10%, then more channels, then nearer the exact proportions, then taller.
  std::tuple<bool, int, double, int> best{false, 0, -1e300, 0};
  FittedSize fitted{kMinChannels * 4, kMinHeight};
  for (const TrackerView& view : views) {
    for (int channels = kMinChannels; channels <= kMaxChannels; ++channels) {
      for (int height = kMinHeight; height <= kMaxHeight; ++height) {
        const int width = channels * 4;
        if (!ShowsWhole(view, width, height)) continue;
        const double ratio = DrawnAspectRatio(view, width, height, screenWidth, screenHeight);
        const double error = std::abs(std::log(ratio));
        const bool close = std::abs(ratio - 1) <= kTolerance;
        // Outside the tolerance only nearness counts.
        const std::tuple<bool, int, double, int> rank{close, close ? channels : 0, -error, height};
        if (rank > best) {
          best = rank;
          fitted = {width, height};
        }
      }
    }
  }
  return fitted;
}

std::string FitNames() {
  std::string names;
  for (const TrackerPreset& preset : kPresets) names += std::string(preset.name) + ", ";
  return names + "or " + std::string(kCustomFitForm) + " (e.g. 8x32)";
}

}  // namespace vorlix
