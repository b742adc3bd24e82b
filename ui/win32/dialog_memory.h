// The dialog templates as the system's dialog manager reads them: an extended dialog template
// (DLGTEMPLATEEX) in memory, built from the template data at run time.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/core/dialog_templates.h"

namespace vorlix {

// The template in 16-bit words (the dialog manager wants them aligned to 4 bytes, which a
// vector's storage is); captions in UTF-16.
std::vector<std::uint16_t> DialogTemplateWords(const DialogTemplate& dialog);

}  // namespace vorlix
