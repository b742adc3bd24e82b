// The commands behind every front end, as plain functions: the dialog procedure and the
// command-line program call these, and so can any other front end. Each takes the option values
// the front end read (its fields, its command line) and clamps them into the program's settings
// record as ReadOptions does, reports through the reporter as it goes, and returns what it made.
// Load is LoadInput (convert/conversion_run.h); the preview's are in preview/preview_run.h.
#pragma once

#include <ostream>

#include "convert/conversion_run.h"
#include "convert/gif_input.h"
#include "settings/conversion_settings.h"
#include "settings/option_values.h"

namespace vorlix {

// Save: the values into the settings, then the input converted into a module for the target.
SaveResult SaveCommand(const GifInput& input, const OutputTarget& target,
                       const OptionValues& values, ConversionSettings& settings, RunState& state,
                       const RunReporter& reporter, std::ostream& out);

enum class SettingsOutcome {
  Saved,
  ReadOnly,  // the settings file is there but may not be written
  NotSaved,
};

// How a front end confirms a Save settings that succeeded: the dialog says "Done.", the
// command line says nothing.
enum class SettingsConfirmation { Silent, Shown };

// Save settings: the values into the settings, the settings into the settings file. A failure
// is always reported, naming the file when it is read-only.
SettingsOutcome SaveSettingsCommand(const OptionValues& values, ConversionSettings& settings,
                                    const RunReporter& reporter, SettingsConfirmation confirm);

}  // namespace vorlix
