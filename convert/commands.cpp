#include "convert/commands.h"

#include "platform/file_checks.h"
#include "settings/settings_file.h"

namespace vorlix {

SaveResult SaveCommand(const GifInput& input, const OutputTarget& target,
                       const OptionValues& values, ConversionSettings& settings, RunState& state,
                       const RunReporter& reporter, std::ostream& out) {
  ReadOptions(values, settings);
  return ConversionRun(target, input, reporter, out, settings, state);
}

SettingsOutcome SaveSettingsCommand(const OptionValues& values, ConversionSettings& settings,
                                    const RunReporter& reporter, SettingsConfirmation confirm) {
  ReadOptions(values, settings);
  if (SaveSettingsFile(settings)) {
    if (confirm == SettingsConfirmation::Shown) Report(reporter, Message::SettingsSaved);
    return SettingsOutcome::Saved;
  }
  if (ReadOnlyFile(SettingsFileName)) {
    Report(reporter, Message::SettingsReadOnly, SettingsFileName);
    return SettingsOutcome::ReadOnly;
  }
  Report(reporter, Message::CannotSaveSettings);
  return SettingsOutcome::NotSaved;
}

}  // namespace vorlix
