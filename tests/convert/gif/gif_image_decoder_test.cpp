// The decoder of one GIF image against the image library's own GIF loader: whenever the decoder
// takes an image on, its size, indices, palette and transparent index must be the library's.
#include "convert/gif/gif_image_decoder.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "convert/gif/gif_layout.h"
#include "convert/gif/image_library.h"
#include "tests/support/gif_writer.h"

#if defined(__SANITIZE_ADDRESS__)
#define VORLIX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORLIX_ASAN 1
#endif
#endif

namespace vorlix {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testgif::GifDescription;
using testgif::GifFrame;
using testgif::Rgb;

constexpr std::uint8_t kLocalTable = 0x80;
constexpr std::uint8_t kInterlaced = 0x40;

// ---- the library's view ----

// Image `image` of `bytes` as the library's multi-page interface loads it at 8 bits; false when
// it cannot.
bool LoadWithLibrary(const Bytes& bytes, std::size_t image, GifImagePixels& out) {
  FIMEMORY* memory =
      FreeImage_OpenMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
  FIMULTIBITMAP* file =
      memory ? FreeImage_LoadMultiBitmapFromMemory(FIF_GIF, memory, GIF_LOAD256) : nullptr;
  FIBITMAP* page = file ? FreeImage_LockPage(file, static_cast<int>(image)) : nullptr;
  const bool loaded = page != nullptr && FreeImage_GetBPP(page) == 8;
  if (loaded) {
    out.width = static_cast<int>(FreeImage_GetWidth(page));
    out.height = static_cast<int>(FreeImage_GetHeight(page));
    out.indices.resize(static_cast<std::size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y) {  // scan lines run from the bottom row up
      const BYTE* line = FreeImage_GetScanLine(page, out.height - 1 - y);
      std::copy_n(line, out.width, out.indices.begin() + static_cast<std::size_t>(y) * out.width);
    }
    std::copy_n(FreeImage_GetPalette(page), 256, out.palette.begin());
    out.transparent = -1;
    if (FreeImage_IsTransparent(page)) {
      const BYTE* table = FreeImage_GetTransparencyTable(page);
      const int count = static_cast<int>(FreeImage_GetTransparencyCount(page));
      for (int i = 0; i < count && out.transparent < 0; ++i) {
        if (table[i] == 0) out.transparent = i;
      }
    }
  }
  if (page) FreeImage_UnlockPage(file, page, FALSE);
  if (file) FreeImage_CloseMultiBitmap(file);
  if (memory) FreeImage_CloseMemory(memory);
  return loaded;
}

// What the decoder must give for image `image`: the library's image, except for an interlaced
// image 2 to 4 rows high, of which the library decodes only the first row. That one is shown to
// the library as not interlaced, which decodes the rows in stored order (0, 2, 1, 3), and rows 1
// and 2 are put back in place.
bool Reference(const Bytes& bytes, const GifLayout& layout, std::size_t image,
               GifImagePixels& out) {
  const GifImageLayout& frame = layout.images[image];
  if (!frame.interlaced || frame.height < 2 || frame.height > 4) {
    return LoadWithLibrary(bytes, image, out);
  }
  Bytes shown = bytes;
  shown[frame.flagsAt] &= static_cast<std::uint8_t>(~kInterlaced);
  if (!LoadWithLibrary(shown, image, out)) return false;
  if (out.height >= 3) {
    const auto row = [&](int y) { return out.indices.begin() + std::size_t{1} * y * out.width; };
    std::swap_ranges(row(1), row(2), row(2));
  }
  return true;
}

// How two decoded images differ, in words; empty when they do not.
std::string Differences(const GifImagePixels& ours, const GifImagePixels& theirs) {
  if (ours.width != theirs.width || ours.height != theirs.height) {
    return "size " + std::to_string(ours.width) + "x" + std::to_string(ours.height) + ", library " +
           std::to_string(theirs.width) + "x" + std::to_string(theirs.height);
  }
  std::string found;
  if (ours.indices.size() != theirs.indices.size()) return "index count differs";
  std::size_t wrong = 0, first = 0;
  for (std::size_t i = ours.indices.size(); i-- > 0;) {
    if (ours.indices[i] != theirs.indices[i]) ++wrong, first = i;
  }
  if (wrong > 0) {
    found += std::to_string(wrong) + " indices differ, first at x " +
             std::to_string(first % ours.width) + " y " + std::to_string(first / ours.width) +
             ": " + std::to_string(ours.indices[first]) + ", library " +
             std::to_string(theirs.indices[first]) + "; ";
  }
  for (int i = 0; i < 256; ++i) {
    const RGBQUAD a = ours.palette[i], b = theirs.palette[i];
    if (a.rgbRed != b.rgbRed || a.rgbGreen != b.rgbGreen || a.rgbBlue != b.rgbBlue ||
        a.rgbReserved != 0) {
      found += "palette entry " + std::to_string(i) + " differs; ";
      break;
    }
  }
  if (ours.transparent != theirs.transparent) {
    found += "transparent " + std::to_string(ours.transparent) + ", library " +
             std::to_string(theirs.transparent);
  }
  return found;
}

// Decodes image `image` of `bytes` with the given working memory and, when the decoder takes it
// on and `compare` is set, checks it against the reference. Returns whether the decoder took it
// on.
bool DecodeAndCheck(const Bytes& bytes, std::size_t image, const std::string& label,
                    GifImagePixels& pixels, GifDecodeScratch& scratch, bool compare = true) {
  GifLayout layout;
  if (ReadGifLayout(bytes.data(), bytes.size(), layout) != GifStatus::Ok) {
    ADD_FAILURE() << label << ": not read as a GIF";
    return false;
  }
  if (!DecodeGifImage(bytes.data(), bytes.size(), layout, image, pixels, scratch)) return false;
  if (!compare) return true;
  GifImagePixels reference;
  if (!Reference(bytes, layout, image, reference)) {
    ADD_FAILURE() << label << ": taken on, but the library cannot load it";
    return true;
  }
  EXPECT_EQ(Differences(pixels, reference), "") << label;
  return true;
}

bool DecodeAndCheck(const Bytes& bytes, std::size_t image, const std::string& label) {
  GifImagePixels pixels;
  GifDecodeScratch scratch;
  return DecodeAndCheck(bytes, image, label, pixels, scratch);
}

// ---- pictures made by the GIF writer ----

std::vector<Rgb> Colours(int count, int variant) {
  std::vector<Rgb> colours;
  for (int i = 0; i < count; ++i) {
    colours.push_back({static_cast<std::uint8_t>(i * 7 + variant),
                       static_cast<std::uint8_t>(255 - i),
                       static_cast<std::uint8_t>((i * 13) ^ variant)});
  }
  return colours;
}

// Indices below `colours`: runs of one index broken by noise, so that the codes name strings of
// many lengths; smooth, long runs without noise, so that they name long strings.
std::vector<std::uint8_t> Picture(int width, int height, int colours, unsigned variant,
                                  bool smooth = false) {
  std::mt19937 rng(variant);
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(width) * height);
  std::uint8_t run = 0;
  for (std::uint8_t& index : indices) {
    if (rng() % (smooth ? 900 : 8) == 0) run = static_cast<std::uint8_t>(rng() % colours);
    index = !smooth && rng() % 4 == 0 ? static_cast<std::uint8_t>(rng() % colours) : run;
  }
  return indices;
}

