// The straightforward conversion, kept as a reference: every frame is fetched composed by the
// image library's playback mode, stretched, reduced to one bit, read pixel by pixel, and every
// byte of the module goes out with its own write. The tests compare the real conversion with
// it byte for byte, and the benchmark measures against it.
#pragma once

#include <cstdio>
#include <string>

#include "settings/conversion_settings.h"

namespace vorlix::literal {

// Converts at most 240 frames of the GIF into a module written to `out`. The caller keeps the
// image library initialised. Returns false when the GIF cannot be opened, has no frame, or a
// write fails.
bool ConvertGif(const std::string& gifPath, ConversionSettings settings, std::FILE* out);

// Same, into a new file at `outputPath` (replaced when it exists).
bool ConvertGifToFile(const std::string& gifPath, const ConversionSettings& settings,
                      const std::string& outputPath);

}  // namespace vorlix::literal
