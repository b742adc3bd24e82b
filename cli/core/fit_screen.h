// The GIF's logical screen for --fit, read once the input is known.
#pragma once

#include "cli/core/cli_options.h"

namespace vorlix {

// Reads the logical screen of the input GIF into options.fitScreen when a --fit needs it. An
// input that cannot be read leaves it unknown (the fit then sets nothing), for the Load that
// follows to report why.
void ReadFitScreen(const CliOptions& options);

}  // namespace vorlix