enum class Table { Global, Local, None };

struct PictureCase {
  int width, height, colours;
  Table table;
  bool control;
  int transparent;  // -1: none
  bool interlaced;
  bool smooth = false;
};

// A one-image GIF of the case. A local table comes with a global one of other colours, so that
// the wrong one shows.
GifDescription Describe(const PictureCase& c, unsigned variant) {
  GifDescription gif;
  gif.width = c.width;
  gif.height = c.height;
  gif.loopExtension = false;
  if (c.table != Table::None) gif.globalPalette = Colours(c.colours, 1);
  GifFrame frame;
  frame.width = c.width;
  frame.height = c.height;
  frame.indices = Picture(c.width, c.height, c.colours, variant, c.smooth);
  if (c.table == Table::Local) frame.localPalette = Colours(c.colours, 90);
  frame.hasControlExtension = c.control;
  frame.transparentIndex = c.transparent;
  frame.interlaced = c.interlaced;
  gif.frames = {frame};
  return gif;
}

std::string Name(const PictureCase& c) {
  static const char* const kTables[] = {"global", "local", "no"};
  return std::to_string(c.width) + "x" + std::to_string(c.height) + ", " +
         std::to_string(c.colours) + " colours in a " + kTables[static_cast<int>(c.table)] +
         " table, transparent " + std::to_string(c.transparent) +
         (c.interlaced ? ", interlaced" : "");
}

