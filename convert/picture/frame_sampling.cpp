#include "convert/picture/frame_sampling.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "convert/picture/dithering.h"

namespace vorlix {
namespace {

void SetBreakMarks(const ConversionSettings& settings, FrameGrid& grid) {
  if (!settings.BreakPatterns) return;
  const int index = BreakCellIndex(settings);
  if (index >= 0 && index < static_cast<int>(grid.cells.size())) {
    grid.cells[index] = FrameCell{{0, 0, 0, 1}};
  }
}

}  // namespace

std::int32_t MarkFromIndex(std::uint8_t index, const ConversionSettings& settings) {
  return settings.InverseColors ? index : 1 - index;
}

PictureStatus SampleImage(FIBITMAP* picture, const ConversionSettings& settings, FrameGrid& grid) {
  PictureStatus status = PictureStatus::Ok;
  const Bitmap stretched = StretchToGrey(picture, settings.Width, settings.Height, status);
  if (status != PictureStatus::Ok) return status;
  return SampleStretched(stretched.get(), settings, grid);
}

PictureStatus SampleStretched(FIBITMAP* stretched, const ConversionSettings& settings,
                              FrameGrid& grid) {
  std::fill(grid.cells.begin(), grid.cells.end(), FrameCell{});
  const int width = settings.Width;
  const int height = settings.Height;
  const OneBitPicture reduced =
      ReduceToOneBit(stretched, settings.Threshold, settings.Picture.Dither);
  const Bitmap bits(reduced.bits);
  // The library stretches and reduces every picture it can hold; no result means it ran out of
  // memory, and a blank frame would be a silently wrong module.
  if (reduced.status != PictureStatus::Ok) return reduced.status;
  const bool readable = bits && FreeImage_GetBPP(bits.get()) == 1 &&
                        static_cast<int>(FreeImage_GetWidth(bits.get())) == width &&
                        static_cast<int>(FreeImage_GetHeight(bits.get())) == height;
  if (readable) {
    // One-bit scan lines hold eight pixels a byte, the leftmost in the high bit; scan line 0 is
    // the bottom of the picture, so grid row k is scan line Height - 1 - k.
    for (int k = 0; k < grid.rows; ++k) {
      const BYTE* line = FreeImage_GetScanLine(bits.get(), height - 1 - k);
      FrameCell* row = &grid.cells[static_cast<std::size_t>(k) * grid.channels];
      for (int n = 0; n < grid.channels; ++n) {
        for (int m = 0; m < kPixelsPerCell; ++m) {
          const int x = kPixelsPerCell * n + m;
          const auto index = static_cast<std::uint8_t>((line[x >> 3] >> (7 - (x & 7))) & 1);
          row[n].m[m] = MarkFromIndex(index, settings);
        }
      }
    }
  }
  SetBreakMarks(settings, grid);
  return PictureStatus::Ok;
}

SamplingBuffers::~SamplingBuffers() {
  if (copy_ != nullptr) FreeImage_Unload(copy_);
  if (rgb_ != nullptr) FreeImage_Unload(rgb_);
}

namespace {
bool SameShape(FIBITMAP* a, FIBITMAP* b) {
  return a != nullptr && FreeImage_GetWidth(a) == FreeImage_GetWidth(b) &&
         FreeImage_GetHeight(a) == FreeImage_GetHeight(b);
}
}  // namespace

PictureStatus SamplingBuffers::Copy(FIBITMAP* picture, const Rect* changed, FIBITMAP*& copy) {
  copy = nullptr;
  if (picture == nullptr) return PictureStatus::Ok;
  const bool fits = SameShape(copy_, picture) &&
                    FreeImage_GetBPP(copy_) == FreeImage_GetBPP(picture) &&
                    FreeImage_GetPitch(copy_) == FreeImage_GetPitch(picture) &&
                    FreeImage_GetColorsUsed(copy_) == 0 && FreeImage_GetColorsUsed(picture) == 0;
  if (!fits) {
    // The first frame: a full clone, which also carries everything but the pixels.
    if (copy_ != nullptr) FreeImage_Unload(copy_);
    copy_ = FreeImage_Clone(picture);
    copy = copy_;
    return copy_ != nullptr ? PictureStatus::Ok : PictureStatus::NoMemory;
  }
  copy = copy_;
  const unsigned step = FreeImage_GetBPP(picture) / 8;
  if (changed == nullptr || step == 0) {
    std::memcpy(
        FreeImage_GetBits(copy_), FreeImage_GetBits(picture),
        static_cast<std::size_t>(FreeImage_GetPitch(picture)) * FreeImage_GetHeight(picture));
    return PictureStatus::Ok;
  }
  const int width = static_cast<int>(FreeImage_GetWidth(picture));
  const int height = static_cast<int>(FreeImage_GetHeight(picture));
  const Rect part = *changed;
  const int left = std::max(part.left, 0), right = std::min(part.right, width);
  if (left >= right) return PictureStatus::Ok;
  const std::size_t offset = static_cast<std::size_t>(left) * step;
  const std::size_t bytes = static_cast<std::size_t>(right - left) * step;
  // Scan lines run from the bottom row up.
  for (int y = std::max(part.top, 0); y < std::min(part.bottom, height); ++y) {
    const unsigned line = static_cast<unsigned>(height - 1 - y);
    std::memcpy(FreeImage_GetScanLine(copy_, line) + offset,
                FreeImage_GetScanLine(picture, line) + offset, bytes);
  }
  return PictureStatus::Ok;
}

FIBITMAP* SamplingBuffers::WithoutAlpha(FIBITMAP* picture) {
  if (picture == nullptr || FreeImage_GetBPP(picture) != 32 ||
      FreeImage_GetImageType(picture) != FIT_BITMAP) {
    return picture;
  }
  const unsigned width = FreeImage_GetWidth(picture), height = FreeImage_GetHeight(picture);
  if (!SameShape(rgb_, picture)) {
    if (rgb_ != nullptr) FreeImage_Unload(rgb_);
    rgb_ = FreeImage_Allocate(width, height, 24);
    if (rgb_ == nullptr) return picture;
  }
  for (unsigned y = 0; y < height; ++y) {
    const BYTE* from = FreeImage_GetScanLine(picture, y);
    BYTE* to = FreeImage_GetScanLine(rgb_, y);
    for (unsigned x = 0; x < width; ++x, from += 4, to += 3) {
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
    }
  }
  return rgb_;
}

}  // namespace vorlix
