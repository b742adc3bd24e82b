// Reading one composed frame into a grid of marks: stretched to Width x Height with the bicubic
// filter, reduced to one bit per pixel (at Threshold, or by the chosen dither), kPixelsPerCell
// pixels to a cell.
#pragma once

#include <cstdint>

#include "convert/gif/image_library.h"
#include "convert/picture/picture_status.h"
#include "convert/picture/stretch.h"
#include "convert/xm/frame_grid.h"

namespace vorlix {

// Mark of a pixel of the one-bit image: its index with InverseColors on, 1 - index otherwise.
std::int32_t MarkFromIndex(std::uint8_t index, const ConversionSettings& settings);

// Fills the grid from a picture of any size and colour depth: stretched by StretchToGrey, then
// SampleStretched. A missing picture (nullptr) gives all-zero marks; NoMemory when the library
// has no memory to stretch or reduce the picture.
// The break cell gets the break marks (0, 0, 0, 1) whenever BreakPatterns is on.
PictureStatus SampleImage(FIBITMAP* picture, const ConversionSettings& settings, FrameGrid& grid);

// Reduces a picture that StretchToGrey gave for the settings and reads the marks.
PictureStatus SampleStretched(FIBITMAP* stretched, const ConversionSettings& settings,
                              FrameGrid& grid);

// Reusable pictures of one sampling thread, allocated once and kept while the frame size stays.
class SamplingBuffers {
 public:
  SamplingBuffers() = default;
  ~SamplingBuffers();
  SamplingBuffers(const SamplingBuffers&) = delete;
  SamplingBuffers& operator=(const SamplingBuffers&) = delete;

  // A plain copy of the picture, so that the compositor can go on with the next frame while
  // this one is sampled, into `copy`: nullptr when there is no picture, and when there is no
  // memory, which says NoMemory. With `changed`, the picture differs from the one copied last
  // only there (picture coordinates, row 0 at the top), and only that part is copied.
  PictureStatus Copy(FIBITMAP* picture, const Rect* changed, FIBITMAP*& copy);

  // The 24-bit form of a 32-bit picture (other pictures as they are). Stretching and the
  // threshold give the same bits for it as for the 32-bit one, and stretching three channels
  // costs less than four.
  FIBITMAP* WithoutAlpha(FIBITMAP* picture);

 private:
  FIBITMAP* copy_ = nullptr;
  FIBITMAP* rgb_ = nullptr;
};

}  // namespace vorlix
