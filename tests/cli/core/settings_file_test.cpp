#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "cli/core/cli_options.h"
#include "settings/settings_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_helpers.h"
#include "tests/support/xm_reader.h"

namespace vorlix {
namespace {

using Bytes = std::vector<std::uint8_t>;

class SettingsFileTest : public ::testing::Test {
 protected:
  testfs::TempDir dir{true};
  ConversionSettings settings = StartupSettings();

  void WriteConf(const Bytes& bytes) { ASSERT_TRUE(testfs::WriteBytes(SettingsFileName, bytes)); }
  Bytes ReadConf() { return testxm::ReadFileBytes(SettingsFileName); }
};

const Bytes kDefaultFile = {0xFA, 0x05, 0x78, 0x96, 0xA0, 0x3D, 0x7F, 0x4D, 0x09, 0x63, 0x02};

TEST_F(SettingsFileTest, DefaultsAreWrittenAsElevenBytes) {
  ASSERT_TRUE(SaveSettingsFile(settings));
  EXPECT_EQ(ReadConf(), kDefaultFile);
  ASSERT_TRUE(SaveSettingsFile(settings));
  EXPECT_EQ(ReadConf(), kDefaultFile);
  EXPECT_EQ(testfs::ListDir("."), std::vector<std::string>{SettingsFileName});
}

TEST_F(SettingsFileTest, LoadsEveryOptionWithoutClamping) {
  WriteConf({0x10, 0x00, 200, 0xFF, 0x07, 0xC8, 1, 2, 3, 4, 0x01});
  LoadSettingsFile(settings);
  EXPECT_EQ(settings.Tempo, 16);
  EXPECT_EQ(settings.Speed, 0);
  EXPECT_EQ(settings.Width, 200);
  EXPECT_EQ(settings.Height, 255);  // a high byte is 255, never negative
  EXPECT_EQ(settings.Threshold, 7);
  EXPECT_EQ(settings.FillBytes, (std::array<std::uint8_t, 5>{0xC8, 1, 2, 3, 4}));
  EXPECT_EQ(settings.InverseColors, 1);
  EXPECT_EQ(settings.BreakPatterns, 0);
}

TEST_F(SettingsFileTest, FlagsByteIsHalvedAsASignedNumber) {
  struct Case {
    std::uint8_t flags;
    int inverse, brk;
  };
  const Case cases[] = {{0, 0, 0}, {1, 1, 0},    {2, 0, 1},    {3, 1, 1},    {5, 1, 0},
                        {6, 0, 0}, {0xFF, 0, 0}, {0x81, 0, 0}, {0x7F, 1, 0}, {0x80, 0, 0}};
  for (const Case& c : cases) {
    Bytes file = kDefaultFile;
    file[10] = c.flags;
    WriteConf(file);
    ConversionSettings s = StartupSettings();
    s.InverseColors = 1 - c.inverse;  // make sure both values are written
    s.BreakPatterns = 1 - c.brk;
    LoadSettingsFile(s);
    EXPECT_EQ(s.InverseColors, c.inverse) << "flags " << int(c.flags);
    EXPECT_EQ(s.BreakPatterns, c.brk) << "flags " << int(c.flags);
  }
}

TEST_F(SettingsFileTest, LongerFileLoadsLikeItsFirstElevenBytes) {
  Bytes file = {0x80, 0x09, 0x40, 0x20, 0x30, 1, 2, 3, 4, 5, 0x03, 0xEE};
  WriteConf(file);
  LoadSettingsFile(settings);
  ConversionSettings expected = StartupSettings();
  file.pop_back();
  WriteConf(file);
  LoadSettingsFile(expected);
  EXPECT_EQ(settings.Tempo, expected.Tempo);
  EXPECT_EQ(settings.Width, 0x40);
  EXPECT_EQ(settings.FillBytes, expected.FillBytes);
  EXPECT_EQ(settings.BreakPatterns, 1);
  EXPECT_EQ(settings.InverseColors, 1);
}

TEST_F(SettingsFileTest, ShortFileKeepsTheOptionsWhoseBytesAreMissing) {
  WriteConf({0x64, 0x03, 0x50});
  LoadSettingsFile(settings);
  EXPECT_EQ(settings.Tempo, 100);
  EXPECT_EQ(settings.Speed, 3);
  EXPECT_EQ(settings.Width, 80);
  EXPECT_EQ(settings.Height, 150);
  EXPECT_EQ(settings.Threshold, 160);
  EXPECT_EQ(settings.FillBytes, (std::array<std::uint8_t, 5>{61, 127, 77, 9, 99}));
  EXPECT_EQ(settings.BreakPatterns, 1);
}

TEST_F(SettingsFileTest, NoFileOrAFolderChangesNothing) {
  LoadSettingsFile(settings);
  EXPECT_EQ(settings.Tempo, 250);
  std::filesystem::create_directory(SettingsFileName);
  LoadSettingsFile(settings);
  EXPECT_EQ(settings.Tempo, 250);
  // Saving cannot replace a folder: reported, and the folder stays.
  EXPECT_FALSE(SaveSettingsFile(settings));
  EXPECT_TRUE(std::filesystem::is_directory(SettingsFileName));
  EXPECT_EQ(testfs::ListDir("."), std::vector<std::string>{SettingsFileName});
}

TEST_F(SettingsFileTest, WidthOfTwoHundredIsShownAsLoadedAndClampedWhenUsed) {
  Bytes file = kDefaultFile;
  file[2] = 200;
  WriteConf(file);
  LoadSettingsFile(settings);
  EXPECT_EQ(settings.Width, 200);
  // The fields show the loaded values; reading them back for a Save clamps.
  ReadOptions(ShownOptionValues(settings), settings);
  EXPECT_EQ(settings.Width, 128);
}

TEST_F(SettingsFileTest, FillByteOfTwoHundredSurvivesARoundTrip) {
  settings.FillBytes[2] = 200;
  ASSERT_TRUE(SaveSettingsFile(settings));
  ConversionSettings next = StartupSettings();
  LoadSettingsFile(next);
  EXPECT_EQ(next.FillBytes[2], 200);
  ASSERT_TRUE(SaveSettingsFile(next));
  EXPECT_EQ(ReadConf()[7], 0xC8);
}

TEST_F(SettingsFileTest, AFailedSaveKeepsThePreviousSettings) {
  WriteConf(kDefaultFile);
  settings.Tempo = 100;
  // No file may grow at all, so writing the new settings fails and must be reported.
  EXPECT_TRUE(testutil::RunWithFileSizeLimit(0, [&] { return !SaveSettingsFile(settings); }));
  EXPECT_EQ(ReadConf(), kDefaultFile);
  EXPECT_EQ(testfs::ListDir("."), std::vector<std::string>{SettingsFileName});
}

TEST_F(SettingsFileTest, PictureOptionsRoundTripAsATailAfterTheElevenBytes) {
  const PictureOptions cases[] = {
      {DitherMethod::Cluster8, false, TimingSource::Settings, BackdropColour::Background},
      {DitherMethod::None, true, TimingSource::Settings, BackdropColour::Background},
      {DitherMethod::None, false, TimingSource::Gif, BackdropColour::Background},
      {DitherMethod::None, false, TimingSource::Settings, BackdropColour::Light},
      {DitherMethod::Bayer16, true, TimingSource::Gif, BackdropColour::Dark},
  };
  for (const PictureOptions& picture : cases) {
    settings = StartupSettings();
    settings.Picture = picture;
    settings.Tempo = 99;
    ASSERT_TRUE(SaveSettingsFile(settings));
    const Bytes file = ReadConf();
    ASSERT_EQ(file.size(), 20u);
    Bytes elevenBytes = kDefaultFile;
    elevenBytes[0] = 99;
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 11), elevenBytes);
    ConversionSettings loaded = StartupSettings();
    LoadSettingsFile(loaded);
    EXPECT_EQ(loaded.Picture, picture);
    EXPECT_EQ(loaded.Tempo, 99);
  }
  // Back to the defaults: the file is the 11-byte settings alone again.
  settings.Picture = PictureOptions{};
  ASSERT_TRUE(SaveSettingsFile(settings));
  EXPECT_EQ(ReadConf().size(), 11u);
}

TEST_F(SettingsFileTest, CutOrDamagedTailLoadsTheElevenByteSettings) {
  Bytes elevenBytes = kDefaultFile;
  elevenBytes[4] = 0x42;  // threshold
  const Bytes tails[] = {
      {'V'},
      {'V', 'X', 'P', 'O'},
      {'V', 'X', 'P', 'O', 1},
      {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04, 0x05},
      {'V', 'X', 'P', 'O', 1, 99, 99, 99, 99},
  };
  for (const Bytes& tail : tails) {
    Bytes file = elevenBytes;
    file.insert(file.end(), tail.begin(), tail.end());
    WriteConf(file);
    ConversionSettings loaded = StartupSettings();
    LoadSettingsFile(loaded);
    EXPECT_EQ(loaded.Threshold, 0x42) << tail.size();
    EXPECT_EQ(loaded.BreakPatterns, 1) << tail.size();
    EXPECT_EQ(loaded.Picture, PictureOptions{}) << tail.size();
  }
}

}  // namespace
}  // namespace vorlix
