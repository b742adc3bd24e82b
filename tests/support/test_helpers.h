// Small helpers shared by several tests.
#pragma once

#include <functional>

#include "settings/conversion_settings.h"

namespace vorlix::testutil {

// The start-up settings with another picture size and break option.
ConversionSettings Sized(int width, int height, bool breakOn = true);

// Runs `body` in a child process in which no file may grow past `bytes` (writes beyond fail
// instead of raising a signal); true when the body returned true.
bool RunWithFileSizeLimit(long bytes, const std::function<bool()>& body);

}  // namespace vorlix::testutil
