#include "settings/conversion_settings.h"

#include <algorithm>

namespace vorlix {

ConversionSettings StartupSettings() {
  ConversionSettings s;
  s.FillBytes[4] = static_cast<std::uint8_t>(std::min(s.Height / 2 + 36, 99));
  return s;
}

}  // namespace vorlix
