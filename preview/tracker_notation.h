// How two trackers write a cell in their pattern views: MilkyTracker 1.03 in FastTracker 2's
// notation ("C-5 7F 3D 963") and Schism Tracker 20221201 in Impulse Tracker's ("C-6 J7 61 O63").
// Each takes the five bytes as the tracker's loader reads them from the module, including what
// the loader changes or drops, and gives the characters its pattern view draws.
#pragma once

#include "preview/pattern_view.h"

namespace vorlix {

// Characters of the pattern views that are no ASCII letter: drawn by the pixel font.
inline constexpr char kGlyphKeyOffLeft = '\x01';  // MilkyTracker's key off, three characters
inline constexpr char kGlyphKeyOffMiddle = '\x02';
inline constexpr char kGlyphKeyOffRight = '\x03';
inline constexpr char kGlyphArrowDown = '\x04';   // MilkyTracker's fine volume slide down
inline constexpr char kGlyphArrowUp = '\x05';     // and up
inline constexpr char kGlyphMiddleDot = '\x06';   // Schism's empty field
inline constexpr char kGlyphLowDot = '\x07';      // MilkyTracker's empty field
inline constexpr char kGlyphDoubleLine = '\x0E';  // Schism's note off

// The fields of one cell as the pattern view draws them, each a C string. MilkyTracker draws the
// effect as one character and its parameter as two; Schism draws the three together.
struct TrackerCellText {
  char note[4] = {};
  char instrument[3] = {};
  char volume[3] = {};
  char effect[2] = {};
  char parameter[3] = {};
  bool panning = false;  // Schism draws a panning volume in another colour
};

// MilkyTracker 1.03: notes from "C-0" (note 1), key off for 97 and for 121 and above; hex
// instrument with a leading zero left out; volume column 00..40 and the letter commands
// -+SVP<>M with the fine slides as arrows; FastTracker 2 effect letters 0..Z.
TrackerCellText Ft2CellText(const PatternCell& cell);

// Schism Tracker 20221201: notes an octave higher ("C-6" for note 61), "===" for key off;
// instruments 1..99 in decimal, 100 and above as a letter and a digit ("J7" for 127); volume
// column in decimal with the letter commands ABCDEFGH$<>; Impulse Tracker effect letters with
// the parameter in hex, ".00" when empty.
TrackerCellText SchismCellText(const PatternCell& cell);

}  // namespace vorlix
