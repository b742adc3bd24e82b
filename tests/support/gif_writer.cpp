#include "tests/support/gif_writer.h"

#include <algorithm>
#include <fstream>
#include <unordered_map>

namespace vorlix::testgif {
namespace {

constexpr int kMaxLzwCodes = 4096;

void PutU16(std::vector<std::uint8_t>& out, int value) {
  const auto v = static_cast<std::uint16_t>(std::clamp(value, 0, 0xFFFF));
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// Bits needed to address `entries` colours in a table: 1..8.
int TableBits(std::size_t entries) {
  int bits = 1;
  while (bits < 8 && (std::size_t{1} << bits) < entries) ++bits;
  return bits;
}

// Writes the palette padded with black to 2^bits entries.
void PutPalette(std::vector<std::uint8_t>& out, const std::vector<Rgb>& palette, int bits) {
  const std::size_t size = std::size_t{1} << bits;
  for (std::size_t i = 0; i < size; ++i) {
    const Rgb c = i < palette.size() ? palette[i] : Rgb{};
    out.insert(out.end(), {c.r, c.g, c.b});
  }
}

// Packs codes least significant bit first into data sub-blocks of at most 255 bytes.
class CodeWriter {
 public:
  void Put(int code, int width) {
    accumulator_ |= static_cast<std::uint32_t>(code) << bitCount_;
    bitCount_ += width;
    while (bitCount_ >= 8) {
      bytes_.push_back(static_cast<std::uint8_t>(accumulator_ & 0xFF));
      accumulator_ >>= 8;
      bitCount_ -= 8;
    }
  }
  void Finish(std::vector<std::uint8_t>& out) {
    if (bitCount_ > 0) bytes_.push_back(static_cast<std::uint8_t>(accumulator_ & 0xFF));
    for (std::size_t pos = 0; pos < bytes_.size(); pos += 255) {
      const std::size_t n = std::min<std::size_t>(255, bytes_.size() - pos);
      out.push_back(static_cast<std::uint8_t>(n));
      out.insert(out.end(), bytes_.begin() + pos, bytes_.begin() + pos + n);
    }
    out.push_back(0);
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint32_t accumulator_ = 0;
  int bitCount_ = 0;
};

// LZW-compresses `pixels` as GIF image data with the given minimum code size.
void PutLzw(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& pixels,
            int minCodeSize) {
  out.push_back(static_cast<std::uint8_t>(minCodeSize));
  const int clearCode = 1 << minCodeSize;
  const int endCode = clearCode + 1;
  CodeWriter writer;
  std::unordered_map<std::uint32_t, int> table;
  int width = minCodeSize + 1;
  int nextCode = endCode + 1;
  auto reset = [&] {
    table.clear();
    width = minCodeSize + 1;
    nextCode = endCode + 1;
  };
  writer.Put(clearCode, width);
  if (!pixels.empty()) {
    int prefix = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
      const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | pixels[i];
      if (auto found = table.find(key); found != table.end()) {
        prefix = found->second;
        continue;
      }
      writer.Put(prefix, width);
      table.emplace(key, nextCode++);
      // The decoder adds its entry one code later, so it widens when the code after this one
      // could no longer fit.
      if (nextCode > (1 << width) && width < 12) ++width;
      if (nextCode == kMaxLzwCodes) {
        writer.Put(clearCode, width);
        reset();
      }
      prefix = pixels[i];
    }
    writer.Put(prefix, width);
    if (nextCode < kMaxLzwCodes) ++nextCode;
    if (nextCode > (1 << width) && width < 12) ++width;
  }
  writer.Put(endCode, width);
  writer.Finish(out);
}

// The code size byte, then the codes each `codeSize` + 1 bits wide.
void PutRawCodes(std::vector<std::uint8_t>& out, const std::vector<int>& codes, int codeSize) {
  out.push_back(static_cast<std::uint8_t>(codeSize));
  CodeWriter writer;
  for (const int code : codes) {
    const int width = codeSize + 1;
    writer.Put(code & 0xFFFF, std::min(width, 16));
    for (int rest = width - 16; rest > 0; rest -= 16) writer.Put(0, std::min(rest, 16));
  }
  writer.Finish(out);
}

// Row order of an interlaced image: every 8th row from 0, every 8th from 4, every 4th from 2,
// every 2nd from 1.
std::vector<int> RowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(std::max(height, 0)));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  constexpr int kStart[] = {0, 4, 2, 1};
  constexpr int kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
  }
  return rows;
}

