#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "convert/xm/xm_writer.h"
#include "tests/support/xm_reader.h"

namespace vorlix {
namespace {

// The header of a module of `frames` patterns at the given width, default options otherwise.
ModuleHeader HeaderWith(int frames, int width = 120) {
  ConversionSettings s = StartupSettings();
  s.Width = width;
  return BuildModuleHeader(s, frames);
}

std::string Text(const ModuleHeader& h, std::size_t at, std::size_t n) {
  return std::string(reinterpret_cast<const char*>(&h[at]), n);
}

void ExpectFixedHeaderFields(const ModuleHeader& h) {
  EXPECT_EQ(Text(h, 0, 17), "Extended Module: ");
  EXPECT_EQ(Text(h, 17, 20), std::string("vorlix") + std::string(14, '\0'));
  EXPECT_EQ(h[37], 0x1A);
  EXPECT_EQ(Text(h, 38, 20), "FastTracker v2.00   ");
  EXPECT_EQ(h[58], 0x04);
  EXPECT_EQ(h[59], 0x01);
  EXPECT_EQ((std::vector<std::uint8_t>(&h[60], &h[64])),
            (std::vector<std::uint8_t>{0x14, 1, 0, 0}));
  EXPECT_EQ(h[66], 0);  // restart position
  EXPECT_EQ(h[67], 0);
  EXPECT_EQ(h[72], 1);  // one instrument
  EXPECT_EQ(h[73], 0);
  EXPECT_EQ(h[74], 1);  // linear frequency table
  EXPECT_EQ(h[75], 0);
  for (int i = 0; i < 240; ++i) ASSERT_EQ(h[80 + i], i) << "order entry " << i;
  for (int i = 240; i < 256; ++i) ASSERT_EQ(h[80 + i], 0) << "order entry " << i;
}

TEST(ModuleHeader, DefaultsGiveEveryFieldItsBytes) {
  const ModuleHeader h = HeaderWith(10);
  ExpectFixedHeaderFields(h);
  EXPECT_EQ(h[64], 10);  // song length
  EXPECT_EQ(h[65], 0);
  EXPECT_EQ(h[68], 30);  // channels for width 120
  EXPECT_EQ(h[69], 0);
  EXPECT_EQ(h[70], 10);  // patterns
  EXPECT_EQ(h[71], 0);
  EXPECT_EQ(h[76], 0x05);  // speed: ticks per row
  EXPECT_EQ(h[77], 0x00);
  EXPECT_EQ(h[78], 0xFA);  // tempo: BPM
  EXPECT_EQ(h[79], 0x00);
}

TEST(ModuleHeader, FrameCountFillsSongLengthAndPatternsOnly) {
  for (int frames : {0, 240}) {
    const ModuleHeader h = HeaderWith(frames);
    ExpectFixedHeaderFields(h);  // the order table does not depend on the frame count
    EXPECT_EQ(h[64], frames);
    EXPECT_EQ(h[70], frames);
    EXPECT_EQ(h[65], 0);
    EXPECT_EQ(h[71], 0);
  }
}

TEST(ModuleHeader, ChannelsAreWidthDividedByFour) {
  const std::pair<int, int> cases[] = {{120, 30}, {100, 25}, {10, 2}, {8, 2}, {128, 32}};
  for (auto [width, channels] : cases) {
    const ModuleHeader h = HeaderWith(1, width);
    EXPECT_EQ(h[68], channels) << "width " << width;
    EXPECT_EQ(h[69], 0);
  }
}

TEST(ModuleLayout, EmptyModuleIsHeaderAndInstrument) {
  const auto module = BuildModule(StartupSettings(), {});
  ASSERT_EQ(module.size(), 639u);
  EXPECT_EQ(module[64], 0);
  EXPECT_EQ(module[70], 0);
  EXPECT_TRUE(std::equal(InstrumentBlock.begin(), InstrumentBlock.end(), module.begin() + 336));
}

TEST(PatternBlock, HeaderCarriesRowsAndPackedSize) {
  std::vector<std::uint8_t> out;
  AppendPatternBlock(out, 150, PatternBytes(300, 0x80));
  ASSERT_EQ(out.size(), 309u);
  const std::vector<std::uint8_t> header(out.begin(), out.begin() + 9);
  EXPECT_EQ(header, (std::vector<std::uint8_t>{0x09, 0, 0, 0, 0, 0x96, 0x00, 0x2C, 0x01}));
  EXPECT_EQ(out[9], 0x80);
}

TEST(PatternBlock, StreamFormWritesTheSameBytes) {
  const PatternBytes bytes = {0x81, 0x3D, 0x98, 0x0D, 0x08};
  std::vector<std::uint8_t> expected;
  AppendPatternBlock(expected, 16, bytes);
  std::FILE* f = std::tmpfile();
  ASSERT_TRUE(WritePatternBlock(f, 16, bytes));
  ASSERT_TRUE(WriteInstrumentBlock(f));
  std::rewind(f);
  std::vector<std::uint8_t> got(9 + bytes.size() + 303);
  ASSERT_EQ(std::fread(got.data(), 1, got.size(), f), got.size());
  std::fclose(f);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin()));
}

TEST(InstrumentBlock, MatchesTheSilentInstrumentTemplate) {
  std::vector<std::uint8_t> expected(303, 0);
  const std::pair<int, std::uint8_t> nonZero[] = {
      {0, 0x07},   {1, 0x01},  // instrument header size 263
      {27, 0x01},              // one sample
      {29, 0x28},              // sample header size 40
      {240, 0x01},             // volume fadeout 256
      {275, 0x40},             // sample volume 64
      {278, 0x80},             // panning centre
  };
  for (auto [at, value] : nonZero) expected[at] = value;
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), InstrumentBlock.begin()));
}

TEST(ModuleLayout, OutsideReaderSeesPatternsOrdersChannelsAndRows) {
  ConversionSettings s = StartupSettings();
  s.Width = 100;
  s.Height = 40;
  const auto module = BuildModule(s, {{}, {}, {}});
  const testxm::OpenmptView view = testxm::LoadWithOpenmpt(module);
  ASSERT_TRUE(view.loaded);
  EXPECT_EQ(view.patterns, 3);
  EXPECT_EQ(view.orders, 3);
  EXPECT_EQ(view.channels, 25);
  EXPECT_EQ(view.rowsPerPattern, (std::vector<int>{40, 40, 40}));
}

TEST(ModuleLayout, SameInputGivesIdenticalFiles) {
  const std::vector<PatternBytes> frames = {{0x80, 0x81, 0x3D}, {0x98, 0x0D, 0x63}};
  EXPECT_EQ(BuildModule(StartupSettings(), frames), BuildModule(StartupSettings(), frames));
}

}  // namespace
}  // namespace vorlix
