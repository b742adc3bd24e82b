#include "preview/tracker_screen.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "convert/xm/xm_format.h"
#include "preview/pixel_font.h"
#include "preview/tracker_notation.h"

namespace vorlix {
namespace {

// MilkyTracker 1.03's default colours (TrackerConfig, PatternEditorControl), as it draws them.
enum Ft2Shade : std::uint8_t {
  kFt2Back,
  kFt2Note,
  kFt2Instrument,
  kFt2Volume,
  kFt2Effect,
  kFt2Parameter,
  kFt2RowMark,
  kFt2LineBright,
  kFt2Line,
  kFt2LineDark,
  kFt2Cursor,
  kFt2CursorTop,
  kFt2CursorBottom,
  kFt2ShadeCount
};
const std::vector<PreviewRgb> kFt2Palette = {
    {0, 0, 0},       {255, 255, 255}, {128, 224, 255}, {128, 255, 128}, {255, 128, 224},
    {255, 224, 128}, {255, 255, 0},   {85, 127, 170},  {64, 96, 128},   {32, 48, 64},
    {96, 32, 64},    {127, 42, 85},   {48, 16, 32}};

// Schism Tracker's default palette as its pattern editor uses it.
enum SchismShade : std::uint8_t {
  kSchismBack,
  kSchismText,
  kSchismFrame,
  kSchismShadow,
  kSchismHighlight,
  kSchismCursor,
  kSchismRowNumber,
  kSchismShadeCount
};
const std::vector<PreviewRgb> kSchismPalette = {{0, 0, 0},     {68, 152, 72}, {180, 148, 120},
                                                {124, 88, 68}, {52, 48, 44},  {88, 64, 60},
                                                {0, 0, 0}};

// Each character's 8 x 8 cell as 64 flags, the font's 5 x 7 glyph at column 2 of the cell,
// made once.
using CharCell = std::array<std::uint8_t, kScreenCharSize * kScreenCharSize>;
const CharCell& Cell(char c) {
  static const auto cells = [] {
    std::array<CharCell, 128> made{};
    for (int code = 0; code < 128; ++code) {
      const GlyphRows& rows = Glyph(static_cast<char>(code));
      for (int y = 0; y < kGlyphHeight; ++y) {
        for (int x = 0; x < kGlyphWidth; ++x) {
          made[code][y * kScreenCharSize + 2 + x] = (rows[y] & (0x10 >> x)) ? 1 : 0;
        }
      }
    }
    return made;
  }();
  return cells[static_cast<unsigned char>(c) & 0x7F];
}

struct Canvas {
  PreviewImage& image;
  void Text(int x, int y, const char* text, std::uint8_t shade) {
    for (; *text != '\0'; ++text, x += kScreenCharSize) {
      const CharCell& cell = Cell(*text);
      for (int gy = 0; gy < kScreenCharSize; ++gy) {
        std::uint8_t* line = &image.pixels[static_cast<std::size_t>(y + gy) * image.width + x];
        const std::uint8_t* flags = &cell[gy * kScreenCharSize];
        for (int gx = 0; gx < kScreenCharSize; ++gx) {
          if (flags[gx]) line[gx] = shade;
        }
      }
    }
  }
  void Fill(int x, int y, int width, int height, std::uint8_t shade) {
    for (int k = std::max(0, y); k < std::min(image.height, y + height); ++k) {
      std::memset(&image.pixels[static_cast<std::size_t>(k) * image.width + x], shade, width);
    }
  }
};

// The rows and channels drawn: from `firstRow`, `rows` of them, and `channels` slots.
struct Span {
  int firstRow, rows, channels;
};

Span SpanOf(const PatternView& view, const std::optional<PatternWindow>& window) {
  if (!window) return {0, view.rows, view.channels};
  return {CursorRow(view) - window->rowsAbove, window->rowsAbove + 1 + window->rowsBelow,
          window->channels};
}

void PutHexRow(char* at, int row, int digits) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (int i = 0; i < digits; ++i) at[i] = kHex[(row >> (4 * (digits - 1 - i))) & 0xF];
  at[digits] = '\0';
}

int HexDigits(int value) {  // PatternTools::getHexNumDigits
  int digits = 1;
  while (value >> (4 * digits)) ++digits;
  return digits;
}

PreviewImage DrawFt2(const PatternView& view, const Span& span) {
  const int digits = HexDigits(std::max(0, view.rows - 1));
  const int cellsX = digits * kScreenCharSize + kFt2RowNumberGap;
  PreviewImage image;
  image.width = cellsX + kFt2SlotWidth * span.channels;
  image.height = span.rows * kScreenCharSize;
  image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, kFt2Back);
  image.palette = kFt2Palette;
  Canvas canvas{image};
  const int cursor = CursorRow(view) - span.firstRow;
  if (cursor >= 0 && cursor < span.rows) {
    const int y = cursor * kScreenCharSize;
    canvas.Fill(0, y - 1, image.width, 1, kFt2CursorTop);
    canvas.Fill(0, y, image.width, kScreenCharSize, kFt2Cursor);
    canvas.Fill(0, y + kScreenCharSize, image.width, 1, kFt2CursorBottom);
  }
  const int shown = std::min(span.channels, view.channels);
  for (int k = 0; k < span.rows; ++k) {
    const int row = span.firstRow + k, y = k * kScreenCharSize;
    if (row < 0 || row >= view.rows) continue;
    char number[8];
    PutHexRow(number, row, digits);
    canvas.Text(0, y, number, row % 4 == 0 ? kFt2RowMark : kFt2Note);
    for (int n = 0; n < shown; ++n) {
      const TrackerCellText t =
          Ft2CellText(view.read[static_cast<std::size_t>(row) * view.channels + n]);
      const int x = cellsX + kFt2SlotWidth * n;
      canvas.Text(x + kFt2FieldX[0], y, t.note, kFt2Note);
      canvas.Text(x + kFt2FieldX[1], y, t.instrument, kFt2Instrument);
      canvas.Text(x + kFt2FieldX[2], y, t.volume, kFt2Volume);
      canvas.Text(x + kFt2FieldX[3], y, t.effect, kFt2Effect);
      canvas.Text(x + kFt2FieldX[4], y, t.parameter, kFt2Parameter);
    }
  }
  // Three lines, bright to dark, left of every channel and after the last.
  for (int n = 0; n <= shown; ++n) {
    const int x = cellsX + kFt2SlotWidth * n - 3;
    canvas.Fill(x, 0, 1, image.height, kFt2LineBright);
    canvas.Fill(x + 1, 0, 1, image.height, kFt2Line);
    canvas.Fill(x + 2, 0, 1, image.height, kFt2LineDark);
  }
  return image;
}

