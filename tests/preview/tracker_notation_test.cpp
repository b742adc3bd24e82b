// The ft2 and schism styles' notation against cells read off screenshots of MilkyTracker 1.03
// and Schism Tracker 20221201 showing modules written with these fill bytes, and the edge values
// of every field as those trackers' loaders and pattern editors treat them.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "preview/tracker_notation.h"

namespace vorlix {
namespace {

// A cell with all five bytes, as vorlix writes a drawn cell.
PatternCell Full(std::array<int, 5> bytes) {
  PatternCell cell;
  for (int i = 0; i < 5; ++i) {
    cell.has[i] = true;
    cell.value[i] = static_cast<std::uint8_t>(bytes[i]);
  }
  return cell;
}

// The cell's fields as one line, the trackers' own signs in plain characters: "[_]" the key-off
// box, "v" and "^" the fine-slide arrows, "." both dots, "=" the double line.
std::string Line(const TrackerCellText& t) {
  std::string line =
      std::string(t.note) + " " + t.instrument + " " + t.volume + " " + t.effect + t.parameter;
  std::string shown;
  for (char c : line) {
    switch (c) {
      case kGlyphKeyOffLeft:
        shown += '[';
        break;
      case kGlyphKeyOffMiddle:
        shown += '_';
        break;
      case kGlyphKeyOffRight:
        shown += ']';
        break;
      case kGlyphArrowDown:
        shown += 'v';
        break;
      case kGlyphArrowUp:
        shown += '^';
        break;
      case kGlyphMiddleDot:
      case kGlyphLowDot:
        shown += '.';
        break;
      case kGlyphDoubleLine:
        shown += '=';
        break;
      default:
        shown += c;
    }
  }
  return shown;
}

struct Seen {
  std::array<int, 5> fill;  // note, instrument, volume, effect type, parameter
  const char* milky;
  const char* schism;
};

// Transcribed from the screenshots: row 0 of a module of a black 16 x 8 GIF written by
// `vorlix-cli --width 16 --height 8 --fill A,B,C,D,E`, shown at 1024x768 by MilkyTracker and
// in Schism's pattern editor (F2).
constexpr Seen kScreenshots[] = {
    {{61, 127, 77, 9, 99}, "C-5 7F 3D 963", "C-6 J7 61 O63"},
    {{97, 0, 96, 14, 195}, "[_] .. .. EC3", "=== .. .. SC3"},
    {{98, 128, 160, 33, 53}, "C#8 80 .. 105", "... J8 .. H00"},
    {{120, 255, 199, 20, 0}, "B-9 FF P7 K00", "... .. .. S87"},
    {{200, 1, 85, 36, 18}, "[_] .1 .. ...", "... 01 .. .12"},
    {{1, 16, 240, 12, 80}, "C-0 10 M0 C40", "C-1 16 64 G00"},
    {{96, 99, 138, 15, 0}, "B-7 63 vA F00", "B-8 99 B9 A00"},
    {{255, 100, 159, 29, 68}, "[_] 64 ^F T44", "... H0 A9 I44"},
    {{12, 32, 211, 0, 55}, "B-0 20 <3 037", "B-1 32 .. J37"},
    {{50, 85, 224, 25, 15}, "C#4 55 .. P0F", "C#5 85 .. PF0"},
    {{70, 51, 15, 16, 255}, "A-5 33 .. G40", "A-6 51 .. V80"},
    {{0, 5, 16, 33, 18}, "... .5 00 X12", "... 05 00 FE2"},
    {{13, 6, 80, 10, 79}, "C-1 .6 40 A4F", "C-2 06 64 D40"},
    {{60, 7, 181, 4, 0}, "B-4 .7 V5 400", "B-5 07 .. H00"},
    {{30, 8, 124, 33, 98}, "F-2 .8 +C A00", "F-3 08 .. DC0"},
    {{40, 9, 42, 27, 129}, "D#3 .9 1A R81", "D#4 09 26 Q81"},
    {{45, 9, 58, 21, 32}, "G#3 .9 2A L20", "G#4 09 42 &20"},
    {{55, 2, 64, 35, 0}, "F#4 .2 30 ...", "F#5 02 48 Z00"},
    {{65, 3, 69, 8, 128}, "E-5 .3 35 880", "E-6 03 53 X80"},
    {{75, 4, 101, 34, 5}, "D-6 .4 -5 ...", "D-7 04 D5 Y05"},
};

TEST(TrackerNotation, DrawsEachCellAsTheTrackersShowedIt) {
  for (const Seen& seen : kScreenshots) {
    const PatternCell cell = Full(seen.fill);
    EXPECT_EQ(Line(Ft2CellText(cell)), seen.milky) << seen.fill[0] << "," << seen.fill[2];
    EXPECT_EQ(Line(SchismCellText(cell)), seen.schism) << seen.fill[0] << "," << seen.fill[2];
  }
}

TEST(TrackerNotation, DrawsTheEmptyCellAndTheBreakCellAsTheTrackersShowedThem) {
  PatternCell empty;  // packed with no byte at all
  EXPECT_EQ(Line(Ft2CellText(empty)), "... .. .. ...");
  EXPECT_EQ(Line(SchismCellText(empty)), "... .. .. .00");
  PatternCell pattern;  // the break to row 0 in row 8: only an effect and its parameter
  pattern.has[PatternCell::EffectType] = pattern.has[PatternCell::EffectParameter] = true;
  pattern.value[PatternCell::EffectType] = 0x0D;
  pattern.value[PatternCell::EffectParameter] = 0x08;
  EXPECT_EQ(Line(Ft2CellText(pattern)), "... .. .. D08");
  EXPECT_EQ(Line(SchismCellText(pattern)), "... .. .. C08");
}

// Edge values of each field, read from the trackers' loaders and editors: notes past the key
// off, instruments past 99 and 128, each volume-column command with and without a value.
TEST(TrackerNotation, DrawsTheEdgesOfEveryField) {
  struct Case {
    std::array<int, 5> fill;
    const char* milky;
    const char* schism;
  };
  constexpr Case kCases[] = {
      {{108, 0, 0, 0, 0}, "B-8 .. .. ...", "... .. .. .00"},    // note past the key off
      {{121, 0, 0, 0, 0}, "[_] .. .. ...", "... .. .. .00"},    // MilkyTracker's own key off
      {{1, 129, 0, 0, 0}, "C-0 81 .. ...", "C-1 .. .. .00"},    // past 128 instruments
      {{1, 99, 0x5F, 0, 0}, "C-0 63 .. ...", "C-1 99 .. .00"},  // past set volume 64
      {{1, 0, 0x6F, 1, 3}, "C-0 .. -F 103", "C-1 .. D9 F03"},   // slide over 9, effect busy
      {{1, 0, 0x69, 0, 0}, "C-0 .. -9 ...", "C-1 .. D9 .00"},   // slide of 9 stays
      {{1, 0, 0x6A, 0, 0}, "C-0 .. -A ...", "C-1 .. .. D0A"},   // larger moves to the effect
      {{1, 0, 0x90, 0, 0}, "C-0 .. .. ...", "C-1 .. .. .00"},   // fine slide without a value
      {{1, 0, 0xB0, 0, 0}, "C-0 .. V0 ...", "C-1 .. .. H00"},   // vibrato depth 0 is kept
      {{1, 0, 0xC0, 0, 0}, "C-0 .. P0 ...", "C-1 .. .. S80"},
      {{1, 0, 0xD0, 0, 0}, "C-0 .. .. ...", "C-1 .. .. .00"},
      {{1, 0, 0xFF, 0, 0}, "C-0 .. MF ...", "C-1 .. .. GF0"},
      {{1, 0, 0xFF, 8, 1}, "C-0 .. MF 801", "C-1 .. .. X01"},  // no room: dropped
  };
  for (const Case& c : kCases) {
    const PatternCell cell = Full(c.fill);
    EXPECT_EQ(Line(Ft2CellText(cell)), c.milky) << c.fill[0] << "," << c.fill[2];
    EXPECT_EQ(Line(SchismCellText(cell)), c.schism) << c.fill[0] << "," << c.fill[2];
  }
}

// Every effect type with parameter 0x12, as MilkyTracker's loader keeps or drops it and
// converts it back, and as Schism's loader turns it into Impulse Tracker's command.
TEST(TrackerNotation, DrawsEveryEffectType) {
  constexpr const char* kMilky[37] = {
      "012", "112", "212", "312", "412", "512", "612", "712", "812", "912", "A12", "B12", "C12",
      "D12", "E12", "F12", "G12", "H12", "...", "...", "K12", "L12", "...", "...", "...", "P12",
      "...", "R12", "...", "T12", "...", "...", "...", "X12", "...", "...", "..."};
  constexpr const char* kSchism[37] = {
      "J12", "F12", "E12", "G12", "H12", "L10", "K10", "R12", "X12", "O12", ".00", "B12", ".00",
      "C0C", "FF2", "A12", "V24", "W10", ".12", ".12", ".12", "&12", ".12", ".12", ".12", "P21",
      ".12", "Q12", ".12", "I12", ".12", ".12", ".12", "FE2", "Y12", "Z12", ".12"};
  for (int type = 0; type <= 36; ++type) {
    const PatternCell cell = Full({0, 0, 0, type, 0x12});
    const TrackerCellText milky = Ft2CellText(cell), schism = SchismCellText(cell);
    EXPECT_EQ(Line(milky).substr(10), kMilky[type]) << type;
    if (type == 10 || type == 12) continue;  // below: they touch the volume column
    EXPECT_EQ(Line(schism).substr(10), kSchism[type]) << type;
  }
  // Schism: a set volume goes to the volume column; a volume slide keeps its upward speed.
  EXPECT_EQ(Line(SchismCellText(Full({0, 0, 0, 12, 0x12}))), "... .. 18 .00");
  EXPECT_EQ(Line(SchismCellText(Full({0, 0, 0, 10, 0x12}))), "... .. .. D10");
}

}  // namespace
}  // namespace vorlix
