// Writing the module: the 336-byte header, one pattern block per frame, and the 303-byte
// instrument block, each laid out field by field.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "convert/xm/xm_format.h"
#include "settings/conversion_settings.h"

namespace vorlix {

using ModuleHeader = std::array<std::uint8_t, kModuleHeaderSize>;
// The packed cell data of one frame's pattern, in the order it is written.
using PatternBytes = std::vector<std::uint8_t>;

// The module header for a module of `frameCount` patterns (0 to MaxFrames), with the Speed,
// Tempo and Width of the settings.
ModuleHeader BuildModuleHeader(const ConversionSettings& settings, int frameCount);

// Appends one pattern block (9 header bytes, then the packed data) to a byte buffer.
void AppendPatternBlock(std::vector<std::uint8_t>& out, std::int32_t rows,
                        const PatternBytes& bytes);

// Stream forms of the three pieces. Each returns false when the stream reported a write error.
bool WriteModuleHeader(std::FILE* out, const ModuleHeader& header);
bool WritePatternBlock(std::FILE* out, std::int32_t rows, const PatternBytes& bytes);
bool WriteInstrumentBlock(std::FILE* out);

// A whole module in memory: the header for frames.size() frames, one pattern block per frame of
// packed data, and the instrument block.
std::vector<std::uint8_t> BuildModule(const ConversionSettings& settings,
                                      const std::vector<PatternBytes>& frames);

}  // namespace vorlix
