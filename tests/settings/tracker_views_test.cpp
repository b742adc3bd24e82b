#include "settings/tracker_views.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace vorlix {
namespace {

struct Screen {
  const char* name;
  int width, height;
};
constexpr Screen kScreens[] = {{"square", 200, 200}, {"4:3", 640, 480}, {"16:9", 1920, 1080}};

std::vector<std::string> FitNamesToTest() {
  std::vector<std::string> names;
  for (const TrackerPreset& preset : TrackerPresets()) {
    if (preset.name != kNoFit) names.emplace_back(preset.name);
  }
  names.emplace_back("8x32");
  names.emplace_back("3x100");
  return names;
}

// The view of `views` that shows a width x height picture whole, or nullptr.
const TrackerView* ShowingView(const std::vector<TrackerView>& views, int width, int height) {
  for (const TrackerView& view : views) {
    if (ShowsWhole(view, width, height)) return &view;
  }
  return nullptr;
}

// How far a picture's drawn proportions are from the screen's (0 is exact), or nothing when no
// view shows it whole.
std::optional<double> Distortion(const std::vector<TrackerView>& views, int width, int height,
                                 const Screen& screen) {
  const TrackerView* view = ShowingView(views, width, height);
  if (view == nullptr) return {};
  return DrawnAspectRatio(*view, width, height, screen.width, screen.height) - 1;
}

bool WithinTenPercent(const std::vector<TrackerView>& views, int width, int height,
                      const Screen& screen) {
  const auto distortion = Distortion(views, width, height, screen);
  return distortion && std::abs(*distortion) <= 0.10;
}

// Whether any picture the options allow is shown whole within 10%.
bool AnyWithinTenPercent(const std::vector<TrackerView>& views, const Screen& screen) {
  for (int width = 8; width <= 128; width += 4) {
    for (int height = 16; height <= 200; ++height) {
      if (WithinTenPercent(views, width, height, screen)) return true;
    }
  }
  return false;
}

// For every shape of screen and every fit: the picture lies whole in the tracker's view, looks
// as the GIF does within 10%, and no wider picture (a multiple of 4, within the options' ranges)
// would do both. Where no picture comes within 10% (FastTracker 2 draws two channels 288 pixels
// wide over 27 rows of 8), the fit is the whole picture nearest the GIF's proportions.
TEST(TrackerViewsTest, FitIsTheLargestWholePictureInTheGifsProportions) {
  for (const std::string& name : FitNamesToTest()) {
    const auto views = FitViews(name);
    ASSERT_TRUE(views && !views->empty()) << name;
    for (const Screen& screen : kScreens) {
      SCOPED_TRACE(name + " on a " + screen.name + " screen");
      const FittedSize fit = FitPicture(*views, screen.width, screen.height);
      EXPECT_EQ(fit.width % 4, 0);
      EXPECT_GE(fit.width, 8);
      EXPECT_LE(fit.width, 128);
      EXPECT_GE(fit.height, 16);
      EXPECT_LE(fit.height, 200);
      const auto distortion = Distortion(*views, fit.width, fit.height, screen);
      ASSERT_TRUE(distortion.has_value()) << fit.width << "x" << fit.height << " is not whole";
      if (!AnyWithinTenPercent(*views, screen)) {
        for (int width = 8; width <= 128; width += 4) {
          for (int height = 16; height <= 200; ++height) {
            const auto other = Distortion(*views, width, height, screen);
            EXPECT_FALSE(other && std::abs(*other) < std::abs(*distortion) - 1e-9)
                << width << "x" << height << " is nearer";
          }
        }
        continue;
      }
      EXPECT_LE(std::abs(*distortion), 0.10) << fit.width << "x" << fit.height;
      for (int width = fit.width + 4; width <= 128; width += 4) {
        for (int height = 16; height <= 200; ++height) {
          EXPECT_FALSE(WithinTenPercent(*views, width, height, screen))
              << "a larger " << width << "x" << height << " fits";
        }
      }
    }
  }
}

// The sizes themselves, worked out by hand from the table, so that a changed number shows.
TEST(TrackerViewsTest, FitsOfTheBundledGif) {
  struct Case {
    const char* fit;
    int width, height;
  };
  // troll.gif: 120 x 150.
  const Case cases[] = {
      {"milkytracker-640x480", 8, 27},
      {"milkytracker-1024x768", 20, 67},
      {"milkytracker-1920x1080", 32, 102},
      {"schism", 8, 32},
      {"ft2", 8, 27},
      {"8x32", 8, 27},
  };
  for (const Case& c : cases) {
    const FittedSize fit = FitPicture(*FitViews(c.fit), 120, 150);
    EXPECT_EQ(fit.width, c.width) << c.fit;
    EXPECT_EQ(fit.height, c.height) << c.fit;
  }
}

TEST(TrackerViewsTest, BreakRowSitsOnTheCursorRow) {
  const TrackerView milky = (*FitViews("milkytracker-1920x1080"))[0];
  EXPECT_TRUE(ShowsWhole(milky, 84, 102));   // break row 51: 51 above, 50 below
  EXPECT_FALSE(ShowsWhole(milky, 84, 103));  // 51 above, 51 below
  EXPECT_FALSE(ShowsWhole(milky, 88, 102));  // 22 channels
  EXPECT_TRUE(ShowsWhole(milky, 84, 16));    // far inside
  const TrackerView wide = *CustomTrackerView("8x200");
  EXPECT_TRUE(ShowsWhole(wide, 32, 163));  // break row 63 (at most): 99 below
  EXPECT_FALSE(ShowsWhole(wide, 32, 164));
}

TEST(TrackerViewsTest, Ft2DrawsChannelsByTheModulesChannelCount) {
  const auto views = *FitViews("ft2");
  struct Case {
    int channels, pxPerCell;
  };
  for (const Case c : {Case{2, 144}, Case{4, 144}, Case{5, 96}, Case{6, 96}, Case{8, 72}}) {
    const TrackerView* view = ShowingView(views, c.channels * 4, 20);
    ASSERT_NE(view, nullptr) << c.channels;
    EXPECT_EQ(view->pxPerCell, c.pxPerCell) << c.channels;
  }
  EXPECT_EQ(ShowingView(views, 9 * 4, 20), nullptr);
}

TEST(TrackerViewsTest, NamesAndCustomForms) {
  EXPECT_TRUE(FitViews("none") && FitViews("none")->empty());
  for (const char* bad : {"", "x", "8x", "x32", "1x32", "8x15", "8x257", "257x32", "8x32x1",
                          "-8x32", "8X32", " 8x32", "MilkyTracker-640x480", "ft22"}) {
    EXPECT_FALSE(FitViews(bad).has_value()) << bad;
  }
  const TrackerView odd = *CustomTrackerView("08x35");
  EXPECT_EQ(odd.channels, 8);
  EXPECT_EQ(odd.rowsAbove, 17);
  EXPECT_EQ(odd.rowsBelow, 17);
  const TrackerView even = *CustomTrackerView("2x16");
  EXPECT_EQ(even.rowsAbove, 8);
  EXPECT_EQ(even.rowsBelow, 7);
  for (const TrackerPreset& preset : TrackerPresets()) {
    EXPECT_NE(FitNames().find(preset.name), std::string::npos) << preset.name;
    for (const TrackerView& view : preset.views) EXPECT_NE(view.source, nullptr);
  }
}

}  // namespace
}  // namespace vorlix
