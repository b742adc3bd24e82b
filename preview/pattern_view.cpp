#include "preview/pattern_view.h"

#include <algorithm>
#include <cstring>

#include "convert/xm/pattern_encoding.h"

namespace vorlix {
namespace {

constexpr int kColumnCount = FillByteCount;
using C = PatternCell::Column;  // the cell's bytes by column
constexpr std::uint8_t kKeyOff = 97;
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr const char* kNoteNames[12] = {"C-", "C#", "D-", "D#", "E-", "F-",
                                        "F#", "G-", "G#", "A-", "A#", "B-"};

void PutHex(char* at, int value) {
  at[0] = kHexDigits[(value >> 4) & 0xF];
  at[1] = kHexDigits[value & 0xF];
}

// Reads one cell at `at`, advancing it past the bytes the cell takes.
PatternCell ReadCell(const PatternBytes& bytes, std::size_t& at) {
  PatternCell cell;
  if (at >= bytes.size()) return cell;
  const std::uint8_t first = bytes[at++];
  int column = 0;
  int flags = kAllColumnFlags;
  if (first & PackingBase) {
    flags = first;
  } else {
    cell.has[C::Note] = true;
    cell.value[C::Note] = first;
    column = 1;
  }
  for (; column < kColumnCount; ++column) {
    if (!(flags & (1 << column)) || at >= bytes.size()) continue;
    cell.has[column] = true;
    cell.value[column] = bytes[at++];
  }
  return cell;
}

void FormatNote(std::uint8_t note, char* out) {
  if (note == kKeyOff) {
    out[0] = out[1] = out[2] = '=';
  } else if (note >= 1 && note < kKeyOff) {
    // Note 1 is the C of the lowest octave, which the player numbers 1.
    const char* name = kNoteNames[(note - 1) % 12];
    out[0] = name[0];
    out[1] = name[1];
    out[2] = static_cast<char>('1' + (note - 1) / 12);
  }
}

// Volume-column commands: the byte's high nibble picks the letter, its low nibble the value.
// 0x10..0x50 set the volume 0..64; 0xC0..0xCF set the panning, shown on a 0..60 scale.
void FormatVolume(std::uint8_t v, char* out) {
  if (v >= 0x10 && v <= 0x50) {
    out[0] = 'v';
    PutHex(out + 1, v - 0x10);
    return;
  }
  static constexpr char kLetters[16] = {0,   0,   0,   0,   0,   0,   'd', 'c',
                                        'b', 'a', 'u', 'h', 'p', 'l', 'r', 'g'};
  const char letter = kLetters[v >> 4];
  if (letter == 0) return;
  out[0] = letter;
  PutHex(out + 1, letter == 'p' ? (v & 0xF) * 4 : v & 0xF);
}

// The letter of an effect type, 0 for the types a player drops on loading.
char EffectLetter(int type) {
  static constexpr char kLetters[] =
      "0123456789ABCDEFGH..KL..."
      "P.R.T..WXYZ\\\\#";
  if (type >= static_cast<int>(sizeof kLetters) - 1) return 0;
  const char letter = kLetters[type];
  return letter == '.' ? 0 : letter;
}

void FormatEffect(std::uint8_t type, std::uint8_t parameter, char* out) {
  const char letter = EffectLetter(type);
  if (letter == 0) return;
  // Arpeggio and set speed without a parameter do nothing and are dropped.
  if ((letter == '0' || letter == 'F') && parameter == 0) return;
  int shown = parameter;
  // The pattern break's two decimal digits are shown as the row number they give.
  if (letter == 'D') shown = (parameter >> 4) * 10 + (parameter & 0xF);
  out[0] = letter;
  PutHex(out + 1, shown);
}

void DropVolume(PatternCell& cell) {
  cell.has[C::Volume] = false;
}
void DropEffect(PatternCell& cell) {
  cell.has[C::EffectType] = cell.has[C::EffectParameter] = false;
}
void SetEffect(PatternCell& cell, int type, int parameter) {
  cell.has[C::EffectType] = cell.has[C::EffectParameter] = true;
  cell.value[C::EffectType] = static_cast<std::uint8_t>(type);
  cell.value[C::EffectParameter] = static_cast<std::uint8_t>(parameter);
}

// On loading, a player folds some volume-column commands into the effect of the same cell:
// vibrato depth into a vibrato, tone portamento into a tone portamento; and it drops a sample
// offset beside a volume-column tone portamento.
PatternCell MergeVolumeIntoEffect(PatternCell cell) {
  if (!cell.has[C::Volume] || !(cell.has[C::EffectType] || cell.has[C::EffectParameter]))
    return cell;
  const int command = cell.value[C::Volume] >> 4, x = cell.value[C::Volume] & 0xF;
  const int type = cell.has[C::EffectType] ? cell.value[C::EffectType] : 0;
  const int parameter = cell.has[C::EffectParameter] ? cell.value[C::EffectParameter] : 0;
  constexpr int kVibratoDepth = 0xB, kTonePortamento = 0xF;
  if (command == kVibratoDepth && type == 4) {  // vibrato
    DropVolume(cell);
    SetEffect(cell, type, (parameter & 0xF) == 0 ? parameter | x : parameter);
  } else if (command == kVibratoDepth && type == 6) {  // vibrato and volume slide
    if (x == 0) {
      DropVolume(cell);
    } else {
      SetEffect(cell, 0x0A, parameter);  // the volume column vibrates, the effect slides
    }
  } else if (command == kTonePortamento && type == 3 && x != 0 && parameter != 0) {
    DropVolume(cell);
    SetEffect(cell, type, std::min(0xFF, parameter + 16 * x));
  } else if (command == kTonePortamento && type == 9) {  // sample offset
    DropEffect(cell);
  }
  return cell;
}

// The fine pattern delay (X60..X6F) acts once per row: a player keeps only the rightmost one.
bool IsFinePatternDelay(const PatternCell& cell) {
  return cell.has[C::EffectType] && cell.value[C::EffectType] == 33 &&
         (cell.value[C::EffectParameter] & 0xF0) == 0x60;
}

}  // namespace

std::vector<PatternCell> UnpackPattern(const PatternBytes& bytes, int rows, int channels) {
  std::vector<PatternCell> cells(static_cast<std::size_t>(rows) * channels);
  std::size_t at = 0;
  for (PatternCell& cell : cells) cell = ReadCell(bytes, at);
  return cells;
}

CellText FormatCell(const PatternCell& packed) {
  const PatternCell cell = MergeVolumeIntoEffect(packed);
  CellText text;
  if (cell.has[C::Note]) FormatNote(cell.value[C::Note], text.note);
  // Instrument 0 is none; a player reads 255 as none too.
  if (cell.has[C::Instrument] && cell.value[C::Instrument] != 0 &&
      cell.value[C::Instrument] != 0xFF) {
    PutHex(text.instrument, cell.value[C::Instrument]);
  }
  if (cell.has[C::Volume]) FormatVolume(cell.value[C::Volume], text.volume);
  if (cell.has[C::EffectType] || cell.has[C::EffectParameter])
    FormatEffect(cell.value[C::EffectType], cell.value[C::EffectParameter], text.effect);
  return text;
}

std::vector<CellText> FormatPattern(const std::vector<PatternCell>& cells, int channels) {
  std::vector<CellText> texts;
  texts.reserve(cells.size());
  for (const PatternCell& cell : cells) texts.push_back(FormatCell(cell));
  for (std::size_t row = 0; channels > 0 && row < cells.size(); row += channels) {
    bool laterDelay = false;
    for (std::size_t i = std::min(cells.size(), row + channels); i-- > row;) {
      if (!IsFinePatternDelay(cells[i])) continue;
      if (laterDelay) std::memcpy(texts[i].effect, "...", 4);
      laterDelay = true;
    }
  }
  return texts;
}

std::string CellLine(const CellText& text) {
  return std::string(text.note) + " " + text.instrument + text.volume + " " + text.effect;
}

bool ColumnShown(const CellText& text, int column) {
  switch (column) {
    case 0:
      return text.note[0] != '.';
    case 1:
      return text.instrument[0] != '.';
    case 2:
      return text.volume[0] != ' ';
    default:
      return text.effect[0] != '.';
  }
}

PatternView ViewPattern(const PatternBytes& bytes, const ConversionSettings& settings) {
  PatternView view;
  view.rows = settings.Height;
  view.channels = ChannelCount(settings);
  view.breakCell = settings.BreakPatterns ? BreakCellIndex(settings) : -1;
  view.read = UnpackPattern(bytes, view.rows, view.channels);
  view.cells = FormatPattern(view.read, view.channels);
  return view;
}

PatternView ViewFrame(const FrameGrid& grid, const ConversionSettings& settings) {
  PatternBytes bytes;
  EncodeFrame(grid, settings, bytes);
  return ViewPattern(bytes, settings);
}

}  // namespace vorlix
