// What a tracker's pattern view shows, and the largest picture it shows whole in the GIF's
// proportions: the data and the arithmetic behind --fit, shared by every front end.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorlix {

// One layout of a tracker's pattern view: how many channels and rows it shows whole around the
// cursor row, and how large it draws a cell and a row on the screen.
struct TrackerView {
  int minChannels = 1;   // a view that holds for modules of minChannels..channels channels
  int channels = 0;      // whole channels shown
  int rowsAbove = 0;     // rows shown above the cursor row
  int rowsBelow = 0;     // rows shown below it
  int pxPerCell = 0;     // screen pixels across one channel (a cell column: 4 picture pixels)
  int pxPerRow = 0;      // screen pixels down one pattern row (1 picture pixel)
  const char* source{};  // where the numbers come from
};

// A named choice of --fit: its help line and its views (more than one when the tracker draws
// channels wider or narrower by how many the module has).
struct TrackerPreset {
  std::string_view name;
  std::string_view help;
  std::span<const TrackerView> views;
};

// The presets, "none" first (no fit: width and height as given).
std::span<const TrackerPreset> TrackerPresets();

inline constexpr std::string_view kNoFit = "none";
// The custom form's placeholder in help texts: CHANNELSxROWS, e.g. 8x32.
inline constexpr std::string_view kCustomFitForm = "CHANNELSxROWS";

// The views of a --fit value: a preset's, or the custom form's one view with MilkyTracker's
// proportions; none for "none". Nothing when the value names no preset.
std::optional<std::vector<TrackerView>> FitViews(std::string_view name);

// The custom form's view (channels and rows of 1..256), or nothing when `text` is not one.
std::optional<TrackerView> CustomTrackerView(std::string_view text);

// The pattern row a player breaks at: the middle row, at most 63.
constexpr int BreakRow(int height) {
  return height / 2 < 63 ? height / 2 : 63;
}

// True when a picture of `width` x `height` lies whole in `view` with the break row on the
// cursor row.
bool ShowsWhole(const TrackerView& view, int width, int height);

// A GIF's logical screen; 0 x 0 while it is not known.
struct ScreenSize {
  int width = 0, height = 0;
};

struct FittedSize {
  int width = 0;   // a multiple of 4, within 8..128
  int height = 0;  // within 16..200
};

// The largest picture that one of `views` shows whole, centred on the break row, whose
// proportions as that tracker draws them (pxPerCell / 4 per picture pixel across, pxPerRow
// down) are those of a screen of screenWidth x screenHeight: the most channels for which a
// height within 10% of the exact proportions fits, and the height nearest them.
FittedSize FitPicture(std::span<const TrackerView> views, int screenWidth, int screenHeight);

// The drawn proportions of a picture in a view over those of the screen: 1 is exact.
double DrawnAspectRatio(const TrackerView& view, int width, int height, int screenWidth,
                        int screenHeight);

// "milkytracker-640x480, ..., ft2 or CHANNELSxROWS": every accepted --fit value.
std::string FitNames();

}  // namespace vorlix
