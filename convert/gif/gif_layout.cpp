#include "convert/gif/gif_layout.h"

#include <array>

namespace vorlix {
namespace {

constexpr std::uint8_t kImageDescriptor = 0x2C;
constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kGraphicControl = 0xF9;
constexpr std::uint8_t kHasColourTable = 0x80;
constexpr std::uint8_t kInterlaced = 0x40;

// Bounds-checked reading of the file's bytes, as a file stream reads: skipping past the end is
// allowed, but every read past the end fails, and after a failure everything fails.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Byte(std::uint8_t& value) {
    if (failed_ || position_ >= size_) {
      failed_ = true;
      return false;
    }
    value = data_[position_++];
    return true;
  }
  bool Word(int& value) {
    std::uint8_t lo = 0, hi = 0;
    if (!Byte(lo) || !Byte(hi)) return false;
    value = lo | (hi << 8);
    return true;
  }
  std::uint64_t Position() const { return position_; }
  bool Skip(std::int64_t count) {
    if (failed_ || (count < 0 && static_cast<std::uint64_t>(-count) > position_)) {
      failed_ = true;
      return false;
    }
    position_ += count;
    return true;
  }
  // Skips a chain of data sub-blocks up to and including the zero-length terminator.
  bool SkipSubBlocks() {
    std::uint8_t size = 0;
    while (Byte(size)) {
      if (size == 0) return true;
      if (!Skip(size)) return false;
    }
    return false;
  }

 private:
  const std::uint8_t* data_;
  std::uint64_t size_;
  std::uint64_t position_ = 0;
  bool failed_ = false;
};

// Number of entries of a colour table whose size field is the low three bits of `packed`.
int ColourTableEntries(std::uint8_t packed) {
  return 2 << (packed & 7);
}

// Signature, logical screen descriptor and global colour table.
bool ReadScreen(ByteReader& in, GifLayout& layout) {
  std::array<std::uint8_t, 6> signature{};
  for (std::uint8_t& b : signature) {
    if (!in.Byte(b)) return false;
  }
  const bool isGif = signature[0] == 'G' && signature[1] == 'I' && signature[2] == 'F' &&
                     signature[3] == '8' && (signature[4] == '7' || signature[4] == '9') &&
                     signature[5] == 'a';
  if (!isGif) return false;
  std::uint8_t packed = 0, background = 0, aspect = 0;
  if (!in.Word(layout.width) || !in.Word(layout.height) || !in.Byte(packed) ||
      !in.Byte(background) || !in.Byte(aspect)) {
    return false;
  }
  layout.backgroundIndex = background;
  if (packed & kHasColourTable) {
    const int size = ColourTableEntries(packed);
    for (int i = 0; i < size; ++i) {
      GifColour colour;
      if (!in.Byte(colour.red) || !in.Byte(colour.green) || !in.Byte(colour.blue)) return false;
      layout.globalPalette.push_back(colour);
    }
  }
  return true;
}

// The graphic control extension that applies to the next image.
struct PendingControl {
  bool present = false;
  GifDisposal disposal = GifDisposal::Unspecified;
  int delay = 0;
  int transparent = -1;
  bool isShort = false;
  GifByteRange block;  // where it lies
};

// Adds a whole block to the idle ones. Blocks come in file order, but for a replaced graphic
// control block, which comes just before the idle blocks that followed it.
void AddIdle(std::vector<GifByteRange>& idle, GifByteRange block) {
  if (!idle.empty() && idle.back().end == block.begin) {
    idle.back().end = block.end;
  } else if (!idle.empty() && idle.back().begin == block.end) {
    idle.back().begin = block.begin;
    if (idle.size() >= 2 && idle[idle.size() - 2].end == block.begin) {
      idle[idle.size() - 2].end = idle.back().end;
      idle.pop_back();
    }
  } else {
    idle.push_back(block);
  }
}

