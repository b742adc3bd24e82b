// Turning a sampled frame into the packed cell data of one pattern.
#pragma once

#include <cstdint>

#include "convert/xm/frame_grid.h"
#include "convert/xm/xm_writer.h"

namespace vorlix {

// Two decimal digits in one byte: tens in the high nibble, units in the low one (63 -> 0x63).
std::uint8_t PackedDecimal(int x);

// Appends the packed cells of the grid to `out`, cell by cell in index order.
void EncodeFrame(const FrameGrid& grid, const ConversionSettings& settings, PatternBytes& out);

}  // namespace vorlix
