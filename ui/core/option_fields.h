// The option fields of the main dialog as option values: which control holds which option.
#pragma once

#include <cstdint>
#include <functional>

#include "settings/option_values.h"

namespace vorlix {

// What the dialog answers for a control: the unsigned number a field gives (0 when its text
// gives none) and whether a check box is checked. The dialog is one such source, a test double
// another.
struct OptionSource {
  std::function<std::uint32_t(int controlId)> FieldNumber;
  std::function<bool(int controlId)> BoxChecked;
};

// Reads every option field, in the order tempo, speed, width, height, the five fill bytes,
// threshold, inverse colors, break patterns.
OptionValues ReadOptionFields(const OptionSource& source);

}  // namespace vorlix
