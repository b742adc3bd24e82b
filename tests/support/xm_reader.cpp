#include "tests/support/xm_reader.h"

#include <libopenmpt/libopenmpt.hpp>

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace vorlix::testxm {
namespace {
int U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b.at(at) | b.at(at + 1) << 8;
}
}  // namespace

Module ParseModule(const std::vector<std::uint8_t>& b) {
  if (b.size() < 336) throw std::runtime_error("module shorter than its header");
  Module m;
  m.songLength = U16(b, 64);
  m.channels = U16(b, 68);
  m.patternCount = U16(b, 70);
  m.speed = U16(b, 76);
  m.tempo = U16(b, 78);
  std::size_t at = 336;
  for (int p = 0; p < m.patternCount; ++p) {
    if (at + 9 > b.size()) throw std::runtime_error("pattern header past the end");
    Pattern pattern;
    pattern.rows = U16(b, at + 5);
    const std::size_t n = static_cast<std::size_t>(U16(b, at + 7));
    if (at + 9 + n > b.size()) throw std::runtime_error("pattern data past the end");
    pattern.packed.assign(b.begin() + at + 9, b.begin() + at + 9 + n);
    m.patterns.push_back(std::move(pattern));
    at += 9 + n;
  }
  m.instrument.assign(b.begin() + at, b.end());
  return m;
}

std::vector<Cell> UnpackCells(const Pattern& pattern, int channels) {
  std::vector<Cell> cells;
  const auto& d = pattern.packed;
  std::size_t at = 0;
  auto next = [&]() {
    if (at >= d.size()) throw std::runtime_error("packed data ends inside a cell");
    return d[at++];
  };
  while (at < d.size()) {
    Cell cell;
    const std::uint8_t first = next();
    if (first & 0x80) {
      for (int c = 0; c < 5; ++c) {
        if (first & (1 << c)) {
          cell.has[c] = true;
          cell.value[c] = next();
        }
      }
    } else {
      cell.has[0] = true;
      cell.value[0] = first;
      for (int c = 1; c < 5; ++c) {
        cell.has[c] = true;
        cell.value[c] = next();
      }
    }
    cells.push_back(cell);
  }
  if (cells.size() != static_cast<std::size_t>(pattern.rows) * channels) {
    throw std::runtime_error("pattern holds " + std::to_string(cells.size()) + " cells");
  }
  return cells;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

OpenmptView LoadWithOpenmpt(const std::vector<std::uint8_t>& bytes) {
  OpenmptView view;
  try {
    std::ostringstream log;
    openmpt::module mod(bytes, log);
    view.loaded = true;
    view.patterns = mod.get_num_patterns();
    view.orders = mod.get_num_orders();
    view.channels = mod.get_num_channels();
    for (int p = 0; p < view.patterns; ++p)
      view.rowsPerPattern.push_back(mod.get_pattern_num_rows(p));
    view.durationSeconds = mod.get_duration_seconds();
  } catch (const openmpt::exception&) {
    view.loaded = false;
  }
  return view;
}

std::vector<std::vector<OpenmptCell>> OpenmptCells(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::vector<OpenmptCell>> patterns;
  try {
    std::ostringstream log;
    openmpt::module mod(bytes, log);
    for (int p = 0; p < mod.get_num_patterns(); ++p) {
      std::vector<OpenmptCell> cells;
      for (int r = 0; r < mod.get_pattern_num_rows(p); ++r) {
        for (int c = 0; c < mod.get_num_channels(); ++c) {
          cells.push_back(
              {mod.get_pattern_row_channel_command(p, r, c, openmpt::module::command_note),
               mod.get_pattern_row_channel_command(p, r, c, openmpt::module::command_instrument),
               mod.get_pattern_row_channel_command(p, r, c, openmpt::module::command_parameter)});
        }
      }
      patterns.push_back(std::move(cells));
    }
  } catch (const openmpt::exception&) {
    patterns.clear();
  }
  return patterns;
}

std::vector<std::vector<std::string>> OpenmptCellLines(const std::vector<std::uint8_t>& bytes) {
  const openmpt::module module(bytes);
  std::vector<std::vector<std::string>> patterns;
  const int channels = module.get_num_channels();
  for (int p = 0; p < module.get_num_patterns(); ++p) {
    std::vector<std::string> lines;
    for (int r = 0; r < module.get_pattern_num_rows(p); ++r) {
      for (int c = 0; c < channels; ++c) {
        lines.push_back(module.format_pattern_row_channel(p, r, c, 0, true));
      }
    }
    patterns.push_back(std::move(lines));
  }
  return patterns;
}

bool OpenmptColumnShown(const std::string& line, int m) {
  static const int kStart[] = {0, 4, 6, 10}, kLength[] = {3, 2, 3, 3};
  return line.substr(kStart[m], kLength[m]).find_first_not_of(". ") != std::string::npos;
}

}  // namespace vorlix::testxm
