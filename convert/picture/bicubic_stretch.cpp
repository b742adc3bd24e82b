#include "convert/picture/bicubic_stretch.h"

#include <algorithm>

namespace vorlix {

PictureStatus BicubicStretch::Make(int sourceWidth, int sourceHeight, int width, int height,
                                   StretchLayout layout, std::optional<BicubicStretch>& stretch) {
  if (sourceWidth < 1 || sourceHeight < 1 || width < 1 || height < 1) {
    return PictureStatus::Unsupported;
  }
  const StretchPassSet fromSource =
      PickStretchPasses(layout.channels, layout.sourceStep, layout.plainVectors);
  const StretchPassSet fromMiddle =
      PickStretchPasses(layout.channels, layout.channels, layout.plainVectors);
  if (fromSource.copy == nullptr || fromMiddle.copy == nullptr) return PictureStatus::Unsupported;
  stretch =
      BicubicStretch(sourceWidth, sourceHeight, width, height, layout, fromSource, fromMiddle);
  return PictureStatus::Ok;
}

BicubicStretch::BicubicStretch(int sourceWidth, int sourceHeight, int width, int height,
                               StretchLayout layout, StretchPassSet fromSource,
                               StretchPassSet fromMiddle)
    : sourceWidth_(sourceWidth),
      sourceHeight_(sourceHeight),
      width_(width),
      height_(height),
      layout_(layout),
      fromSource_(fromSource),
      fromMiddle_(fromMiddle) {
  const bool sameWidth = width == sourceWidth, sameHeight = height == sourceHeight;
  if (sameWidth && sameHeight) {
    passes_ = StretchPasses::Copy;
  } else if (sameWidth) {
    passes_ = StretchPasses::Vertical;
  } else if (sameHeight) {
    passes_ = StretchPasses::Horizontal;
  } else {
    passes_ = width <= sourceWidth ? StretchPasses::HorizontalFirst : StretchPasses::VerticalFirst;
  }
  if (!sameWidth) columns_ = BicubicTaps(width, sourceWidth);
  if (!sameHeight) rows_ = BicubicTaps(height, sourceHeight);
}

int BicubicStretch::intermediateWidth() const {
  if (passes_ == StretchPasses::HorizontalFirst) return width_;
  return passes_ == StretchPasses::VerticalFirst ? sourceWidth_ : 0;
}

int BicubicStretch::intermediateHeight() const {
  if (passes_ == StretchPasses::HorizontalFirst) return sourceHeight_;
  return passes_ == StretchPasses::VerticalFirst ? height_ : 0;
}

void BicubicStretch::Stretch(ConstPixelRows source, PixelRows intermediate,
                             PixelRows output) const {
  Run(source, intermediate, output, {0, 0, intermediateWidth(), intermediateHeight()},
      {0, 0, width_, height_});
}

void BicubicStretch::Update(ConstPixelRows source, MemoryRect changed, PixelRows intermediate,
                            PixelRows output) const {
  const MemoryRect part = Clip(changed);
  if (!part.Empty())
    Run(source, intermediate, output, ReachedIntermediate(part), ReachedOutput(part));
}

void BicubicStretch::Run(ConstPixelRows source, PixelRows intermediate, PixelRows output,
                         MemoryRect middlePart, MemoryRect outputPart) const {
  const auto run = [](StretchPass pass, const StretchTaps& taps, ConstPixelRows from, PixelRows to,
                      MemoryRect part) {
    if (!part.Empty()) pass(taps, from, to, part);
  };
  switch (passes_) {
    case StretchPasses::Copy:
      run(fromSource_.copy, rows_, source, output, outputPart);
      break;
    case StretchPasses::Horizontal:
      run(fromSource_.alongRows, columns_, source, output, outputPart);
      break;
    case StretchPasses::Vertical:
      run(fromSource_.downColumns, rows_, source, output, outputPart);
      break;
    case StretchPasses::HorizontalFirst:
      run(fromSource_.alongRows, columns_, source, intermediate, middlePart);
      run(fromMiddle_.downColumns, rows_, AsConst(intermediate), output, outputPart);
      break;
    case StretchPasses::VerticalFirst:
      run(fromSource_.downColumns, rows_, source, intermediate, middlePart);
      run(fromMiddle_.alongRows, columns_, AsConst(intermediate), output, outputPart);
      break;
  }
}

// In the first pass the change reaches the intermediate pixels whose taps read it, along one
// axis; in the second, the output pixels whose taps read those, along the other.
MemoryRect BicubicStretch::ReachedIntermediate(MemoryRect changed) const {
  const MemoryRect part = Clip(changed);
  if (part.Empty()) return {};
  if (passes_ == StretchPasses::HorizontalFirst) return ReachColumns(part);
  return passes_ == StretchPasses::VerticalFirst ? ReachRows(part) : MemoryRect{};
}

MemoryRect BicubicStretch::ReachedOutput(MemoryRect changed) const {
  const MemoryRect part = Clip(changed);
  if (part.Empty()) return {};
  switch (passes_) {
    case StretchPasses::Copy:
      return part;
    case StretchPasses::Horizontal:
      return ReachColumns(part);
    case StretchPasses::Vertical:
      return ReachRows(part);
    default:
      return ReachColumns(ReachRows(part));
  }
}

MemoryRect BicubicStretch::Clip(MemoryRect r) const {
  r.left = std::max(r.left, 0);
  r.top = std::max(r.top, 0);
  r.right = std::min(r.right, sourceWidth_);
  r.bottom = std::min(r.bottom, sourceHeight_);
  return r.Empty() ? MemoryRect{} : r;
}

MemoryRect BicubicStretch::ReachColumns(MemoryRect r) const {
  columns_.Reach(r.left, r.right, r.left, r.right);
  return r.Empty() ? MemoryRect{} : r;
}

MemoryRect BicubicStretch::ReachRows(MemoryRect r) const {
  rows_.Reach(r.top, r.bottom, r.top, r.bottom);
  return r.Empty() ? MemoryRect{} : r;
}

}  // namespace vorlix
