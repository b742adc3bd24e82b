// The bicubic stretch of the image library (FreeImage_Rescale with FILTER_BICUBIC), byte for
// byte: the same weight tables, the same pass order, the same double arithmetic in the same
// order, the same rounding into 8 bits after each pass. The tables are built once for a pair of
// sizes and serve every frame; a frame that changed only a rectangle recomputes only the
// intermediate and output pixels whose filter reaches it.
#pragma once

#include <optional>

#include "convert/picture/bicubic_taps.h"
#include "convert/picture/picture_status.h"
#include "convert/picture/pixel_rows.h"
#include "convert/picture/stretch_passes.h"

namespace vorlix {

// What the library does for one pair of sizes: a plain copy when both sizes are equal, one pass
// when one of them is, and otherwise two passes through an 8-bit intermediate picture, the
// horizontal one first unless the picture gets wider.
enum class StretchPasses { Copy, Horizontal, Vertical, HorizontalFirst, VerticalFirst };

// The pixels a stretch reads and writes.
struct StretchLayout {
  int channels = 3;           // bytes filtered per pixel, each on its own: 1, 3 or 4
  int sourceStep = 3;         // bytes per source pixel: `channels`, or 4 for 3 channels (a 32-bit
                              // picture stretched as its 24-bit copy would be)
  bool plainVectors = false;  // never the wider vectors of newer processors (same bytes)
};

class BicubicStretch {
 public:
  // Makes the stretch into `stretch`: all sizes at least 1 and a layout as described there;
  // Unsupported otherwise, `stretch` left as it was. The intermediate and output pictures have
  // `channels` bytes a pixel.
  static PictureStatus Make(int sourceWidth, int sourceHeight, int width, int height,
                            StretchLayout layout, std::optional<BicubicStretch>& stretch);

  StretchPasses passes() const { return passes_; }
  const StretchLayout& layout() const { return layout_; }
  int sourceWidth() const { return sourceWidth_; }
  int sourceHeight() const { return sourceHeight_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Size of the picture between two passes; 0 x 0 when there is a single pass or none.
  int intermediateWidth() const;
  int intermediateHeight() const;

  // Stretches the whole source into `output`, through `intermediate` when there are two passes
  // (ignored otherwise). The caller provides pictures of the sizes above.
  void Stretch(ConstPixelRows source, PixelRows intermediate, PixelRows output) const;

  // After `changed` of the source is all that differs from the source of the last Stretch or
  // Update into the same intermediate and output, brings both up to date by recomputing only
  // the pixels whose filter support reaches the change. Equal to a full Stretch of `source`.
  void Update(ConstPixelRows source, MemoryRect changed, PixelRows intermediate,
              PixelRows output) const;

  // The pixels of the intermediate and output pictures that Update recomputes for `changed`.
  MemoryRect ReachedIntermediate(MemoryRect changed) const;
  MemoryRect ReachedOutput(MemoryRect changed) const;

 private:
  BicubicStretch(int sourceWidth, int sourceHeight, int width, int height, StretchLayout layout,
                 StretchPassSet fromSource, StretchPassSet fromMiddle);
  MemoryRect Clip(MemoryRect changed) const;
  MemoryRect ReachColumns(MemoryRect r) const;
  MemoryRect ReachRows(MemoryRect r) const;
  // Both passes, or the one pass, over the given parts of the intermediate and the output.
  void Run(ConstPixelRows source, PixelRows intermediate, PixelRows output, MemoryRect middlePart,
           MemoryRect outputPart) const;

  int sourceWidth_, sourceHeight_, width_, height_;
  StretchLayout layout_;
  StretchPasses passes_;
  StretchTaps columns_;        // output columns from source columns
  StretchTaps rows_;           // output rows from source rows
  StretchPassSet fromSource_;  // passes reading the source
  StretchPassSet fromMiddle_;  // passes reading the intermediate picture
};

}  // namespace vorlix
