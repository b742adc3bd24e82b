// Command-line options of vorlix-cli, turned into the same field answers the dialog gives.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/conversion_settings.h"
#include "settings/read_options.h"

namespace vorlix {

struct CliOptions {
  std::map<int, std::uint32_t> numbers;  // control id -> number typed for it
  std::map<int, bool> boxes;             // control id -> check box state
  bool saveSettings = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
  std::string input;
  std::optional<std::string> output;
};

// Parses the arguments after the program name. On a usage error returns nothing and sets
// `error` to a one-line message naming the option.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error);

// The answers a dialog would give with its fields filled from `settings` and then edited as the
// options say; ReadOptions over it clamps every value by the dialog's rules.
OptionSource CliOptionSource(const CliOptions& options, const ConversionSettings& settings);

// The output name used when none is given: the input path without its extension.
std::string DefaultOutputName(const std::string& input);

// The --help text.
std::string CliUsage();

}  // namespace vorlix
