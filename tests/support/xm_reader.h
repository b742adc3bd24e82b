// Reading written modules back in tests: our own parser of the layout, and libopenmpt, the
// library that trackers and players use, as an outside reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlix::testxm {

struct Pattern {
  int rows = 0;
  std::vector<std::uint8_t> packed;
};

struct Module {
  int songLength = 0, channels = 0, patternCount = 0, speed = 0, tempo = 0;
  std::vector<Pattern> patterns;
  std::vector<std::uint8_t> instrument;  // the bytes after the last pattern
};

// One unpacked cell: which of the five columns are present and their values.
struct Cell {
  bool has[5] = {false, false, false, false, false};
  std::uint8_t value[5] = {0, 0, 0, 0, 0};
};

Module ParseModule(const std::vector<std::uint8_t>& bytes);  // throws on a malformed layout
std::vector<Cell> UnpackCells(const Pattern& pattern, int channels);  // throws on bad data
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// What libopenmpt sees in a module.
struct OpenmptView {
  bool loaded = false;
  int patterns = 0, orders = 0, channels = 0;
  std::vector<int> rowsPerPattern;
  double durationSeconds = 0;  // of the whole song, as a player plays it
};
OpenmptView LoadWithOpenmpt(const std::vector<std::uint8_t>& bytes);

// The note, instrument and effect parameter of one cell as libopenmpt reads it.
struct OpenmptCell {
  int note = 0, instrument = 0, parameter = 0;
};
// Every cell of every pattern, row by row; empty when libopenmpt cannot load the module.
std::vector<std::vector<OpenmptCell>> OpenmptCells(const std::vector<std::uint8_t>& bytes);
// libopenmpt's text of every cell ("C-6 7Fv3D 963"): [pattern][row * channels + channel].
std::vector<std::vector<std::string>> OpenmptCellLines(const std::vector<std::uint8_t>& bytes);
// Whether such a line shows anything in column m (0 note, 1 instrument, 2 volume, 3 effect).
bool OpenmptColumnShown(const std::string& line, int m);

}  // namespace vorlix::testxm
