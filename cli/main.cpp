// vorlix-cli: the headless converter. Runs Load and Save of the window program on the options
// and paths given on the command line.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/core/cli_options.h"
#include "cli/core/fit_screen.h"
#include "convert/commands.h"
#include "convert/conversion_run.h"
#include "platform/console.h"
#include "platform/file_checks.h"
#include "platform/remove_on_signal.h"
#include "preview/preview_run.h"
#include "settings/settings_file.h"
#include "ui/core/version.h"

namespace {

constexpr int kWritten = 0;
constexpr int kNotWritten = 1;
constexpr int kUsageError = 2;

// The progress lines on their way to standard output (nowhere under --quiet), noting whether
// the last line is still open: a message on standard error ends it first, so that the two never
// run together in a terminal.
class ProgressBuffer : public std::streambuf {
 public:
  explicit ProgressBuffer(std::streambuf* target) : target_(target) {}
  bool LineOpen() const { return open_; }

 protected:
  int overflow(int c) override {
    if (c == traits_type::eof() || target_ == nullptr) return traits_type::not_eof(c);
    open_ = c != '\n';
    return target_->sputc(static_cast<char>(c));
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (target_ == nullptr || n <= 0) return n;
    open_ = s[n - 1] != '\n';
    return target_->sputn(s, n);
  }
  int sync() override { return target_ == nullptr ? 0 : target_->pubsync(); }

 private:
  std::streambuf* target_;
  bool open_ = false;
};

// The input named on the command line, as the commands take it.
vorlix::GifInput CliInput(const vorlix::CliOptions& options) {
  vorlix::GifInput input = vorlix::GifInputFromPath(vorlix::NativePath(options.input));
  input.name = options.input;
  return input;
}

// The exit status when --preview ends the run: a preview instead of a module, unless an OUTPUT
// asks for one as well. Nothing when a module is to be written.
std::optional<int> PreviewStep(const vorlix::CliOptions& options,
                               const vorlix::OptionValues& values,
                               vorlix::ConversionSettings& settings,
                               const vorlix::RunReporter& reporter, std::ostream& progress) {
  if (!options.preview) return std::nullopt;
  vorlix::PreviewRequest request;
  request.typedName = *options.preview;
  request.style = options.previewStyle.value_or(vorlix::PreviewStyle::Picture);
  request.frame = options.previewFrame.value_or(vorlix::kDefaultPreviewFrame);
  request.trackerViews = options.fitViews;
  const bool written =
      vorlix::PreviewCommand(request, CliInput(options), values, settings, reporter, progress)
          .written;
  progress.flush();
  if (!written) return kNotWritten;
  if (!options.output) return kWritten;
  return std::nullopt;
}

// --save-settings: the exit status when it failed or ends the run, nothing when a run follows.
// Success says nothing here.
std::optional<int> SaveSettingsStep(const vorlix::CliOptions& options,
                                    const vorlix::OptionValues& values,
                                    vorlix::ConversionSettings& settings,
                                    const vorlix::RunReporter& reporter) {
  using namespace vorlix;
  if (!options.saveSettings) return std::nullopt;
  if (SaveSettingsCommand(values, settings, reporter, SettingsConfirmation::Silent) !=
      SettingsOutcome::Saved) {
    return kNotWritten;
  }
  if (options.input.empty()) return kWritten;
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  vorlix::PrepareStandardStreams();  // each progress line reaches a pipe as it is written
  vorlix::IgnoreWriteSignals();      // a closed pipe on standard output is a closed standard output
  using namespace vorlix;
  const ParsedCli parsed = ParseCliOptions(CommandLineArguments(argc, argv));
  if (parsed.status != CliStatus::Ok) {
    std::cerr << MessageCaption(MessageKind::Error) << ": " << parsed.message
              << " (see vorlix-cli --help)\n";
    return kUsageError;
  }
  const CliOptions& options = parsed.options;
  if (options.help) {
    std::cout << CliUsage();
    return kWritten;
  }
  if (options.version) {
    std::cout << "vorlix-cli " << kVersionText << "\n";
    return kWritten;
  }

  ConversionSettings settings = StartupSettings();
  LoadSettingsFile(settings);
  ReadFitScreen(options);
  const OptionValues values = CliOptionValues(options, settings);
  if (options.title) {
    settings.Title.emplace();
    settings.Title->fill('\0');
    options.title->copy(settings.Title->data(), settings.Title->size());
  }

  ProgressBuffer lines(options.quiet ? nullptr : std::cout.rdbuf());
  std::ostream progress(&lines);
  // Under --quiet only errors are shown.
  const RunReporter reporter{[&](MessageKind kind, const std::string& text) {
                               if (options.quiet && kind != MessageKind::Error) return;
                               if (lines.LineOpen()) progress << "\n";
                               progress.flush();
                               std::cerr << MessageCaption(kind) << ": " << text << "\n";
                             },
                             [](const std::string&) {}};

  if (options.titleCut) Report(reporter, Message::TitleCut);
  if (const auto status = SaveSettingsStep(options, values, settings, reporter)) return *status;

  // A preview name that cannot be written is refused before anything is read.
  if (options.preview && !CheckPreviewName(*options.preview, reporter)) return kNotWritten;
  RunState state;
  LoadInput(CliInput(options), reporter, state);
  // A failed Load has said why; a Save after it could only add "Nothing is loaded.".
  if (!state.InputLoadedFlag) return kNotWritten;
  if (const auto status = PreviewStep(options, values, settings, reporter, progress)) {
    return *status;
  }
  const std::string typedOutput = options.output.value_or(DefaultOutputName(options.input));
  const SaveOutcome outcome = SaveCommand(CliInput(options), FileTarget(typedOutput), values,
                                          settings, state, reporter, progress)
                                  .outcome;
  // The success line has no line end of its own; every run ends on a full line.
  if (lines.LineOpen()) progress << "\n";
  progress.flush();
  return outcome == SaveOutcome::Written ? kWritten : kNotWritten;
}
