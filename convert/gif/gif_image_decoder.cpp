#include "convert/gif/gif_image_decoder.h"

#include <algorithm>

namespace vorlix {
namespace {

constexpr int kMaxCodes = 4096;     // codes are at most 12 bits
constexpr int kNoCode = kMaxCodes;  // no previous code: just after a clear code
constexpr std::uint8_t kLocalTable = 0x80;

// The table of strings: each entry is its prefix's string plus one byte.
struct CodeTable {
  std::array<std::uint16_t, kMaxCodes> prefix;
  std::array<std::uint16_t, kMaxCodes> length;
  std::array<std::uint8_t, kMaxCodes> first;  // the string's first byte
  std::array<std::uint8_t, kMaxCodes> last;   // the byte added to the prefix
};

// Writes the string of `code` at `out`, cut to `room` bytes; returns the bytes written.
std::size_t WriteString(const CodeTable& table, int code, std::uint8_t* out, std::size_t room) {
  std::size_t length = table.length[code];
  const std::size_t written = std::min(length, room);
  // The string is spelled backwards from its last byte; bytes past the room are skipped.
  while (length > written) {
    code = table.prefix[code];
    --length;
  }
  for (std::size_t i = written; i-- > 0;) {
    out[i] = table.last[code];
    code = table.prefix[code];
  }
  return written;
}

// Expands the LZW codes in `in` into `out`, `count` bytes, as the library does: the data end at
// an end code, at a code past the next free one, or when `out` is full; codes keep 12 bits once
// the table is full. False when a code names the next free entry with no code before it since a
// clear, which the library answers from what the table held before.
bool Expand(const std::vector<std::uint8_t>& in, int minCodeSize, std::uint8_t* out,
            std::size_t count) {
  static thread_local CodeTable table;
  const int clear = 1 << minCodeSize, end = clear + 1;
  for (int i = 0; i < clear; ++i) {
    table.prefix[i] = 0;
    table.length[i] = 1;
    table.first[i] = table.last[i] = static_cast<std::uint8_t>(i);
  }
  int next = end + 1, codeSize = minCodeSize + 1, mask = (1 << codeSize) - 1, old = kNoCode;
  std::uint32_t bits = 0;
  int bitCount = 0;
  std::size_t done = 0;
  for (const std::uint8_t byte : in) {
    bits |= static_cast<std::uint32_t>(byte) << bitCount;
    bitCount += 8;
    while (bitCount >= codeSize) {
      const int code = static_cast<int>(bits & mask);
      bits >>= codeSize;
      bitCount -= codeSize;
      if (code > next || code == end) return true;
      if (code == clear) {
        next = end + 1;
        codeSize = minCodeSize + 1;
        mask = (1 << codeSize) - 1;
        old = kNoCode;
        continue;
      }
      if (old == kNoCode && code == next) return false;
      const bool adds = old != kNoCode && next < kMaxCodes;
      if (adds) {
        table.prefix[next] = static_cast<std::uint16_t>(old);
        table.length[next] = static_cast<std::uint16_t>(table.length[old] + 1);
        table.first[next] = table.first[old];
        table.last[next] = code == next ? table.first[old] : table.first[code];
      }
      done += WriteString(table, code, out + done, count - done);
      if (done == count) return true;
      if (adds && ++next < kMaxCodes && (next & mask) == 0) {
        ++codeSize;
        mask |= next;
      }
      old = code;
    }
  }
  return true;
}

// The data sub-blocks after the code size byte at `at`, joined. The layout found their end.
void JoinSubBlocks(const std::uint8_t* data, std::size_t at, std::vector<std::uint8_t>& joined) {
  joined.clear();
  for (std::size_t length = data[at]; length != 0; length = data[at]) {
    joined.insert(joined.end(), data + at + 1, data + at + 1 + length);
    at += 1 + length;
  }
}

// The library's pictures start with a grey ramp; the colour table, when there is one, is read
// over its first entries.
void ReadPalette(const std::uint8_t* data, std::size_t size, const GifLayout& gif,
                 const GifImageLayout& image, std::array<RGBQUAD, 256>& palette) {
  for (int i = 0; i < 256; ++i) {
    const auto grey = static_cast<BYTE>(i);
    palette[i] = RGBQUAD{grey, grey, grey, 0};
  }
  const std::uint8_t flags = image.flagsAt < size ? data[image.flagsAt] : 0;
  if (flags & kLocalTable) {
    const std::uint8_t* colour = data + image.flagsAt + 1;
    const int entries = 2 << (flags & 7);
    for (int i = 0; i < entries; ++i, colour += 3) {
      palette[i] = RGBQUAD{colour[2], colour[1], colour[0], 0};
    }
  } else {
    for (std::size_t i = 0; i < gif.globalPalette.size() && i < palette.size(); ++i) {
      const GifColour& c = gif.globalPalette[i];
      palette[i] = RGBQUAD{c.blue, c.green, c.red, 0};
    }
  }
}

// Puts the rows of an interlaced image, decoded in stored order, in their places: every eighth
// row from 0, every eighth from 4, every fourth from 2, then every second from 1.
void Deinterlace(const std::uint8_t* stored, int width, int height, std::uint8_t* rows) {
  static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kStart[pass]; y < height; y += kStep[pass], stored += width) {
      std::copy_n(stored, width, rows + static_cast<std::size_t>(y) * width);
    }
  }
}

}  // namespace

bool DecodeGifImage(const std::uint8_t* data, std::size_t size, const GifLayout& gif,
                    std::size_t index, GifImagePixels& pixels, GifDecodeScratch& scratch) {
  if (index >= gif.frames.size()) return false;
  const GifImageLayout& image = gif.frames[index];
  if (!image.complete || image.dataAt == 0 || image.dataAt >= size || image.shortControl ||
      image.width <= 0 || image.height <= 0) {
    return false;
  }
  const int minCodeSize = data[image.dataAt];
  if (minCodeSize < 2 || minCodeSize > 8) return false;
  JoinSubBlocks(data, image.dataAt + 1, scratch.data);

  pixels.width = image.width;
  pixels.height = image.height;
  const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  pixels.indices.assign(count, 0);
  if (image.interlaced) {
    scratch.stored.assign(count, 0);
    if (!Expand(scratch.data, minCodeSize, scratch.stored.data(), count)) return false;
    Deinterlace(scratch.stored.data(), image.width, image.height, pixels.indices.data());
  } else if (!Expand(scratch.data, minCodeSize, pixels.indices.data(), count)) {
    return false;
  }
  ReadPalette(data, size, gif, image, pixels.palette);
  pixels.transparent = image.transparent;
  return true;
}

}  // namespace vorlix
