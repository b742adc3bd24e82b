// Command-line options of vorlix-cli, read into the same option values the dialog's fields give.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "preview/preview_picture.h"
#include "settings/conversion_settings.h"
#include "settings/option_values.h"
#include "settings/tracker_views.h"

namespace vorlix {

// The frame of a .png preview when --frame is not given.
inline constexpr std::uint32_t kDefaultPreviewFrame = 0;

struct CliOptions {
  // What the option arguments set, in the order given; applied over the starting values.
  std::vector<std::function<void(OptionValues&)>> edits;
  bool saveSettings = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
  std::string input;
  std::optional<std::string> output;
  std::optional<std::string> preview;         // --preview FILE
  std::optional<std::uint32_t> previewFrame;  // --frame N
  std::optional<PreviewStyle> previewStyle;   // --preview-style
  // --title: the module's name, at most kModuleTitleSize bytes of printable ASCII.
  std::optional<std::string> title;
  bool titleCut = false;  // the --title given was longer, and is cut
  // --fit: set when a fit other than "none" is given, whose edit needs the GIF's logical
  // screen; ReadFitScreen fills it in once the input is known.
  bool fits = false;
  std::vector<TrackerView> fitViews;  // the views of the last --fit; empty for none
  std::shared_ptr<ScreenSize> fitScreen = std::make_shared<ScreenSize>();
};

enum class CliStatus { Ok, UsageError };

// What the arguments say: the options, or a usage error and its one-line message naming the
// option.
struct ParsedCli {
  CliStatus status = CliStatus::Ok;
  CliOptions options;
  std::string message;  // set with a UsageError
};

// Parses the arguments after the program name.
ParsedCli ParseCliOptions(const std::vector<std::string>& args);

// The values a dialog would hold with its fields filled from `settings` and then edited as the
// options say; ReadOptions clamps them by the dialog's rules.
OptionValues CliOptionValues(const CliOptions& options, const ConversionSettings& settings);

// The output name used when none is given: the input path without its extension.
std::string DefaultOutputName(const std::string& input);

// The --help text.
std::string CliUsage();

}  // namespace vorlix
