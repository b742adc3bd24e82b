// A small GIF89a encoder for tests, benchmarks and sample generation. Files are described frame
// by frame; the writer does real LZW compression and writes exactly what it is told, including
// frames that reach past the logical screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlix::testgif {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<std::uint8_t> indices;  // width*height, row-major, top row first; fewer are
                                      // coded as given, so the image data ends early
  std::vector<Rgb> localPalette;      // empty: no local colour table
  bool hasControlExtension = true;    // false: no graphic control extension before this frame
  int disposal = 0;                   // 0..7, written in the GCE
  int transparentIndex = -1;          // -1: no transparency
  int delayCs = 10;
  bool interlaced = false;
  // When not empty, the image's data are these codes (each below 65536) as they are, after the
  // code size byte `rawCodeSize`, each rawCodeSize + 1 bits wide with 0 in the bits past the 16th;
  // `indices` are not written. For data that no encoder writes.
  std::vector<int> rawCodes;
  int rawCodeSize = 0;
};

struct GifDescription {
  int width = 0, height = 0;       // logical screen
  std::vector<Rgb> globalPalette;  // empty: no global colour table
  int backgroundIndex = 0;
  bool loopExtension = true;  // NETSCAPE2.0 loop block
  std::vector<GifFrame> frames;
};

// Palettes are padded with black to a power of two (2..256 entries); longer ones are cut at 256.
std::vector<std::uint8_t> EncodeGif(const GifDescription& gif);
bool WriteGif(const std::string& path, const GifDescription& gif);

// A frame filled with one index.
GifFrame SolidFrame(int left, int top, int width, int height, std::uint8_t index);

}  // namespace vorlix::testgif