void PutFrame(std::vector<std::uint8_t>& out, const GifFrame& frame, std::size_t globalSize) {
  const int width = std::clamp(frame.width, 0, 0xFFFF);
  const int height = std::clamp(frame.height, 0, 0xFFFF);
  if (frame.hasControlExtension) {
    const bool transparent = frame.transparentIndex >= 0;
    out.insert(out.end(), {0x21, 0xF9, 0x04});
    out.push_back(static_cast<std::uint8_t>(((frame.disposal & 7) << 2) | (transparent ? 1 : 0)));
    PutU16(out, frame.delayCs);
    out.push_back(static_cast<std::uint8_t>(transparent ? frame.transparentIndex : 0));
    out.push_back(0);
  }

  // Pixels in file order. Short index data is coded as given, so the image data ends early.
  const std::size_t count = std::min(
      frame.indices.size(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  std::vector<std::uint8_t> pixels;
  pixels.reserve(count);
  for (int y : RowOrder(height, frame.interlaced)) {
    const std::size_t rowStart = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    if (rowStart >= frame.indices.size()) continue;
    const std::size_t rowEnd = std::min(rowStart + width, frame.indices.size());
    pixels.insert(pixels.end(), frame.indices.begin() + rowStart, frame.indices.begin() + rowEnd);
  }
  const std::uint8_t maxIndex =
      pixels.empty() ? 0 : *std::max_element(pixels.begin(), pixels.end());

  out.push_back(0x2C);
  PutU16(out, frame.left);
  PutU16(out, frame.top);
  PutU16(out, width);
  PutU16(out, height);
  std::uint8_t packed = frame.interlaced ? 0x40 : 0x00;
  int tableBits = 0;
  if (!frame.localPalette.empty()) {
    tableBits = TableBits(frame.localPalette.size());
    packed |= static_cast<std::uint8_t>(0x80 | (tableBits - 1));
  }
  out.push_back(packed);
  if (tableBits > 0) PutPalette(out, frame.localPalette, tableBits);

  // The code size must cover both the colour table and every index actually used.
  const std::size_t tableSize = tableBits > 0 ? (std::size_t{1} << tableBits) : globalSize;
  const int minCodeSize =
      std::max(2, TableBits(std::max<std::size_t>(tableSize, std::size_t{maxIndex} + 1)));
  if (frame.rawCodes.empty()) {
    PutLzw(out, pixels, minCodeSize);
  } else {
    PutRawCodes(out, frame.rawCodes, frame.rawCodeSize);
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeGif(const GifDescription& gif) {
  std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  PutU16(out, gif.width);
  PutU16(out, gif.height);
  int globalBits = 0;
  std::uint8_t packed = 0x70;  // 8 bits of colour resolution
  if (!gif.globalPalette.empty()) {
    globalBits = TableBits(gif.globalPalette.size());
    packed |= static_cast<std::uint8_t>(0x80 | (globalBits - 1));
  }
  out.push_back(packed);
  out.push_back(static_cast<std::uint8_t>(std::clamp(gif.backgroundIndex, 0, 255)));
  out.push_back(0);  // pixel aspect ratio
  if (globalBits > 0) PutPalette(out, gif.globalPalette, globalBits);

  if (gif.loopExtension) {
    out.insert(out.end(), {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
                           0x03, 0x01, 0x00, 0x00, 0x00});
  }
  const std::size_t globalSize = globalBits > 0 ? (std::size_t{1} << globalBits) : 0;
  for (const GifFrame& frame : gif.frames) PutFrame(out, frame, globalSize);
  out.push_back(0x3B);
  return out;
}

bool WriteGif(const std::string& path, const GifDescription& gif) {
  const std::vector<std::uint8_t> bytes = EncodeGif(gif);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

GifFrame SolidFrame(int left, int top, int width, int height, std::uint8_t index) {
  GifFrame frame;
  frame.left = left;
  frame.top = top;
  frame.width = width;
  frame.height = height;
  frame.indices.assign(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0), index);
  return frame;
}

}  // namespace vorlix::testgif
