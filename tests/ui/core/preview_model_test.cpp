// The preview model that every front end shares: the picture option lists, the zoom, the place
// beside the dialog, the info line, and the model driven as a front end drives it.
#include "ui/core/preview_model.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "convert/messages.h"
#include "tests/support/gif_writer.h"
#include "tests/support/temp_dir.h"

namespace vorlix {
namespace {

TEST(PreviewModelTest, PictureChoicesRoundTripEveryOption) {
  ASSERT_EQ(std::size(kPictureChoiceLists), std::size_t{kPictureChoiceCount});
  for (std::uint8_t dither = 0; dither < std::size(kDitherNames); ++dither) {
    for (bool autoThreshold : {false, true}) {
      for (std::uint8_t timing = 0; timing < std::size(kTimingNames); ++timing) {
        for (std::uint8_t backdrop = 0; backdrop < std::size(kBackdropNames); ++backdrop) {
          const PictureOptions picture{DitherMethod{dither}, autoThreshold, TimingSource{timing},
                                       BackdropColour{backdrop}};
          const PictureChoices choices = ChoicesOf(picture);
          for (int i = 0; i < kPictureChoiceCount; ++i) {
            EXPECT_LT(std::size_t(choices[i]), kPictureChoiceLists[i].Names.size());
          }
          EXPECT_EQ(PictureFromChoices(choices), picture);
        }
      }
    }
  }
  // Each list shows the names the command line takes for the same option.
  const PictureOptions chosen = PictureFromChoices({2, 1, 1, 2});
  EXPECT_EQ(kPictureChoiceLists[0].Names[2], "bayer4");
  EXPECT_EQ(chosen.Dither, DitherMethod{2});
  EXPECT_EQ(kPictureChoiceLists[1].Names[1], "auto");
  EXPECT_TRUE(chosen.AutoThreshold);
  EXPECT_EQ(kPictureChoiceLists[2].Names[1], "gif");
  EXPECT_EQ(chosen.Timing, TimingSource::Gif);
  EXPECT_EQ(kPictureChoiceLists[3].Names[2], "dark");
  EXPECT_EQ(chosen.Backdrop, BackdropColour::Dark);
}

TEST(PreviewModelTest, ZoomIsTheLargestWholeFactorThatFits) {
  const struct {
    int width, height, roomWidth, roomHeight, zoom;
  } cases[] = {
      {100, 50, 400, 400, 4},  // the width limits
      {50, 100, 400, 350, 3},  // the height limits
      {100, 100, 99, 500, 1},  // larger than the room: never below 1
      {100, 100, 0, 0, 1},     // no room yet
      {0, 0, 400, 400, 1},     // no picture
      {7, 3, 700, 300, 100},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ZoomToFit(c.width, c.height, c.roomWidth, c.roomHeight), c.zoom)
        << c.width << "x" << c.height << " in " << c.roomWidth << "x" << c.roomHeight;
  }
}

TEST(PreviewModelTest, PlacedBesideTheDialogOnTheSideWithMoreRoom) {
  const ScreenRect screen{0, 0, 1920, 1040};
  const struct {
    const char* what;
    ScreenRect dialog, area, placed;
  } cases[] = {
      {"more room right", {100, 200, 500, 600}, screen, {500, 0, 500 + 760, 760}},
      {"more room left", {1500, 200, 1900, 600}, screen, {1500 - 760, 0, 1500, 760}},
      {"equal room: right", {760, 100, 1160, 500}, screen, {1160, 0, 1920, 760}},
      {"narrow room: at least 240", {100, 0, 900, 400}, {0, 0, 1000, 600}, {900, 0, 1140, 600}},
      {"short area", {10, 10, 300, 300}, {0, 30, 800, 530}, {300, 30, 800, 530}},
      {"area off the origin", {2000, 10, 2400, 300}, {1920, 0, 3840, 1040}, {2400, 0, 3160, 760}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlaceBeside(c.dialog, c.area), c.placed) << c.what;
  }
}

TEST(PreviewModelTest, InfoLineHasEachPartOnlyWhenItApplies) {
  const struct {
    PreviewInfo info;
    const char* line;
  } cases[] = {
      {{0, 1, -1, 0, -1, 1}, "Frame 1/1"},
      {{2, 40, 12.5, 8, -1, 40}, "Frame 3/40   drawn 12.5 %   8 channels"},
      {{2, 40, 0, 4, 97, 40}, "Frame 3/40   drawn 0.0 %   4 channels   threshold 97 (auto)"},
      {{39, 40, -1, 8, 0, 5}, "Frame 40/40   threshold 0 (auto)   preparing 5/40"},
      {{0, 240, 100, 32, 255, 239},
       "Frame 1/240   drawn 100.0 %   32 channels   threshold 255 (auto)   preparing 239/240"},
  };
  for (const auto& c : cases) EXPECT_EQ(PreviewInfoLine(c.info), c.line);
}

TEST(PreviewModelTest, SettingsAreTheClampedFieldsWithTheProgramsPictureOptions) {
  ConversionSettings program = StartupSettings();
  program.Picture.Dither = DitherMethod{3};
  OptionValues fields = ShownOptionValues(program);
  fields.Tempo = 100000;  // clamped as a Save clamps it
  fields.Threshold = 42;
  fields.Picture.Dither = DitherMethod{1};  // the fields carry no picture options
  ConversionSettings expected = program;
  OptionValues read = fields;
  read.Picture = program.Picture;
  ReadOptions(read, expected);
  const ConversionSettings settings = PreviewSettings(fields, program);
  EXPECT_EQ(settings.Picture, program.Picture);
  EXPECT_EQ(settings.Threshold, 42);
  EXPECT_EQ(settings.Tempo, expected.Tempo);
  EXPECT_EQ(settings.Tempo, kMaxTempo);
}

// Draws as a front end does: on Load, then whenever Idle asks, until it is no longer busy.
int DrawUntilSettled(PreviewModel& model) {
  PreviewImage image;
  int drawings = model.Draw(PreviewStyle::Picture, image) ? 1 : 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (model.Busy() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kPreviewPollMs));
    if (model.Idle() && model.Draw(PreviewStyle::Picture, image)) ++drawings;
  }
  return drawings;
}

