#include "preview/tracker_notation.h"

#include <algorithm>
#include <cstdio>

namespace vorlix {
namespace {

using C = PatternCell::Column;
constexpr char kHex[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr const char* kNoteNames[12] = {"C-", "C#", "D-", "D#", "E-", "F-",
                                        "F#", "G-", "G#", "A-", "A#", "B-"};
constexpr int kXmKeyOff = 97;
constexpr int kSchismLastInstrument = 128;  // higher instruments are dropped

int Byte(const PatternCell& cell, int column) {
  return cell.has[column] ? cell.value[column] : 0;
}

void PutHex2(char* at, int value) {
  at[0] = kHex[(value >> 4) & 0xF];
  at[1] = kHex[value & 0xF];
  at[2] = '\0';
}

void PutNote(char* at, int note) {  // note 1 is "C-0"
  at[0] = kNoteNames[(note - 1) % 12][0];
  at[1] = kNoteNames[(note - 1) % 12][1];
  at[2] = static_cast<char>('0' + (note - 1) / 12);
  at[3] = '\0';
}

void Fill(char* at, int count, char c) {
  std::fill(at, at + count, c);
  at[count] = '\0';
}

// ---- MilkyTracker -------------------------------------------------------------------------
// Its loader keeps each cell as a note, an instrument and two effects: the volume column turned
// into an effect (XModule::convertXMVolumeEffects) and the effect column with its own changes
// (LoaderXM::load). The pattern editor turns both back into FastTracker 2's notation
// (PatternTools::convertEffectsToFT2, getVolumeFromEffect) and names them (getNoteName,
// getVolumeName, getEffectName; PatternEditorControl::paintPattern).

constexpr int kMilkyKeyOff = 121;  // XModule::NOTE_OFF

struct Effect {
  int type = 0, parameter = 0;
};

int Volume64To255(int v) {  // XModule::vol64to255
  return (std::min(v, 64) * 261120 + 65535) >> 16;
}
int Volume255To64(int v) {
  return v * 64 / 255;
}

// The volume column as the loader stores it: an effect of its own numbering.
Effect MilkyVolumeEffect(int v) {
  if (v >= 0x10 && v <= 0x50) return {0x0C, Volume64To255(v - 0x10)};
  if (v < 0x60) return {};
  // High nibble 6..F: volume slide down, up, fine down, fine up, vibrato speed, depth, panning,
  // panning slide left, right, tone portamento; the value times the multiplier is the effect's
  // parameter. Without a value only vibrato depth, panning and tone portamento are kept.
  struct Command {
    int type, multiplier;
    bool keptWithoutValue;
  };
  static constexpr Command kCommands[10] = {
      {0x0A, 1, false}, {0x0A, 16, false}, {0x3B, 1, false}, {0x3A, 1, false},  {0x04, 16, false},
      {0x04, 1, true},  {0x08, 17, true},  {0x19, 1, false}, {0x19, 16, false}, {0x03, 16, true}};
  const Command& c = kCommands[(v >> 4) - 6];
  const int x = v & 0xF;
  if (x == 0 && !c.keptWithoutValue) return {};
  return {c.type, x * c.multiplier};
}

bool ValidXmEffect(int type) {  // XModule::validXMEffects
  static constexpr int kValid[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                   12, 13, 14, 15, 16, 17, 20, 21, 25, 27, 29, 33};
  return std::find(std::begin(kValid), std::end(kValid), type) != std::end(kValid);
}

// The effect column as the loader stores it.
Effect MilkyEffect(int type, int parameter) {
  if (!ValidXmEffect(type)) return {};
  if (type == 0x0C || type == 0x10) return {type, Volume64To255(parameter)};
  if (type == 0 && parameter != 0) return {0x20, parameter};
  if (type == 0x0E) return {0x30 + (parameter >> 4), parameter & 0xF};
  if (type == 0x21) return {0x40 + (parameter >> 4), parameter & 0xF};
  return {type, parameter};
}

// PatternTools::convertEffectsToFT2 for the effects an XM can give; {0, 0} shows as empty.
Effect ToFt2(Effect in) {
  const int t = in.type, p = in.parameter;
  if (t >= 0x01 && t <= 0x11) {
    return {t, t == 0x0C || t == 0x10 ? Volume255To64(p) : p};
  }
  switch (t) {
    case 0x14:
    case 0x15:
    case 0x19:
    case 0x1B:
    case 0x1D:
      return in;
    case 0x20:
      return {0, p};
    case 0x41:  // extra fine portamento up and down
      return {0x21, 0x10 + p};
    case 0x42:
      return {0x21, 0x20 + p};
    // The other X subcommands land on other formats' effects the editor converts too: X3y and
    // X7y as portamento up, X4y and X8y down, X5y, X6y and X9y as volume slides, XBy and XCy as
    // fine volume slides, XDy and XEy as portamento by y / 4. Without a value they vanish.
    case 0x43:
    case 0x47:
      return p != 0 ? Effect{0x01, p} : Effect{};
    case 0x44:
    case 0x48:
      return p != 0 ? Effect{0x02, p} : Effect{};
    case 0x45:
      return p != 0 ? Effect{0x0A, (p >> 2) << 4} : Effect{};
    case 0x46:
      return p != 0 ? Effect{0x0A, (p >> 2) & 0xF} : Effect{};
    case 0x49:
      return p != 0 ? Effect{0x0A, p} : Effect{};
    case 0x4B:
      return {0x0E, 0xA0 + (p >> 2)};
    case 0x4C:
      return {0x0E, 0xB0 + (p >> 2)};
    case 0x4D:
      return {0x01, p >> 2};
    case 0x4E:
      return {0x02, p >> 2};
    default:
      if (t >= 0x30 && t <= 0x3F) return {0x0E, ((t - 0x30) << 4) + (p & 0xF)};
      return {};
  }
}

// PatternTools::getVolumeFromEffect: the volume-column byte an effect shows as; 0 for none.
int Ft2VolumeByte(Effect e) {
  const int t = e.type, p = e.parameter;
  if (t == 0x0C) return 0x10 + p;
  if (t == 0x0A) return p == 0 ? 0x60 : (p & 0xF) ? 0x60 + (p & 0xF) : 0x70 + (p >> 4);
  if (t == 0x0E && (p >> 4) == 0xA) return 0x90 + (p & 0xF);
  if (t == 0x0E && (p >> 4) == 0xB) return 0x80 + (p & 0xF);
  if (t == 0x04) {
    if ((p >> 4) != 0 && (p & 0xF) == 0) return 0xA0 + (p >> 4);
    return (p >> 4) == 0 ? 0xB0 + p : 0;
  }
  if (t == 0x08) return 0xC0 + (p >> 4);
  if (t == 0x19) return p == 0 ? 0xD0 : (p & 0xF) ? 0xD0 + (p & 0xF) : 0xE0 + (p >> 4);
  if (t == 0x03) return 0xF0 + (p >> 4);
  return 0;
}

// ---- Schism Tracker ------------------------------------------------------------------------
// Its XM loader turns each cell into Impulse Tracker's terms: notes one octave up, the effect
// column into Impulse Tracker's commands, a set-volume effect into the volume column, and
// volume-column commands that column cannot hold into the effect column when that is free.
// The pattern editor names them (get_note_string, str_from_num99, get_volume_string,
// get_effect_char; draw_note_13).

// Impulse Tracker's effect letters by XM effect type ('.': none); '!' is a set volume, which
// goes to the volume column, and X is looked at by its subcommand.
constexpr char kSchismLetters[] = "JFEGHLKRXODB!CSAVW...&...P.Q.I...XYZ";
constexpr int kSchismLetterCount = sizeof kSchismLetters - 1;

struct ItEffect {
  char letter = '.';  // '.' none
  int parameter = 0;
};

// Extended MOD commands Exy as Impulse Tracker writes them: Sxy for most, fine slides as
// portamento and volume commands, E9y as retrigger.
ItEffect SchismExtended(int p) {
  const int x = p >> 4, y = p & 0xF;
  switch (x) {
    case 0x1:
      return {'F', 0xF0 | y};
    case 0x2:
      return {'E', 0xF0 | y};
    case 0x3:
      return {'S', 0x10 | y};
    case 0x4:
      return {'S', 0x30 | y};
    case 0x5:
      return {'S', 0x20 | y};
    case 0x6:
      return {'S', 0xB0 | y};
    case 0x7:
      return {'S', 0x40 | y};
    case 0x9:
      return {'Q', y};
    case 0xA:
      return {'D', (y << 4) | 0xF};
    case 0xB:
      return {'D', 0xF0 | y};
    default:
      return {'S', p};
  }
}

ItEffect SchismEffect(int type, int p) {
  if (type == 0x0E) return SchismExtended(p);
  if (type == 0x0D) return {'C', (p >> 4) * 10 + (p & 0xF)};
  if (type == 0x0F) return {p <= 0x1F ? 'A' : 'T', p};
  if (type == 0x10) return {'V', std::min(p, 64) * 2};          // global volume on a 0..128 scale
  if (type == 0x19) return {'P', ((p & 0xF) << 4) | (p >> 4)};  // left and right swap places
  if (type == 0x21) {  // extra fine portamento; the other subcommands are dropped
    if ((p >> 4) == 1) return {'F', 0xE0 | (p & 0xF)};
    if ((p >> 4) == 2) return {'E', 0xE0 | (p & 0xF)};
    return {'.', 0};
  }
  if (type == 0 && p == 0) return {};
  const char letter = type < kSchismLetterCount ? kSchismLetters[type] : '.';
  if (letter == '.') return {'.', p};  // an unknown command keeps its parameter
  // Slides with both nibbles keep the upward one.
  const bool slide = letter == 'L' || letter == 'K' || letter == 'D' || letter == 'W';
  return {letter, slide && (p & 0xF0) ? p & 0xF0 : p};
}

constexpr char kSlides9[4] = {'D', 'C', 'B', 'A'};  // volume-column slides 6x..9x

void PutSchismInstrument(char* at, int n) {  // str_from_num99
  if (n < 100) {
    at[0] = static_cast<char>('0' + n / 10);
    at[1] = static_cast<char>('0' + n % 10);
  } else {
    at[0] = "HIJKLMNOPQRSTUVWXYZ"[(n - 100) / 10];
    at[1] = static_cast<char>('0' + n % 10);
  }
  at[2] = '\0';
}

void PutDecimal2(char* at, int n) {
  at[0] = static_cast<char>('0' + n / 10 % 10);
  at[1] = static_cast<char>('0' + n % 10);
  at[2] = '\0';
}

}  // namespace

TrackerCellText Ft2CellText(const PatternCell& cell) {
  TrackerCellText text;
  int note = Byte(cell, C::Note);
  if (note == kXmKeyOff) note = kMilkyKeyOff;
  if (note == 0) {
    Fill(text.note, 3, kGlyphLowDot);
  } else if (note >= kMilkyKeyOff) {
    const char keyOff[4] = {kGlyphKeyOffLeft, kGlyphKeyOffMiddle, kGlyphKeyOffRight, '\0'};
    std::copy(keyOff, keyOff + 4, text.note);
  } else {
    PutNote(text.note, note);
  }

  const int instrument = Byte(cell, C::Instrument);
  if (instrument == 0) {
    Fill(text.instrument, 2, kGlyphLowDot);
  } else {
    PutHex2(text.instrument, instrument);
    if (text.instrument[0] == '0') text.instrument[0] = kGlyphLowDot;
  }

  // Volume column: 00..40, or a command letter and its value.
  const int volume = Ft2VolumeByte(ToFt2(MilkyVolumeEffect(Byte(cell, C::Volume))));
  if (volume < 0x10) {
    Fill(text.volume, 2, kGlyphLowDot);
  } else if (volume <= 0x50) {
    PutHex2(text.volume, volume - 0x10);
  } else {
    static constexpr char kLetters[10] = {
        '-', '+', kGlyphArrowDown, kGlyphArrowUp, 'S', 'V', 'P', '<', '>', 'M'};
    text.volume[0] = kLetters[(volume >> 4) - 6];
    text.volume[1] = kHex[volume & 0xF];
    text.volume[2] = '\0';
  }

  const Effect e = ToFt2(MilkyEffect(Byte(cell, C::EffectType), Byte(cell, C::EffectParameter)));
  if (e.type == 0 && e.parameter == 0) {
    Fill(text.effect, 1, kGlyphLowDot);
    Fill(text.parameter, 2, kGlyphLowDot);
  } else {
    text.effect[0] = kHex[e.type];
    text.effect[1] = '\0';
    PutHex2(text.parameter, e.parameter);
  }
  return text;
}

TrackerCellText SchismCellText(const PatternCell& cell) {
  TrackerCellText text;
  const int note = Byte(cell, C::Note);
  if (note == kXmKeyOff) {
    Fill(text.note, 3, kGlyphDoubleLine);
  } else if (note >= 1 && note < kXmKeyOff) {
    PutNote(text.note, note + 12);
  } else {
    Fill(text.note, 3, kGlyphMiddleDot);
  }

  const int instrument = Byte(cell, C::Instrument);
  if (instrument >= 1 && instrument <= kSchismLastInstrument) {
    PutSchismInstrument(text.instrument, instrument);
  } else {
    Fill(text.instrument, 2, kGlyphMiddleDot);
  }

  ItEffect effect = SchismEffect(Byte(cell, C::EffectType), Byte(cell, C::EffectParameter));
  const int v = Byte(cell, C::Volume), x = v & 0xF;
  int volume = -1;             // set volume 0..64
  char command = 0;            // or a command letter with value x
  if (effect.letter == '!') {  // a set-volume effect takes the volume column
    volume = std::min(effect.parameter, 64);
    effect = {};
  }
  // The volume column: set volume and slides by up to 9 stay; what it cannot hold (larger
  // slides, vibrato, panning, panning slides, tone portamento) moves into a free effect column
  // as the effect that does the same, or is dropped (slides are cut to 9 instead).
  ItEffect moved;
  if (v >= 0x10 && v <= 0x50) {
    if (volume < 0) volume = v - 0x10;
  } else if (v >= 0x60 && !(volume >= 0 && (v >> 4) <= 0x9)) {
    struct Slide {
      char letter;
      int upper, lower;  // the effect D's parameter: x times upper, plus lower
    };
    static constexpr Slide kSlides[4] = {
        {'D', 0x01, 0}, {'C', 0x10, 0}, {'B', 0x01, 0xF0}, {'A', 0x10, 0x0F}};
    switch (v >> 4) {
      case 0x6:
      case 0x7:
      case 0x8:
      case 0x9: {
        const Slide& slide = kSlides[(v >> 4) - 6];
        if (x != 0 && x <= 9) command = slide.letter;
        if (x > 9) moved = {'D', x * slide.upper + slide.lower};
        break;
      }
      case 0xA:
        moved = {'H', x << 4};
        break;
      case 0xB:
        moved = {'H', x};
        break;
      case 0xC:
        moved = {'S', 0x80 | x};
        break;
      case 0xD:
        moved = x ? ItEffect{'P', x} : ItEffect{};
        break;
      case 0xE:
        moved = x ? ItEffect{'P', x << 4} : ItEffect{};
        break;
      default:
        moved = {'G', x << 4};
        break;
    }
  }
  const bool effectFree = effect.letter == '.' && effect.parameter == 0;
  if (moved.letter != '.' && effectFree) {
    effect = moved;
  } else if (moved.letter == 'D') {  // a slide too large for the column, cut to 9
    command = kSlides9[(v >> 4) - 6];
  }

  if (volume >= 0) {
    PutDecimal2(text.volume, volume);
  } else if (command != 0) {
    text.volume[0] = command;
    text.volume[1] = kHex[std::min(x, 9)];
    text.volume[2] = '\0';
  } else {
    Fill(text.volume, 2, kGlyphMiddleDot);
  }

  text.effect[0] = effect.letter;
  text.effect[1] = '\0';
  PutHex2(text.parameter, effect.parameter);
  return text;
}

}  // namespace vorlix
