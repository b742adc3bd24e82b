#include <gtest/gtest.h>

#include <map>

#include "convert/xm/xm_format.h"
#include "settings/option_values.h"
#include "ui/core/dialog_templates.h"
#include "ui/core/option_fields.h"

namespace vorlix {
namespace {

// A dialog stand-in: every field gives the number it holds (0 when empty), boxes their state.
struct FakeFields {
  std::map<int, std::uint32_t> numbers;
  std::map<int, bool> boxes;
  OptionSource Source() {
    return {[this](int id) { return numbers.count(id) ? numbers[id] : 0u; },
            [this](int id) { return boxes.count(id) ? boxes[id] : false; }};
  }
};

FakeFields DefaultFields() {
  FakeFields f;
  f.numbers = {{ControlId::Tempo, 250},    {ControlId::Speed, 5},  {ControlId::Width, 120},
               {ControlId::Height, 150},   {ControlId::Fill1, 61}, {ControlId::Fill2, 127},
               {ControlId::Fill3, 77},     {ControlId::Fill4, 9},  {ControlId::Fill5, 99},
               {ControlId::Threshold, 160}};
  f.boxes = {{ControlId::BreakPatterns, true}};
  return f;
}

TEST(StartupSettings, HoldTheBuiltInDefaults) {
  const ConversionSettings s = StartupSettings();
  EXPECT_EQ(s.Tempo, 250);
  EXPECT_EQ(s.Speed, 5);
  EXPECT_EQ(s.Width, 120);
  EXPECT_EQ(s.Height, 150);
  EXPECT_EQ(s.Threshold, 160);
  EXPECT_EQ(s.FillBytes, (std::array<std::uint8_t, 5>{61, 127, 77, 9, 99}));
  EXPECT_EQ(s.InverseColors, 0);
  EXPECT_EQ(s.BreakPatterns, 1);
  EXPECT_EQ(PackingBase, 0x80);
}

TEST(StartupSettings, FifthFillByteIsNotRecomputedWhenHeightChanges) {
  ConversionSettings s = StartupSettings();
  FakeFields f = DefaultFields();
  f.numbers[ControlId::Height] = 16;  // min(16 / 2 + 36, 99) would be 44
  ReadOptions(ReadOptionFields(f.Source()), s);
  EXPECT_EQ(s.Height, 16);
  EXPECT_EQ(s.FillBytes[4], 99);
  EXPECT_EQ(StartupSettings().FillBytes[4], 99);
}

struct ClampCase {
  const char* what;
  int control;
  std::uint32_t typed;
  std::int64_t expected;
};

std::int64_t FieldOf(const ConversionSettings& s, int control) {
  switch (control) {
    case ControlId::Tempo:
      return s.Tempo;
    case ControlId::Speed:
      return s.Speed;
    case ControlId::Width:
      return s.Width;
    case ControlId::Height:
      return s.Height;
    case ControlId::Threshold:
      return s.Threshold;
    case ControlId::Fill1:
      return s.FillBytes[0];
    case ControlId::Fill2:
      return s.FillBytes[1];
    case ControlId::Fill3:
      return s.FillBytes[2];
    case ControlId::Fill4:
      return s.FillBytes[3];
    case ControlId::Fill5:
      return s.FillBytes[4];
  }
  return -1;
}

TEST(ReadOptions, ClampsEveryFieldIntoItsRange) {
  const ClampCase cases[] = {
      {"tempo below range", ControlId::Tempo, 31, 32},
      {"tempo lowest", ControlId::Tempo, 32, 32},
      {"tempo highest", ControlId::Tempo, 255, 255},
      {"tempo above range", ControlId::Tempo, 256, 255},
      {"tempo empty", ControlId::Tempo, 0, 32},
      {"speed zero", ControlId::Speed, 0, 1},
      {"speed 31", ControlId::Speed, 31, 31},
      {"speed 32", ControlId::Speed, 32, 31},
      {"width 7", ControlId::Width, 7, 8},
      {"width 10 not rounded", ControlId::Width, 10, 10},
      {"width 128", ControlId::Width, 128, 128},
      {"width 129", ControlId::Width, 129, 128},
      {"width 2^30+6 drops high bits", ControlId::Width, (1u << 30) + 6, 8},
      {"width 2^31+100", ControlId::Width, (1u << 31) + 100, 100},
      {"width largest", ControlId::Width, 0xFFFFFFFFu, 128},
      {"width empty", ControlId::Width, 0, 8},
      {"height 15", ControlId::Height, 15, 16},
      {"height 200", ControlId::Height, 200, 200},
      {"height 201", ControlId::Height, 201, 200},
      {"height empty", ControlId::Height, 0, 16},
      {"fill 0 stays", ControlId::Fill1, 0, 0},
      {"fill 255", ControlId::Fill2, 255, 255},
      {"fill 256", ControlId::Fill3, 256, 255},
      {"fill large", ControlId::Fill4, 70000, 255},
      {"fill five", ControlId::Fill5, 200, 200},
      {"threshold 999", ControlId::Threshold, 999, 255},
      {"threshold empty", ControlId::Threshold, 0, 0},
  };
  for (const ClampCase& c : cases) {
    FakeFields f = DefaultFields();
    f.numbers[c.control] = c.typed;
    ConversionSettings s = StartupSettings();
    ReadOptions(ReadOptionFields(f.Source()), s);
    EXPECT_EQ(FieldOf(s, c.control), c.expected) << c.what;
  }
}

TEST(ReadOptions, AllEmptyFieldsGiveTheLowerBounds) {
  FakeFields empty;
  ConversionSettings s = StartupSettings();
  ReadOptions(ReadOptionFields(empty.Source()), s);
  EXPECT_EQ(s.Tempo, 32);
  EXPECT_EQ(s.Speed, 1);
  EXPECT_EQ(s.Width, 8);
  EXPECT_EQ(s.Height, 16);
  EXPECT_EQ(s.Threshold, 0);
  EXPECT_EQ(s.FillBytes, (std::array<std::uint8_t, 5>{0, 0, 0, 0, 0}));
  EXPECT_EQ(s.InverseColors, 0);
  EXPECT_EQ(s.BreakPatterns, 0);
}

TEST(ReadOptions, ReadsEachFieldFromItsOwnControl) {
  FakeFields f;
  f.numbers = {{ControlId::Tempo, 100},   {ControlId::Speed, 7}, {ControlId::Width, 64},
               {ControlId::Height, 40},   {ControlId::Fill1, 1}, {ControlId::Fill2, 2},
               {ControlId::Fill3, 3},     {ControlId::Fill4, 4}, {ControlId::Fill5, 5},
               {ControlId::Threshold, 90}};
  f.boxes = {{ControlId::InverseColors, true}, {ControlId::BreakPatterns, false}};
  ConversionSettings s = StartupSettings();
  ReadOptions(ReadOptionFields(f.Source()), s);
  EXPECT_EQ(s.Tempo, 100);
  EXPECT_EQ(s.Speed, 7);
  EXPECT_EQ(s.Width, 64);
  EXPECT_EQ(s.Height, 40);
  EXPECT_EQ(s.FillBytes, (std::array<std::uint8_t, 5>{1, 2, 3, 4, 5}));
  EXPECT_EQ(s.Threshold, 90);
  EXPECT_EQ(s.InverseColors, 1);
  EXPECT_EQ(s.BreakPatterns, 0);
}

}  // namespace
}  // namespace vorlix
