// vorlix-cli: the headless converter. Runs Load and Save of the window program on the options
// and paths given on the command line.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "cli/core/cli_options.h"
#include "convert/conversion_run.h"
#include "platform/console.h"
#include "platform/remove_on_signal.h"
#include "preview/preview_run.h"
#include "settings/settings_file.h"
#include "ui/core/version.h"

namespace {

constexpr int kWritten = 0;
constexpr int kNotWritten = 1;
constexpr int kUsageError = 2;

// Discards what is written to it: standard output under --quiet.
struct NullBuffer : std::streambuf {
  int overflow(int c) override { return c; }
};

// The preview that --preview asks for; true when it was written.
bool WritePreview(const vorlix::CliOptions& options, const vorlix::ConversionSettings& settings,
                  const vorlix::RunReporter& reporter, std::ostream& progress) {
  vorlix::PreviewRequest request;
  request.typedName = *options.preview;
  request.style = options.previewStyle.value_or(vorlix::PreviewStyle::Picture);
  // Any frame past the last is refused, however large.
  request.frame = static_cast<int>(
      std::min<std::uint32_t>(options.previewFrame.value_or(vorlix::kDefaultPreviewFrame),
                              std::numeric_limits<int>::max()));
  return vorlix::PreviewRun(request, options.input, settings, reporter, progress);
}

// The exit status when --preview ends the run: a preview instead of a module, unless an OUTPUT
// asks for one as well. Nothing when a module is to be written.
std::optional<int> PreviewStep(const vorlix::CliOptions& options,
                               const vorlix::ConversionSettings& settings,
                               const vorlix::RunReporter& reporter, std::ostream& progress) {
  if (!options.preview) return std::nullopt;
  const bool written = WritePreview(options, settings, reporter, progress);
  progress.flush();
  if (!written) return kNotWritten;
  if (!options.output) return kWritten;
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  vorlix::PrepareStandardStreams();  // each progress line reaches a pipe as it is written
  vorlix::IgnoreWriteSignals();  // a closed pipe on standard output is a closed standard output
  using namespace vorlix;
  std::string error;
  const auto options = ParseCliOptions(CommandLineArguments(argc, argv), error);
  if (!options) {
    std::cerr << "vorlix-cli: " << error << " (see vorlix-cli --help)\n";
    return kUsageError;
  }
  if (options->help) {
    std::cout << CliUsage();
    return kWritten;
  }
  if (options->version) {
    std::cout << "vorlix-cli " << kVersionText << "\n";
    return kWritten;
  }

  ConversionSettings settings = StartupSettings();
  LoadSettingsFile(settings);
  ReadOptions(CliOptionValues(*options, settings), settings);

  const RunReporter reporter{[](MessageKind kind, const std::string& text) {
                               std::cerr << MessageCaption(kind) << ": " << text << "\n";
                             },
                             [](const std::string&) {}};

  if (options->saveSettings) {
    if (!SaveSettingsFile(settings)) {
      Report(reporter, Message::CannotSaveSettings);
      return kNotWritten;
    }
    if (options->input.empty()) return kWritten;
  }

  NullBuffer nothing;
  std::ostream silent(&nothing);
  std::ostream& progress = options->quiet ? silent : std::cout;

  // A preview name that cannot be written is refused before anything is read.
  if (options->preview && !CheckPreviewName(*options->preview, reporter)) return kNotWritten;
  RunState state;
  LoadInput(options->input, reporter, state);
  // A failed Load has said why; a Save after it could only add "Nothing is loaded.".
  if (!state.InputLoadedFlag) return kNotWritten;
  if (const auto status = PreviewStep(*options, settings, reporter, progress)) return *status;
  const std::string typedOutput = options->output.value_or(DefaultOutputName(options->input));
  const SaveOutcome outcome =
      ConversionRun(typedOutput, options->input, reporter, progress, settings, state);
  // The success line has no line end of its own; every other run ends on a full line.
  if (outcome == SaveOutcome::Written) progress << "\n";
  progress.flush();
  return outcome == SaveOutcome::Written ? kWritten : kNotWritten;
}
