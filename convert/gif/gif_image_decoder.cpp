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

// The library expands codes into a buffer of this many pixels, started anew for each data
// sub-block. A string that does not fit is held back until the next byte of data is read, and
// then starts a new buffer; after the last byte it is lost, with all codes after it.
constexpr std::size_t kLibraryBuffer = 4096;

// Expands the LZW codes of an image's data sub-blocks, read where they lie, into `out`, `count`
// bytes, as the library does: the data end at an end code, at a code past the next free one, at a
// string held back after the last byte, or when `out` is full; codes keep 12 bits once the table
// is full. Nothing after the end is read.
class Expander {
 public:
  // `chain` is the length byte of the first sub-block; the chain ends before `size`.
  Expander(const std::uint8_t* data, std::size_t size, std::size_t chain, int minCodeSize,
           std::uint8_t* out, std::size_t count)
      : data_(data),
        size_(size),
        chain_(chain),
        minCodeSize_(minCodeSize),
        clear_(1 << minCodeSize),
        end_(clear_ + 1),
        out_(out),
        count_(count) {
    for (int i = 0; i < clear_; ++i) {
      table_.prefix[i] = 0;
      table_.length[i] = 1;
      table_.first[i] = table_.last[i] = static_cast<std::uint8_t>(i);
    }
    Clear();
  }

  // False when a code names the next free entry with no code before it since a clear, which
  // the library answers from what the table held before.
  bool Run() {
    std::size_t at = chain_;
    // Each sub-block starts a new buffer. A block whose next length byte would lie past the
    // data (the file changed under the layout) ends the chain.
    for (std::size_t length = data_[at]; length != 0 && at + 1 + length < size_;
         length = data_[at]) {
      const std::uint8_t* byte = data_ + at + 1;
      const std::uint8_t* const blockEnd = byte + length;
      at += 1 + length;
      room_ = kLibraryBuffer;
      for (; byte != blockEnd; ++byte) {
        bits_ |= static_cast<std::uint32_t>(*byte) << bitCount_;
        bitCount_ += 8;
        const Step step = TakeCodes();
        if (step == Step::Stale) return false;
        if (step == Step::End) return true;
        if (step == Step::HeldBack) {
          // Lost after the chain's last byte; else it starts a new buffer with the next byte.
          if (byte + 1 == blockEnd && data_[at] == 0) return true;
          room_ = kLibraryBuffer;
        }
      }
    }
    return true;
  }

 private:
  enum class Step { More, End, HeldBack, Stale };

  void Clear() {
    next_ = end_ + 1;
    codeSize_ = minCodeSize_ + 1;
    mask_ = (1 << codeSize_) - 1;
    old_ = kNoCode;
  }

  void Consume() {
    bits_ >>= codeSize_;
    bitCount_ -= codeSize_;
  }

  // Takes every whole code in the bits read so far.
  Step TakeCodes() {
    while (bitCount_ >= codeSize_) {
      const int code = static_cast<int>(bits_ & mask_);
      if (code > next_ || code == end_) return Step::End;
      if (code == clear_) {
        Consume();
        Clear();
        continue;
      }
      if (old_ == kNoCode && code == next_) return Step::Stale;
      const bool adds = old_ != kNoCode && next_ < kMaxCodes;
      const std::size_t length = code == next_ ? table_.length[old_] + 1u : table_.length[code];
      if (length > room_) return Step::HeldBack;  // its bits stay unread
      Consume();
      if (adds) {
        table_.prefix[next_] = static_cast<std::uint16_t>(old_);
        table_.length[next_] = static_cast<std::uint16_t>(table_.length[old_] + 1);
        table_.first[next_] = table_.first[old_];
        table_.last[next_] = code == next_ ? table_.first[old_] : table_.first[code];
      }
      done_ += WriteString(table_, code, out_ + done_, count_ - done_);
      room_ -= length;
      if (done_ == count_) return Step::End;
      if (adds && ++next_ < kMaxCodes && (next_ & mask_) == 0) {
        ++codeSize_;
        mask_ |= next_;
      }
      old_ = code;
    }
    return Step::More;
  }

  static thread_local CodeTable table_;
  const std::uint8_t* const data_;
  const std::size_t size_, chain_;
  const int minCodeSize_, clear_, end_;
  std::uint8_t* const out_;
  const std::size_t count_;
  std::size_t done_ = 0, room_ = 0;
  int next_ = 0, codeSize_ = 0, mask_ = 0, old_ = kNoCode;
  std::uint32_t bits_ = 0;
  int bitCount_ = 0;
};

thread_local CodeTable Expander::table_;

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
  if (index >= gif.images.size()) return false;
  const GifImageLayout& image = gif.images[index];
  if (!image.complete || image.dataAt == 0 || image.dataAt >= size || image.shortControl ||
      image.width <= 0 || image.height <= 0) {
    return false;
  }
  const int minCodeSize = data[image.dataAt];
  if (minCodeSize < 2 || minCodeSize > 8) return false;

  pixels.width = image.width;
  pixels.height = image.height;
  const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  pixels.indices.assign(count, 0);
  const std::size_t chain = image.dataAt + 1;
  if (image.interlaced) {
    scratch.stored.assign(count, 0);
    if (!Expander(data, size, chain, minCodeSize, scratch.stored.data(), count).Run()) {
      return false;
    }
    Deinterlace(scratch.stored.data(), image.width, image.height, pixels.indices.data());
  } else if (!Expander(data, size, chain, minCodeSize, pixels.indices.data(), count).Run()) {
    return false;
  }
  ReadPalette(data, size, gif, image, pixels.palette);
  pixels.transparent = image.transparent;
  return true;
}

}  // namespace vorlix