// ---- hand-made image data ----

// LZW codes packed least significant bit first, each as wide as a reader expects it: the width
// grows as the codes fill the table and falls back at a clear code. Tracks how many pixels the
// codes stand for.
class Codes {
 public:
  explicit Codes(int minCodeSize) : min_(minCodeSize) { Reset(); }
  Codes& Clear() {
    Put(1 << min_);
    Reset();
    return *this;
  }
  Codes& End() {
    Put((1 << min_) + 1);
    return *this;
  }
  // A code for an entry of the table, or for the next free one, which repeats the last string
  // and its first byte; the reader adds an entry unless the code follows a clear.
  Codes& Code(int code) {
    const bool adds = old_ >= 0 && next_ < kMaxCodes;
    if (adds) length_[next_] = length_[old_] + 1;
    pixels_ += length_[code];
    Put(code);
    if (adds && ++next_ < kMaxCodes && next_ == 1 << width_) ++width_;
    old_ = code;
    return *this;
  }
  // Literals cycling through 1, 2 and 3, none of them 0.
  Codes& Literals(int count) {
    for (int i = 0; i < count; ++i) Code(1 + (i % 3));
    return *this;
  }
  // A code with no meaning to the table, written at the current width.
  Codes& Raw(int code) {
    EXPECT_LT(code, 1 << width_) << "a code wider than the codes around it";
    Put(code);
    return *this;
  }
  // Bytes after the codes, once the last code's bits are flushed.
  Codes& Trailing(Bytes bytes) {
    trailing_ = std::move(bytes);
    return *this;
  }
  // Ends the first sub-block after the byte where the last code so far ends.
  Codes& Mark() {
    marked_ = static_cast<std::size_t>(bits_ + 7) / 8;
    return *this;
  }
  std::size_t Marked() const { return marked_; }
  int Next() const { return next_; }
  int Width() const { return width_; }
  int Pixels() const { return pixels_; }
  long Bits() const { return bits_; }
  Bytes Data() const {
    Bytes data = bytes_;
    if (count_ > 0) data.push_back(static_cast<std::uint8_t>(partial_));
    data.insert(data.end(), trailing_.begin(), trailing_.end());
    return data;
  }

 private:
  static constexpr int kMaxCodes = 4096;
  void Reset() {
    next_ = (1 << min_) + 2;
    width_ = min_ + 1;
    old_ = -1;
    length_.assign(kMaxCodes, 0);
    for (int i = 0; i < 1 << min_ && i < kMaxCodes; ++i) length_[i] = 1;
  }
  void Put(int code) {
    partial_ |= static_cast<std::uint32_t>(code) << count_;
    count_ += width_;
    bits_ += width_;
    for (; count_ >= 8; count_ -= 8, partial_ >>= 8) {
      bytes_.push_back(static_cast<std::uint8_t>(partial_));
    }
  }
  int min_, next_ = 0, width_ = 0, old_ = -1, pixels_ = 0, count_ = 0;
  long bits_ = 0;
  std::size_t marked_ = 0;
  std::uint32_t partial_ = 0;
  std::vector<int> length_;
  Bytes bytes_, trailing_;
};

Bytes ControlBlock(int size, int transparent) {
  Bytes block = {0x21, 0xF9, static_cast<std::uint8_t>(size)};
  const std::uint8_t fields[] = {static_cast<std::uint8_t>(transparent >= 0 ? 1 : 0), 10, 0,
                                 static_cast<std::uint8_t>(std::max(transparent, 0))};
  for (int i = 0; i < size; ++i) block.push_back(i < 4 ? fields[i] : 0);
  block.push_back(0);
  return block;
}

const Bytes kComment = {0x21, 0xFE, 0x03, 'a', 'b', 'c', 0x00};

