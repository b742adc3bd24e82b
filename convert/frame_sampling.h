// Reading one composed frame into a grid of marks: stretched to Width x Height with the bicubic
// filter, reduced to one bit per pixel at Threshold, four pixels to a cell.
#pragma once

#include <FreeImage.h>

#include <cstdint>

#include "convert/frame_grid.h"
#include "convert/gif_frames.h"

namespace vorlix {

// Mark of a pixel of the one-bit image: its index with InverseColors on, 1 - index otherwise.
std::int32_t MarkFromIndex(std::uint8_t index, const ConversionSettings& settings);

// Fills the grid from a picture of any size and colour depth. A missing picture (nullptr) or one
// the library cannot stretch gives all-zero marks. The break cell gets the break marks
// (0, 0, 0, 1) whenever BreakPatterns is on.
void SampleImage(FIBITMAP* picture, const ConversionSettings& settings, FrameGrid& grid);

// Composes frame j of the GIF and samples it into the grid.
void SampleFrame(GifFrames& pages, int j, const ConversionSettings& settings, FrameGrid& grid);

// A copy of the composed canvas that one thread samples while another composes the next frame.
// Its storage is allocated once and reused for every frame of the same size.
class CanvasCopy {
 public:
  CanvasCopy() = default;
  ~CanvasCopy();
  CanvasCopy(const CanvasCopy&) = delete;
  CanvasCopy& operator=(const CanvasCopy&) = delete;

  // Copies the picture and returns the copy; nullptr when there is no picture or no memory.
  FIBITMAP* Take(FIBITMAP* picture);

 private:
  FIBITMAP* copy_ = nullptr;
};

}  // namespace vorlix
