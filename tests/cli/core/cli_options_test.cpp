#include <gtest/gtest.h>

#include "cli/core/cli_options.h"

namespace vorlix {
namespace {

std::optional<CliOptions> Parse(std::vector<std::string> args, std::string* error = nullptr) {
  ParsedCli parsed = ParseCliOptions(args);
  if (error) *error = parsed.message;
  if (parsed.status != CliStatus::Ok) return std::nullopt;
  return std::move(parsed.options);
}

ConversionSettings Apply(const CliOptions& options, ConversionSettings start = StartupSettings()) {
  ConversionSettings s = start;
  ReadOptions(CliOptionValues(options, start), s);
  return s;
}

TEST(CliOptions, OptionsOverrideTheStartingValuesAndAreClamped) {
  const auto options = Parse({"--tempo", "999", "--speed=0", "--width", "1073741830", "--height",
                              "40", "--threshold", "90", "--fill", "1,2,3,4,300", "--inverse",
                              "--no-break", "in.gif", "out"});
  ASSERT_TRUE(options);
  const ConversionSettings s = Apply(*options);
  EXPECT_EQ(s.Tempo, 255);
  EXPECT_EQ(s.Speed, 1);
  EXPECT_EQ(s.Width, 8);  // 2^30 + 6: the high bits are dropped, as in the dialog
  EXPECT_EQ(s.Height, 40);
  EXPECT_EQ(s.Threshold, 90);
  EXPECT_EQ(s.FillBytes, (std::array<std::uint8_t, 5>{1, 2, 3, 4, 255}));
  EXPECT_EQ(s.InverseColors, 1);
  EXPECT_EQ(s.BreakPatterns, 0);
  EXPECT_EQ(options->input, "in.gif");
  EXPECT_EQ(options->output, "out");
}

TEST(CliOptions, WithoutOptionsTheStartingValuesStayButAreClamped) {
  ConversionSettings loaded = StartupSettings();
  loaded.Width = 200;  // as a hand-written settings file may hold
  loaded.Speed = 0;
  loaded.InverseColors = 1;
  const ConversionSettings s = Apply(*Parse({"in.gif"}), loaded);
  EXPECT_EQ(s.Width, 128);
  EXPECT_EQ(s.Speed, 1);
  EXPECT_EQ(s.Tempo, 250);
  EXPECT_EQ(s.InverseColors, 1);
  EXPECT_EQ(s.BreakPatterns, 1);
  EXPECT_EQ(s.FillBytes[4], 99);
}

TEST(CliOptions, PictureOptionsTakeTheirNames) {
  struct Case {
    std::vector<std::string> args;
    PictureOptions expected;
  };
  const Case cases[] = {
      {{"in.gif"}, {}},
      {{"--dither", "fs", "in.gif"}, {.Dither = DitherMethod::FloydSteinberg}},
      {{"--dither=cluster16", "in.gif"}, {.Dither = DitherMethod::Cluster16}},
      {{"--threshold", "auto", "in.gif"}, {.AutoThreshold = true}},
      {{"--threshold", "auto", "--threshold", "90", "in.gif"}, {}},
      {{"--timing", "gif", "in.gif"}, {.Timing = TimingSource::Gif}},
      {{"--transparent", "dark", "in.gif"}, {.Backdrop = BackdropColour::Dark}},
      {{"--transparent=light", "--transparent", "background", "in.gif"}, {}},
  };
  for (const Case& c : cases) {
    const auto options = Parse(c.args);
    ASSERT_TRUE(options) << c.args[0];
    EXPECT_EQ(Apply(*options).Picture, c.expected) << c.args[0];
  }
  // Options not given keep what the settings file set.
  ConversionSettings loaded = StartupSettings();
  loaded.Picture.Dither = DitherMethod::Bayer4;
  EXPECT_EQ(Apply(*Parse({"--timing", "gif", "in.gif"}), loaded).Picture,
            (PictureOptions{.Dither = DitherMethod::Bayer4, .Timing = TimingSource::Gif}));
}

TEST(CliOptions, UsageErrorsNameTheOption) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--tempo", "fast", "in.gif"}, "--tempo"},
      {{"--width=", "in.gif"}, "--width"},
      {{"--height", "-5", "in.gif"}, "--height"},
      {{"--speed", "99999999999", "in.gif"}, "--speed"},
      {{"--fill", "1,2,3", "in.gif"}, "--fill"},
      {{"--fill", "1,2,x,4,5", "in.gif"}, "--fill"},
      {{"--dither", "floyd", "in.gif"}, "--dither"},
      {{"--dither", "FS", "in.gif"}, "--dither"},
      {{"--timing=", "in.gif"}, "--timing"},
      {{"--transparent", "white", "in.gif"}, "--transparent"},
      {{"--threshold", "Auto", "in.gif"}, "--threshold"},
      {{"--threshold"}, "--threshold"},
      {{"--colour", "in.gif"}, "--colour"},
      {{"--inverse=yes", "in.gif"}, "--inverse"},
      {{"a.gif", "b", "c"}, "'c'"},
      {{}, "no input"},
  };
  for (const auto& [args, named] : cases) {
    std::string error;
    EXPECT_FALSE(Parse(args, &error)) << named;
    EXPECT_NE(error.find(named), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

// A number that cannot be taken is refused with the range the option is clamped to.
TEST(CliOptions, NumberErrorsNameTheRangeOfTheOption) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--tempo", "-5", "in.gif"}, "clamped to 32..255"},
      {{"--speed", "fast", "in.gif"}, "clamped to 1..31"},
      {{"--width", "4294967296", "in.gif"}, "clamped to 8..128"},
      {{"--height", "99999999999", "in.gif"}, "clamped to 16..200"},
      {{"--threshold=0x10", "in.gif"}, "clamped to 0..255"},
  };
  for (const auto& [args, range] : cases) {
    std::string error;
    EXPECT_FALSE(Parse(args, &error)) << range;
    EXPECT_NE(error.find(range), std::string::npos) << error;
  }
}

// Leading zeros never count against the ten digits a number may have.
TEST(CliOptions, LeadingZerosDoNotCount) {
  const std::pair<std::string, int> cases[] = {
      {"00000000100", 100},
      {"0000000000000000000000000000000000000000000000125", 125},
      {"0000000000004294967295", 255},  // the largest number, clamped
      {"000000000000", 32},             // zero, clamped
      {"0", 32},
  };
  for (const auto& [text, tempo] : cases) {
    const auto options = Parse({"--tempo", text, "in.gif"});
    ASSERT_TRUE(options) << text;
    EXPECT_EQ(Apply(*options).Tempo, tempo) << text;
  }
  EXPECT_EQ(Parse({"--frame", "000000000000007", "--preview", "p.png", "in.gif"})->previewFrame,
            7u);
  EXPECT_EQ(Apply(*Parse({"--fill", "0000000000001,2,3,4,000000000005", "in.gif"})).FillBytes,
            (std::array<std::uint8_t, 5>{1, 2, 3, 4, 5}));
  // Past 32 bits, with or without zeros in front, is still refused.
  for (const char* text : {"4294967296", "00000000004294967296", "12345678901"}) {
    EXPECT_FALSE(Parse({"--tempo", text, "in.gif"})) << text;
  }
}

// An OUTPUT that names no module file is a usage error; the window keeps its own rules.
TEST(CliOptions, OutputMustNameAFile) {
  const std::pair<std::string, std::string> refused[] = {
      {"", "OUTPUT is empty: give the name of the module file"},
      {"d/", "OUTPUT 'd/' is a folder: give the name of the module file"},
      {"d\\", "OUTPUT 'd\\' is a folder: give the name of the module file"},
      {".", "OUTPUT '.' is a folder: give the name of the module file"},
      {"..", "OUTPUT '..' is a folder: give the name of the module file"},
      {"d/.", "OUTPUT 'd/.' is a folder: give the name of the module file"},
      {"/", "OUTPUT '/' is a folder: give the name of the module file"},
  };
  for (const auto& [output, message] : refused) {
    std::string error;
    EXPECT_FALSE(Parse({"in.gif", output}, &error)) << output;
    EXPECT_EQ(error, message);
  }
  for (const char* output : {"out", ".out", "..out", "d/.x", "d/out.xm", "-"}) {
    const auto options = Parse({"in.gif", output});
    ASSERT_TRUE(options) << output;
    EXPECT_EQ(options->output, output);
  }
}

TEST(CliOptions, SaveSettingsHelpAndVersionNeedNoInput) {
  EXPECT_TRUE(Parse({"--save-settings"})->saveSettings);
  EXPECT_TRUE(Parse({"--help"})->help);
  EXPECT_TRUE(Parse({"--version"})->version);
  EXPECT_EQ(Parse({"--", "-odd.gif"})->input, "-odd.gif");
}

TEST(CliOptions, DefaultOutputIsTheInputWithoutItsExtension) {
  EXPECT_EQ(DefaultOutputName("cat.gif"), "cat");
  EXPECT_EQ(DefaultOutputName("clips/cat.anim.gif"), "clips/cat.anim");
  EXPECT_EQ(DefaultOutputName("clips.d/cat"), "clips.d/cat");
  EXPECT_EQ(DefaultOutputName(".hidden"), ".hidden");
  EXPECT_EQ(DefaultOutputName("dir\\cat.gif"), "dir\\cat");
}

}  // namespace
}  // namespace vorlix
