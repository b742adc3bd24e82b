// The options of vorlix-cli, one row each: what the option sets and its line of the --help
// text. Parsing and the help text both read the one table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/core/cli_options.h"
#include "settings/option_values.h"

namespace vorlix {

enum class OptionKind {
  Number,     // --name N: one whole number
  Threshold,  // --threshold N or --threshold auto
  Choice,     // --name WORD: one of a list of names
  FillList,   // --name A,B,C,D,E: the five fill bytes
  BoxOn,      // checks a box
  BoxOff,     // unchecks a box
  Switch,     // a switch of the program itself
  Text,       // --name TEXT: a text for the program itself
  Count,      // --name N: a whole number for the program itself
  Style,      // --name picture|tracker: the style of a preview
  Fit,        // --fit TRACKER: width and height from a tracker's pattern view
  Title,      // --title TEXT: the module's name
};

// One option of the command line and what it sets.
struct CliOptionRow {
  const char* name;
  const char* alias = nullptr;  // a short form
  OptionKind kind;
  std::uint32_t OptionValues::*number = nullptr;   // Number, Threshold
  std::int32_t (*clamp)(std::uint32_t) = nullptr;  // Number, Threshold: what ReadOptions applies
  bool OptionValues::*box = nullptr;               // BoxOn, BoxOff
  bool CliOptions::*flag = nullptr;                // Switch
  std::span<const std::string_view> names{};       // Choice: the names, in the order of values
  void (*choose)(OptionValues&, std::uint8_t) = nullptr;      // Choice: sets the value of a name
  std::uint8_t (*chosen)(const OptionValues&) = nullptr;      // Choice: the value's position
  std::optional<std::string> CliOptions::*text = nullptr;     // Text
  std::optional<std::uint32_t> CliOptions::*count = nullptr;  // Count
  // The help line: the value's placeholder after the name, and the text, whose line breaks are
  // kept and where {range} and {default} stand for the clamp's range and the built-in value.
  // A row without help text shares the line of the row before it (--no-break after --break).
  const char* value = nullptr;
  const char* help = nullptr;
};

// The row of an option by its name or short form, or nullptr.
const CliOptionRow* FindOption(std::string_view name);

// "32..255": what the row's clamp makes of the smallest and the largest number the parser takes.
std::string RangeText(const CliOptionRow& row);

}  // namespace vorlix
