// The block structure of a GIF file, read without decoding any pixels: the logical screen, the
// global colour table and where each image lies and how it is disposed of. An image is one image
// descriptor with its data in the file; a frame is the canvas after an image has been drawn onto
// it (one frame per image); the image library calls an image a page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "convert/gif/gif_status.h"

namespace vorlix {

// What happens to an image's place before the next image is drawn. The file's three bits may hold
// 4 to 7 too; those, like Unspecified, act as Keep.
enum class GifDisposal : std::uint8_t {
  Unspecified = 0,  // the control block names none
  Keep = 1,         // left in place
  Background = 2,   // cleared to the background
  Previous = 3,     // restored to what was under it
};

struct GifColour {
  std::uint8_t red = 0, green = 0, blue = 0;
};

// A stretch of the file: bytes begin to end, end excluded.
struct GifByteRange {
  std::size_t begin = 0, end = 0;
};

// What the file says about one image.
struct GifImageLayout {
  bool complete = false;  // the whole descriptor could be read
  int left = 0, top = 0, width = 0, height = 0;
  bool hasControlExtension = false;
  GifDisposal disposal = GifDisposal::Unspecified;  // Keep without a control extension
  int delay = 0;  // hundredths of a second, from the control extension; 0 without one
  bool interlaced = false;
  std::size_t flagsAt = 0;  // offset of the descriptor's flags byte
  // Offset of the code size byte that starts the image's data; 0 when the data run past the end.
  std::size_t dataAt = 0;
  int transparent = -1;       // the index the control block makes transparent, -1 for none
  bool shortControl = false;  // the control block is shorter than its four bytes
};

struct GifLayout {
  int width = 0, height = 0;  // logical screen
  int backgroundIndex = 0;
  std::vector<GifColour> globalPalette;
  std::vector<GifImageLayout> images;
  // Set when the walk stopped at an image past the limit it was given: the file holds more
  // images than `images`, and the data of the last of those end at offset `imagesEnd`.
  bool moreImages = false;
  std::size_t imagesEnd = 0;
  // Whole extension blocks that no image depends on, in file order, adjacent ones joined:
  // comments, application and plain-text blocks, blocks of other labels, and each graphic control
  // block that a later one before the same image replaces. The image library keeps what it finds
  // in such blocks and goes over them for every image; shown the file without them, it decodes
  // the same images. At most two stretches per image walked, and one after the last.
  std::vector<GifByteRange> idleBlocks;
};

// Reads the layout of the GIF in `data`. Blocks are walked the same way the image library walks
// them (an unknown block or the end of the data ends the walk), so both see the same images.
// The walk stops at the image descriptor after the first `maxImages` images, so that its cost
// does not grow with the images after them. CannotOpen when the data do not start as a GIF.
GifStatus ReadGifLayout(const std::uint8_t* data, std::size_t size, GifLayout& layout,
                        std::size_t maxImages = SIZE_MAX);

}  // namespace vorlix