TEST(PreviewModelTest, ALoadedGifIsDrawnAndSettlesWithoutEndlessRedraws) {
  testfs::TempDir dir(true);
  const std::string gif = dir / "in.gif";
  testgif::GifDescription description;
  description.width = 40;
  description.height = 30;
  description.globalPalette = {{0, 0, 0}, {255, 255, 255}, {128, 128, 128}};
  for (int f = 0; f < 6; ++f) {
    description.frames.push_back(testgif::SolidFrame(0, 0, 40, 30, std::uint8_t(f % 3)));
  }
  ASSERT_TRUE(testgif::WriteGif(gif, description));

  ConversionSettings program = StartupSettings();
  PreviewModel model(program);
  const OptionValues fields = ShownOptionValues(program);
  EXPECT_FALSE(model.Load((dir / "missing.gif"), fields));
  EXPECT_FALSE(model.Loaded());
  EXPECT_EQ(model.Info(), MessageText(ErrorMessage(RunError::CannotOpen)));
  EXPECT_FALSE(model.Busy());
  EXPECT_FALSE(model.Idle());

  ASSERT_TRUE(model.Load(gif, fields));
  EXPECT_EQ(model.FrameCount(), 6);
  EXPECT_GE(DrawUntilSettled(model), 1);
  EXPECT_FALSE(model.Busy());
  EXPECT_EQ(model.Info().find("preparing"), std::string::npos) << model.Info();
  EXPECT_EQ(model.Info().rfind("Frame 1/6   drawn ", 0), 0u) << model.Info();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(model.Idle()) << "settled, nothing to draw again";

  // Playing goes round; a frame out of range is not shown.
  model.ShowFrame(5);
  EXPECT_EQ(model.NextFrame(), 0);
  model.ShowFrame(6);
  EXPECT_EQ(model.Frame(), 5);

  // A choice in the lists goes to the program's settings, where a Save takes it.
  model.Choose({0, 1, 0, 0}, fields);
  EXPECT_TRUE(program.Picture.AutoThreshold);
  DrawUntilSettled(model);
  EXPECT_NE(model.Info().find("(auto)"), std::string::npos) << model.Info();
  EXPECT_EQ(model.Choices(), (PictureChoices{0, 1, 0, 0}));
}

}  // namespace
}  // namespace vorlix