// A GIF of one image, as big as the screen, whose data are `data` after the code size byte, in
// sub-blocks of `blockSize` bytes. The global table has a colour for every literal code.
struct HandMade {
  int width = 8, height = 8;
  int codeSize = 2;  // the byte written, whatever the codes were made for
  Bytes data;
  std::size_t blockSize = 255;
  Bytes before = ControlBlock(4, 2);  // blocks between the table and the image
  Bytes Encode() const {
    Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
    const auto word = [&](int v) {
      out.push_back(static_cast<std::uint8_t>(v & 0xFF));
      out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    word(width);
    word(height);
    const int tableBits = std::clamp(codeSize, 1, 8);
    out.insert(out.end(), {static_cast<std::uint8_t>(0xF0 | (tableBits - 1)), 0, 0});
    for (const Rgb& c : Colours(1 << tableBits, 5)) out.insert(out.end(), {c.r, c.g, c.b});
    out.insert(out.end(), before.begin(), before.end());
    out.push_back(0x2C);
    word(0);
    word(0);
    word(width);
    word(height);
    out.push_back(0);
    out.push_back(static_cast<std::uint8_t>(codeSize));
    for (std::size_t at = 0; at < data.size(); at += blockSize) {
      const std::size_t n = std::min(blockSize, data.size() - at);
      out.push_back(static_cast<std::uint8_t>(n));
      out.insert(out.end(), data.begin() + at, data.begin() + at + n);
    }
    out.insert(out.end(), {0x00, 0x3B});
    return out;
  }
};

// Pixels up to the last one that is not 0.
int Reach(const GifImagePixels& pixels) {
  const auto last = std::find_if(pixels.indices.rbegin(), pixels.indices.rend(),
                                 [](std::uint8_t index) { return index != 0; });
  return static_cast<int>(pixels.indices.rend() - last);
}

// Offsets of the bytes inside image `image`'s data sub-blocks, length bytes left out.
std::vector<std::size_t> DataBytes(const Bytes& bytes, std::size_t image) {
  GifLayout layout;
  EXPECT_EQ(ReadGifLayout(bytes.data(), bytes.size(), layout), GifStatus::Ok);
  std::vector<std::size_t> offsets;
  if (image >= layout.images.size()) return offsets;
  const std::uint8_t flags = bytes[layout.images[image].flagsAt];
  std::size_t at = layout.images[image].flagsAt + 1;
  if (flags & kLocalTable) at += 3 * (std::size_t{2} << (flags & 7));
  for (++at; at < bytes.size() && bytes[at] != 0; at += 1 + bytes[at]) {
    for (std::size_t i = 1; i <= bytes[at] && at + i < bytes.size(); ++i) {
      offsets.push_back(at + i);
    }
  }
  return offsets;
}

// ---- well-formed images ----

TEST(GifImageDecoder, WellFormedImagesAreTheLibrarys) {
  const ImageLibrary library;
  const PictureCase cases[] = {
      {1, 1, 2, Table::Global, true, -1, false},
      {1, 1, 256, Table::Local, true, 255, false},
      {2, 3, 4, Table::Global, true, 0, false},
      {7, 5, 8, Table::Local, true, 3, false},
      {13, 11, 16, Table::None, false, -1, false},  // a grey ramp stands in for a table
      {31, 9, 32, Table::Global, true, -1, false},
      {17, 23, 64, Table::None, true, 40, false},
      {64, 64, 64, Table::Local, true, 10, false},  // 4096 pixels
      {65, 65, 128, Table::Global, false, -1, false},
      {300, 3, 256, Table::Global, true, 200, false},
      {257, 40, 256, Table::Local, false, -1, false},  // the table fills and clears again
      {333, 17, 2, Table::None, true, 1, false},
      {199, 21, 4, Table::Local, true, 2, true},
      {120, 41, 256, Table::Global, true, 7, true},
  };
  unsigned variant = 1;
  for (const PictureCase& c : cases) {
    EXPECT_TRUE(DecodeAndCheck(testgif::EncodeGif(Describe(c, variant++)), 0, Name(c))) << Name(c);
  }
}

// Interlaced images of every height up to 20 show the same picture as their twins stored row
// by row, including heights 2 to 4, which the library itself gets wrong.
TEST(GifImageDecoder, InterlacedImagesMatchTheirTwinsStoredRowByRow) {
  const ImageLibrary library;
  for (int height = 1; height <= 20; ++height) {
    const PictureCase c = {7, height, 16, Table::Global, true, height % 3 == 0 ? 5 : -1, true};
    const GifDescription interlaced = Describe(c, 100 + height);
    GifDescription twin = interlaced;
    twin.frames[0].interlaced = false;
    const Bytes bytes = testgif::EncodeGif(interlaced);
    GifImagePixels pixels, stored;
    GifDecodeScratch scratch;
    ASSERT_TRUE(DecodeAndCheck(bytes, 0, Name(c), pixels, scratch)) << Name(c);
    ASSERT_TRUE(LoadWithLibrary(testgif::EncodeGif(twin), 0, stored));
    EXPECT_EQ(Differences(pixels, stored), "") << Name(c) << ", against the twin";
  }
}

// Each image of a file is decoded with its own table and its own control block: a control
// block does not reach past the image it precedes.
TEST(GifImageDecoder, EveryImageOfAFileIsTheLibrarys) {
  const ImageLibrary library;
  GifDescription gif;
  gif.width = 40;
  gif.height = 30;
  gif.globalPalette = Colours(16, 3);
  const auto frame = [](int width, int height, int colours, unsigned variant) {
    GifFrame f;
    f.width = width;
    f.height = height;
    f.indices = Picture(width, height, colours, variant);
    return f;
  };
  GifFrame first = frame(40, 30, 16, 1);
  first.transparentIndex = 9;
  GifFrame second = frame(11, 3, 64, 2);
  second.localPalette = Colours(64, 77);
  second.interlaced = true;
  second.hasControlExtension = false;
  GifFrame third = frame(25, 12, 16, 3);
  GifFrame fourth = frame(9, 9, 4, 4);
  fourth.localPalette = Colours(4, 200);
  fourth.transparentIndex = 3;
  fourth.interlaced = true;
  gif.frames = {first, second, third, fourth};
  const Bytes bytes = testgif::EncodeGif(gif);
  GifImagePixels pixels;
  GifDecodeScratch scratch;
  for (std::size_t i = 0; i < gif.frames.size(); ++i) {
    EXPECT_TRUE(DecodeAndCheck(bytes, i, "image " + std::to_string(i), pixels, scratch)) << i;
  }
  EXPECT_FALSE(DecodeAndCheck(bytes, gif.frames.size(), "past the last image"));
}

// ---- hand-made code streams ----

enum class Verdict { Accepted, Refused };

struct StreamCase {
  const char* name;
  int width, height;
  std::function<Codes()> codes;
  Verdict verdict;
  int reach;                    // pixels up to the last one not 0, when accepted
  std::size_t blockSize = 255;  // 0: the first sub-block ends where the codes were marked
};

// A stream longer than one sub-block: literals and codes for entries made just before.
Codes Varied(int pixels) {
  Codes codes(2);
  codes.Clear();
  for (int i = 0; codes.Pixels() < pixels; ++i) {
    if (i % 5 == 4 && codes.Next() > 12) {
      codes.Code(codes.Next() - 1 - i % 7);
    } else {
      codes.Code(1 + i % 3);
    }
  }
  codes.End();
  return codes;
}

// Literals, then codes each naming the entry it makes, so that every string is one pixel longer
// than the one before, up to the first code that takes the pixels past `pixels`.
Codes Growing(int literals, int pixels) {
  Codes codes(2);
  codes.Clear().Literals(literals);
  while (codes.Pixels() <= pixels) codes.Code(codes.Next());
  return codes;
}

// Growing codes whose last one ends in the same byte as the end code after it.
Codes SharedLastByte() {
  for (int literals = 1; literals < 64; ++literals) {
    Codes codes = Growing(literals, 4096);
    const long end = codes.Bits() + codes.Width();
    if ((codes.Bits() - 1) / 8 == (end - 1) / 8) return codes.End();
  }
  ADD_FAILURE() << "no run of literals puts the last code in the end code's byte";
  return Codes(2);
}

TEST(GifImageDecoder, HandMadeCodeStreams) {
  const ImageLibrary library;
  using V = Verdict;
  const StreamCase cases[] = {
      {"the table fills and 12-bit codes go on without a clear", 80, 60,
       [] { return Codes(2).Clear().Literals(4200).Code(4095).Code(100).Literals(50).End(); },
       V::Accepted, 4254},
      {"a clear code mid-stream", 10, 10,
       [] { return Codes(2).Clear().Literals(30).Clear().Literals(30).Code(6).Code(7).End(); },
       V::Accepted, 64},
      {"no clear code at the start", 8, 8, [] { return Codes(2).Literals(40).Code(6).End(); },
       V::Accepted, 42},
      {"an end code before the last pixel", 8, 8,
       [] { return Codes(2).Clear().Literals(10).End().Literals(10); }, V::Accepted, 10},
      {"no end code", 8, 8, [] { return Codes(2).Clear().Literals(20); }, V::Accepted, 20},
      {"more pixels than the image holds", 8, 4, [] { return Codes(2).Clear().Literals(50).End(); },
       V::Accepted, 32},
      {"a code past the next free one ends the data", 8, 8,
       [] {
         Codes codes(2);
         codes.Clear().Literals(8);
         return codes.Raw(codes.Next() + 1).Literals(10).End();
       },
       V::Accepted, 8},
      // The library decodes each sub-block into a buffer of 4096 pixels. A string that does not
      // fit waits there for the next byte; when its code ends in the last byte of the data, no
      // byte comes, and the string is lost.
      {"a string past the library's buffer in the last byte, no end code", 100, 100,
       [] { return Growing(1, 4096); }, V::Accepted, 4095},
      {"a string past the library's buffer in the last byte, with the end code", 100, 100,
       [] { return SharedLastByte(); }, V::Accepted, 4009},
      {"a string past the library's buffer at the end of a sub-block that is not the last", 100,
       100, [] { return Growing(1, 4096).Mark().Literals(30).End(); }, V::Accepted, 4216, 0},
      {"a code for the next free entry after a code (KwKwK)", 4, 4,
       [] { return Codes(2).Clear().Code(1).Code(2).Code(6).Code(8).Code(9).End(); }, V::Accepted,
       11},
      {"bytes after the end code", 8, 8,
       [] {
         return Codes(2).Clear().Literals(20).End().Literals(9).Trailing({0xFF, 0x13, 0x37});
       },
       V::Accepted, 20},
      {"sub-blocks of 1 byte", 40, 30, [] { return Varied(1200); }, V::Accepted, 1200, 1},
      {"sub-blocks of 2 bytes", 40, 30, [] { return Varied(1200); }, V::Accepted, 1200, 2},
      {"sub-blocks of 7 bytes", 40, 30, [] { return Varied(1200); }, V::Accepted, 1200, 7},
      {"sub-blocks of 254 bytes", 40, 30, [] { return Varied(1200); }, V::Accepted, 1200, 254},
      {"sub-blocks of 255 bytes", 40, 30, [] { return Varied(1200); }, V::Accepted, 1200, 255},
      {"the next free code first of all", 8, 8, [] { return Codes(2).Code(6).Literals(9).End(); },
       V::Refused, 0},
      {"the next free code right after the first clear", 8, 8,
       [] { return Codes(2).Clear().Code(6).Literals(9).End(); }, V::Refused, 0},
      {"the next free code right after a clear mid-stream", 8, 8,
       [] { return Codes(2).Clear().Literals(20).Clear().Code(6).Literals(9).End(); }, V::Refused,
       0},
      {"the next free code after a clear once the table was full", 80, 60,
       [] { return Codes(2).Clear().Literals(4100).Clear().Code(6).Literals(9).End(); }, V::Refused,
       0},
  };
  for (const StreamCase& c : cases) {
    HandMade gif;
    gif.width = c.width;
    gif.height = c.height;
    const Codes codes = c.codes();
    gif.data = codes.Data();
    gif.blockSize = c.blockSize > 0 ? c.blockSize : codes.Marked();
    GifImagePixels pixels;
    GifDecodeScratch scratch;
    const bool accepted = DecodeAndCheck(gif.Encode(), 0, c.name, pixels, scratch);
    EXPECT_EQ(accepted, c.verdict == V::Accepted) << c.name;
    if (accepted) {
      EXPECT_EQ(Reach(pixels), c.reach) << c.name;
    }
  }
}

// Random changes to the bytes inside the data sub-blocks of a few pictures: whatever the
// decoder takes on must be what the library makes of it, and most changes are taken on.
TEST(GifImageDecoder, ChangedDataAreTheLibrarysWheneverTakenOn) {
  const ImageLibrary library;
  const PictureCase pictures[] = {
      {48, 40, 4, Table::Global, true, 1, false},
      {40, 30, 16, Table::Local, true, -1, true},
      {70, 64, 256, Table::Global, false, -1, false},  // the table fills and clears
      {33, 21, 8, Table::None, true, 5, false},
      {25, 3, 32, Table::Global, true, -1, true},  // shown to the library in stored order
      {9, 7, 64, Table::Local, true, 60, false},
      {150, 80, 4, Table::Global, true, 3, false, true},  // long strings, over 4096 a block
  };
  constexpr int kChangesPerPicture = 600;
  // Under the address sanitizer a library load takes tens of milliseconds (its code table
  // set-up fills 4 MB of fresh memory): there every change is decoded, and one in 25 compared.
#ifdef VORLIX_ASAN
  constexpr int kCompareEvery = 25;
#else
  constexpr int kCompareEvery = 1;
#endif
  std::mt19937 rng(2024);
  int accepted = 0, refused = 0;
  GifImagePixels pixels;
  GifDecodeScratch scratch;  // shared, as from frame to frame
  unsigned variant = 500;
  for (const PictureCase& picture : pictures) {
    const Bytes original = testgif::EncodeGif(Describe(picture, variant++));
    const std::vector<std::size_t> data = DataBytes(original, 0);
    ASSERT_FALSE(data.empty()) << Name(picture);
    for (int n = 0; n < kChangesPerPicture && !HasFailure(); ++n) {
      Bytes bytes = original;
      std::string changes;
      for (int k = static_cast<int>(rng() % 3); k >= 0; --k) {
        const std::size_t at = data[rng() % data.size()];
        if (rng() % 2 == 0) {
          bytes[at] ^= static_cast<std::uint8_t>(1 << rng() % 8);
        } else {
          bytes[at] = static_cast<std::uint8_t>(rng());
        }
        changes += " [" + std::to_string(at) + "]=" + std::to_string(bytes[at]);
      }
      const std::string label = Name(picture) + ", bytes changed:" + changes;
      const bool compare = n % kCompareEvery == 0;
      ++(DecodeAndCheck(bytes, 0, label, pixels, scratch, compare) ? accepted : refused);
    }
  }
  if (HasFailure()) return;
  RecordProperty("accepted", accepted);
  RecordProperty("refused", refused);
  EXPECT_GT(accepted * 3, accepted + refused) << accepted << " taken on, " << refused << " not";
}

// ---- what is left to the library ----

struct FileCase {
  const char* name;
  std::function<void(HandMade&)> change;
  Verdict verdict;
  int transparent = -1;  // when accepted
};

TEST(GifImageDecoder, ImagesLeftToTheLibrary) {
  const ImageLibrary library;
  using V = Verdict;
  const FileCase cases[] = {
      {"code size 0", [](HandMade& g) { g.codeSize = 0; }, V::Refused},
      {"code size 1", [](HandMade& g) { g.codeSize = 1; }, V::Refused},
      {"code size 9", [](HandMade& g) { g.codeSize = 9; }, V::Refused},
      {"code size 12", [](HandMade& g) { g.codeSize = 12; }, V::Refused},
      {"code size 255", [](HandMade& g) { g.codeSize = 255; }, V::Refused},
      {"a control block of 0 bytes", [](HandMade& g) { g.before = ControlBlock(0, -1); },
       V::Refused},
      {"a control block of 3 bytes", [](HandMade& g) { g.before = ControlBlock(3, 2); },
       V::Refused},
      {"an image 0 pixels wide", [](HandMade& g) { g.width = 0; }, V::Refused},
      {"an image 0 pixels high", [](HandMade& g) { g.height = 0; }, V::Refused},
      {"a control block of 4 bytes", [](HandMade&) {}, V::Accepted, 2},
      {"a control block of 6 bytes", [](HandMade& g) { g.before = ControlBlock(6, 3); },
       V::Accepted, 3},
      {"no transparency", [](HandMade& g) { g.before = ControlBlock(4, -1); }, V::Accepted, -1},
      {"no control block", [](HandMade& g) { g.before.clear(); }, V::Accepted, -1},
      {"a comment between the control block and the image",
       [](HandMade& g) { g.before.insert(g.before.end(), kComment.begin(), kComment.end()); },
       V::Accepted, 2},
      {"two control blocks: the later one counts",
       [](HandMade& g) {
         const Bytes later = ControlBlock(4, 1);
         g.before.insert(g.before.end(), later.begin(), later.end());
       },
       V::Accepted, 1},
  };
  for (const FileCase& c : cases) {
    HandMade gif;
    gif.data = Codes(2).Clear().Literals(70).End().Data();
    c.change(gif);
    GifImagePixels pixels;
    GifDecodeScratch scratch;
    const bool accepted = DecodeAndCheck(gif.Encode(), 0, c.name, pixels, scratch);
    EXPECT_EQ(accepted, c.verdict == Verdict::Accepted) << c.name;
    if (accepted) {
      EXPECT_EQ(pixels.transparent, c.transparent) << c.name;
    }
  }
  // A file that ends inside the image's data.
  HandMade gif;
  gif.data = Codes(2).Clear().Literals(70).End().Data();
  Bytes cut = gif.Encode();
  cut.resize(cut.size() - 8);
  GifLayout layout;
  ASSERT_EQ(ReadGifLayout(cut.data(), cut.size(), layout), GifStatus::Ok);
  GifImagePixels pixels;
  GifDecodeScratch scratch;
  EXPECT_FALSE(DecodeGifImage(cut.data(), cut.size(), layout, 0, pixels, scratch));
}

// ---- memory ----

// Starts the process's peak resident memory afresh (Linux: VmHWM, reset through clear_refs);
// false where that cannot be done.
bool ResetPeakResident() {
  std::ofstream clear("/proc/self/clear_refs");
  return static_cast<bool>(clear << "5" << std::flush);
}

// The peak resident memory in kB since the last reset, -1 where it cannot be read.
long PeakResidentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// Sub-blocks after the end code, or after the frame's last pixel, are not read: however many
// there are, the decoder keeps no more than the frame's pixels, and the process's peak memory
// does not grow with them.
TEST(GifImageDecoder, SubBlocksAfterTheEndCostNoMemory) {
  const ImageLibrary library;
  constexpr int kWidth = 64, kHeight = 48;
  constexpr std::size_t kPixels = std::size_t{kWidth} * kHeight;
  HandMade full;
  full.width = kWidth;
  full.height = kHeight;
  full.data = Codes(2).Clear().Literals(3500).Data();  // no end code, past the last pixel
  const std::pair<const char*, Bytes> cases[] = {
      {"after the end code",
       testgif::EncodeGif(Describe({kWidth, kHeight, 16, Table::Global, true, -1, false}, 7))},
      {"after the end code, interlaced",
       testgif::EncodeGif(Describe({kWidth, kHeight, 16, Table::Local, true, 3, true}, 8))},
      {"after the last pixel", full.Encode()},
  };
  Bytes tail(std::size_t{8} << 20);  // 4 million sub-blocks of one byte
  for (std::size_t i = 0; i < tail.size(); ++i) tail[i] = i % 2 == 0 ? 1 : 0xFF;
  for (const auto& [name, gif] : cases) {
    Bytes bytes = gif;
    const std::size_t terminator = DataBytes(bytes, 0).back() + 1;
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(terminator), tail.begin(), tail.end());
    GifLayout layout;
    ASSERT_EQ(ReadGifLayout(bytes.data(), bytes.size(), layout), GifStatus::Ok) << name;
    GifImagePixels pixels;
    GifDecodeScratch scratch;
    const bool peakKnown = ResetPeakResident();
    const long before = PeakResidentKb();
    EXPECT_TRUE(DecodeGifImage(bytes.data(), bytes.size(), layout, 0, pixels, scratch)) << name;
    const long growth = PeakResidentKb() - before;
    if (peakKnown && before >= 0) {
      EXPECT_LT(growth, 2048) << name << ": peak grew by " << growth << " kB";
    }
    EXPECT_LE(pixels.indices.capacity(), kPixels) << name;
    EXPECT_LE(scratch.stored.capacity(), kPixels) << name;
    EXPECT_TRUE(DecodeAndCheck(bytes, 0, name, pixels, scratch)) << name;
  }
}

}  // namespace
}  // namespace vorlix