// An image descriptor and its data; false when the walk ends here.
bool ReadImage(ByteReader& in, PendingControl& control, GifLayout& layout) {
  GifImageLayout image;
  image.hasControlExtension = control.present;
  image.disposal = control.present ? control.disposal : GifDisposal::Keep;
  image.delay = control.present ? control.delay : 0;
  image.transparent = control.present ? control.transparent : -1;
  image.shortControl = control.present && control.isShort;
  control = PendingControl{};  // its block stays: this image depends on it
  std::uint8_t packed = 0;
  image.complete = in.Word(image.left) && in.Word(image.top) && in.Word(image.width) &&
                   in.Word(image.height) && in.Byte(packed);
  image.interlaced = (packed & kInterlaced) != 0;
  image.flagsAt = static_cast<std::size_t>(in.Position() - 1);
  layout.images.push_back(image);
  if (!image.complete) return false;
  if (packed & kHasColourTable) in.Skip(3 * ColourTableEntries(packed));
  const auto dataAt = static_cast<std::size_t>(in.Position());
  std::uint8_t minCodeSize = 0;
  if (!in.Byte(minCodeSize) || !in.SkipSubBlocks()) return false;
  layout.images.back().dataAt = dataAt;
  layout.imagesEnd = static_cast<std::size_t>(in.Position());
  return true;
}

// A graphic control extension after its label; false when the walk ends here.
bool ReadControl(ByteReader& in, PendingControl& control) {
  std::uint8_t size = 0, packed = 0;
  if (!in.Byte(size) || !in.Byte(packed)) return false;
  control.present = true;
  control.disposal = static_cast<GifDisposal>((packed >> 2) & 7);
  // The delay follows the packed byte when the block is long enough to hold it.
  int delay = 0;
  control.delay = size >= 3 && in.Word(delay) ? delay : 0;
  // The transparent index follows it in a block of the usual four bytes.
  std::uint8_t index = 0;
  control.isShort = size < 4;
  control.transparent = !control.isShort && in.Byte(index) && (packed & 1) != 0 ? index : -1;
  // Back to just after the size byte, then past that sub-block and the rest.
  if (!in.Skip(size >= 4 ? -4 : size >= 3 ? -3 : -1)) return false;
  if (size == 0) return true;
  return in.Skip(size) && in.SkipSubBlocks();
}

// An extension block, its introducer read; false when the walk ends here.
bool ReadExtension(ByteReader& in, PendingControl& control, GifLayout& layout) {
  const GifByteRange previous = control.block;
  const auto begin = static_cast<std::size_t>(in.Position() - 1);
  std::uint8_t label = 0;
  if (!in.Byte(label)) return false;
  const bool isControl = label == kGraphicControl;
  if (!(isControl ? ReadControl(in, control) : in.SkipSubBlocks())) return false;
  const GifByteRange block{begin, static_cast<std::size_t>(in.Position())};
  if (!isControl) {
    AddIdle(layout.idleBlocks, block);
    return true;
  }
  if (previous.end > previous.begin) AddIdle(layout.idleBlocks, previous);
  control.block = block;
  return true;
}

}  // namespace

GifStatus ReadGifLayout(const std::uint8_t* data, std::size_t size, GifLayout& layout,
                        std::size_t maxImages) {
  ByteReader in(data, size);
  if (!ReadScreen(in, layout)) return GifStatus::CannotOpen;
  PendingControl control;
  std::uint8_t block = 0;
  bool walking = true;
  while (walking && in.Byte(block)) {
    if (block == kImageDescriptor && layout.images.size() >= maxImages) {
      layout.moreImages = true;
      walking = false;
    } else if (block == kImageDescriptor) {
      walking = ReadImage(in, control, layout);
    } else if (block == kExtension) {
      walking = ReadExtension(in, control, layout);
    } else {
      walking = false;  // trailer or an unknown block
    }
  }
  return GifStatus::Ok;
}

}  // namespace vorlix