PreviewImage DrawSchism(const PatternView& view, const Span& span) {
  constexpr int kChar = kScreenCharSize;
  PreviewImage image;
  image.width = (kSchismLeftChars + kSchismChannelChars * span.channels) * kChar;
  image.height = span.rows * kChar;
  image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, kSchismBack);
  image.palette = kSchismPalette;
  Canvas canvas{image};
  // The frame: left of the channels, with its shadow, and a separator after each channel.
  canvas.Fill(0, 0, kSchismLeftChars * kChar - 2, image.height, kSchismFrame);
  canvas.Fill(kSchismLeftChars * kChar - 2, 0, 2, image.height, kSchismShadow);
  for (int n = 1; n <= span.channels; ++n) {
    canvas.Fill((kSchismLeftChars + kSchismChannelChars * n - 1) * kChar, 0, kChar - 1,
                image.height, kSchismFrame);
  }
  const int cursor = CursorRow(view);
  const int shown = std::min(span.channels, view.channels);
  for (int k = 0; k < span.rows; ++k) {
    const int row = span.firstRow + k, y = k * kChar;
    if (row < 0 || row >= view.rows) continue;
    const std::uint8_t back =
        row == cursor ? kSchismCursor : (row % 4 == 0 ? kSchismHighlight : kSchismBack);
    const char number[4] = {static_cast<char>('0' + row / 100 % 10),
                            static_cast<char>('0' + row / 10 % 10),
                            static_cast<char>('0' + row % 10), '\0'};
    canvas.Text(kChar, y, number, kSchismRowNumber);
    for (int n = 0; n < shown; ++n) {
      const TrackerCellText t =
          SchismCellText(view.read[static_cast<std::size_t>(row) * view.channels + n]);
      const int x = (kSchismLeftChars + kSchismChannelChars * n) * kChar;
      if (back != kSchismBack) canvas.Fill(x, y, (kSchismChannelChars - 1) * kChar, kChar, back);
      canvas.Text(x + kSchismFieldChar[0] * kChar, y, t.note, kSchismText);
      canvas.Text(x + kSchismFieldChar[1] * kChar, y, t.instrument, kSchismText);
      canvas.Text(x + kSchismFieldChar[2] * kChar, y, t.volume, kSchismText);
      canvas.Text(x + kSchismFieldChar[3] * kChar, y, t.effect, kSchismText);
      canvas.Text(x + (kSchismFieldChar[3] + 1) * kChar, y, t.parameter, kSchismText);
    }
  }
  return image;
}

}  // namespace

int CursorRow(const PatternView& view) {
  return std::min(view.rows / 2, kBreakRowCap);
}

PreviewImage DrawTrackerScreen(const PatternView& view, TrackerLook look,
                               const std::optional<PatternWindow>& window) {
  const Span span = SpanOf(view, window);
  return look == TrackerLook::Ft2 ? DrawFt2(view, span) : DrawSchism(view, span);
}

}  // namespace vorlix
