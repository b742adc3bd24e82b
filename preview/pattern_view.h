// What a tracker's pattern view shows of one frame: the packed pattern unpacked as a reader
// unpacks it, and the text of every cell's note, instrument, volume and effect columns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "convert/xm/frame_grid.h"
#include "convert/xm/xm_writer.h"

namespace vorlix {

// One cell as a reader sees it: which of the five bytes are present and their values (note,
// instrument, volume column, effect type, effect parameter).
struct PatternCell {
  enum Column : int { Note, Instrument, Volume, EffectType, EffectParameter };
  bool has[5] = {false, false, false, false, false};
  std::uint8_t value[5] = {0, 0, 0, 0, 0};
};

// The cells of rows x channels, row-major. A cell starting with a byte of bit 7 set takes the
// bytes its flags name, any other byte is a note followed by the four other bytes; a cell past
// the end of the data, or a byte missing at the end, is empty.
std::vector<PatternCell> UnpackPattern(const PatternBytes& bytes, int rows, int channels);

// The columns of one cell as a tracker prints them: note 3 characters ("C-6", "===" key off,
// "..." empty), instrument 2 ("7F", ".."), volume 3 (command letter and value, "v3D", " .."),
// effect 3 (letter and parameter, "963", "...").
struct CellText {
  char note[4] = "...";
  char instrument[3] = "..";
  char volume[4] = " ..";
  char effect[4] = "...";
};

CellText FormatCell(const PatternCell& cell);

// The texts of a pattern's cells, row-major with `channels` cells a row. As FormatCell, but
// with what a player removes across a row: of several fine pattern delays only the rightmost.
std::vector<CellText> FormatPattern(const std::vector<PatternCell>& cells, int channels);

// The whole cell on one line, as a tracker lays it out: "C-6 7Fv3D 963".
std::string CellLine(const CellText& text);

// Whether column c (0 note, 1 instrument, 2 volume, 3 effect) shows anything.
bool ColumnShown(const CellText& text, int column);

// One frame as the pattern view shows it.
struct PatternView {
  int rows = 0;
  int channels = 0;
  int breakCell = -1;  // index of the pattern-break cell, -1 when breaks are off
  std::vector<CellText> cells;
  std::vector<PatternCell> read;  // the cells as read, for trackers that format them their way
};

// The view of a frame's packed pattern written with these settings.
PatternView ViewPattern(const PatternBytes& bytes, const ConversionSettings& settings);

// The view of a sampled frame: encoded as the module encodes it, then read back.
PatternView ViewFrame(const FrameGrid& grid, const ConversionSettings& settings);

}  // namespace vorlix
