#include "cli/core/cli_options.h"

#include <limits>

namespace vorlix {
namespace {

struct NumberOption {
  const char* name;
  int control;
};
constexpr NumberOption kNumberOptions[] = {
    {"--tempo", ControlId::Tempo},         {"--speed", ControlId::Speed},
    {"--width", ControlId::Width},         {"--height", ControlId::Height},
    {"--threshold", ControlId::Threshold},
};

struct BoxOption {
  const char* name;
  int control;
  bool checked;
};
constexpr BoxOption kBoxOptions[] = {
    {"--inverse", ControlId::InverseColors, true},
    {"--no-inverse", ControlId::InverseColors, false},
    {"--break", ControlId::BreakPatterns, true},
    {"--no-break", ControlId::BreakPatterns, false},
};

// A whole unsigned decimal number of at most 32 bits.
std::optional<std::uint32_t> ParseNumber(const std::string& text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::optional<std::vector<std::uint32_t>> ParseFill(const std::string& text) {
  std::vector<std::uint32_t> values;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const auto value = ParseNumber(text.substr(start, comma - start));
    if (!value) return std::nullopt;
    values.push_back(*value);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (values.size() != 5) return std::nullopt;
  return values;
}

std::string ExpectsNumber(const std::string& option, const std::string& value) {
  return option + " expects a whole number from 0 to 4294967295, not '" + value + "'";
}

bool takesValue(const std::string& option) {
  for (const NumberOption& o : kNumberOptions) {
    if (option == o.name) return true;
  }
  return option == "--fill";
}

}  // namespace

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args,
                                          std::string& error) {
  CliOptions options;
  std::vector<std::string> positional;
  bool onlyPositional = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (onlyPositional || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyPositional = true;
      continue;
    }
    // --name=value and --name value are both accepted for options that take a value.
    std::optional<std::string> inlineValue;
    if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
    }
    auto takeValue = [&]() -> std::optional<std::string> {
      if (inlineValue) return inlineValue;
      if (i + 1 < args.size()) return args[++i];
      error = arg + " needs a value";
      return std::nullopt;
    };

    bool known = false;
    for (const NumberOption& o : kNumberOptions) {
      if (arg != o.name) continue;
      known = true;
      const auto value = takeValue();
      if (!value) return std::nullopt;
      const auto number = ParseNumber(*value);
      if (!number) {
        error = ExpectsNumber(arg, *value);
        return std::nullopt;
      }
      options.numbers[o.control] = *number;
    }
    if (arg == "--fill") {
      known = true;
      const auto value = takeValue();
      if (!value) return std::nullopt;
      const auto fill = ParseFill(*value);
      if (!fill) {
        error = "--fill expects five whole numbers separated by commas, not '" + *value + "'";
        return std::nullopt;
      }
      for (int k = 0; k < 5; ++k) options.numbers[ControlId::FillFields[k]] = (*fill)[k];
    }
    for (const BoxOption& o : kBoxOptions) {
      if (arg == o.name) {
        known = true;
        options.boxes[o.control] = o.checked;
      }
    }
    if (arg == "--save-settings") known = options.saveSettings = true;
    if (arg == "--quiet" || arg == "-q") known = options.quiet = true;
    if (arg == "--help" || arg == "-h") known = options.help = true;
    if (arg == "--version") known = options.version = true;
    if (!known) {
      error = "unknown option " + arg;
      return std::nullopt;
    }
    if (inlineValue && !takesValue(arg)) {
      error = arg + " takes no value";
      return std::nullopt;
    }
  }
  if (positional.size() > 2) {
    error = "too many arguments: '" + positional[2] + "'";
    return std::nullopt;
  }
  if (!positional.empty()) options.input = positional[0];
  if (positional.size() == 2) options.output = positional[1];
  if (options.input.empty() && !options.saveSettings && !options.help && !options.version) {
    error = "no input GIF given";
    return std::nullopt;
  }
  return options;
}

OptionSource CliOptionSource(const CliOptions& options, const ConversionSettings& settings) {
  std::map<int, std::uint32_t> numbers = {
      {ControlId::Tempo, static_cast<std::uint32_t>(settings.Tempo)},
      {ControlId::Speed, static_cast<std::uint32_t>(settings.Speed)},
      {ControlId::Width, static_cast<std::uint32_t>(settings.Width)},
      {ControlId::Height, static_cast<std::uint32_t>(settings.Height)},
      {ControlId::Threshold, settings.Threshold},
  };
  for (int k = 0; k < 5; ++k) numbers[ControlId::FillFields[k]] = settings.FillBytes[k];
  std::map<int, bool> boxes = {{ControlId::InverseColors, settings.InverseColors == 1},
                               {ControlId::BreakPatterns, settings.BreakPatterns == 1}};
  for (const auto& [id, value] : options.numbers) numbers[id] = value;
  for (const auto& [id, value] : options.boxes) boxes[id] = value;
  return {[numbers](int id) {
            const auto it = numbers.find(id);
            return it == numbers.end() ? 0u : it->second;
          },
          [boxes](int id) {
            const auto it = boxes.find(id);
            return it != boxes.end() && it->second;
          }};
}

std::string DefaultOutputName(const std::string& input) {
  const std::size_t slash = input.find_last_of("/\\");
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = input.rfind('.');
  // A leading dot (".hidden") is part of the name, not an extension.
  if (dot == std::string::npos || dot <= nameStart) return input;
  return input.substr(0, dot);
}

std::string CliUsage() {
  return "Usage: vorlix-cli [options] INPUT [OUTPUT]\n"
         "Turns an animated GIF into an XM module whose patterns draw the animation.\n"
         "\n"
         "OUTPUT gets \".xm\" added when missing; an existing file is never replaced: the name\n"
         "is numbered (_1, _2, ...) instead. Without OUTPUT the module is named after INPUT.\n"
         "Options start from the built-in defaults, then vorlix.conf of the working folder.\n"
         "\n"
         "  --tempo N            beats per minute, 32..255 (default 250)\n"
         "  --speed N            ticks per row, 1..31 (default 5)\n"
         "  --width N            picture width in pixels, 8..128; N/4 channels (default 120)\n"
         "  --height N           picture height in pixels = pattern rows, 16..200 (default 150)\n"
         "  --threshold N        brightness threshold, 0..255 (default 160)\n"
         "  --fill A,B,C,D,E     note, instrument, volume, effect type and parameter bytes of a\n"
         "                       drawn cell (default 61,127,77,9,99)\n"
         "  --inverse, --no-inverse   draw the bright pixels instead of the dark ones\n"
         "  --break, --no-break       put a pattern break into every pattern (default on)\n"
         "  --save-settings      store the resulting options in vorlix.conf (INPUT optional)\n"
         "  --quiet, -q          no progress lines on standard output\n"
         "  --help, -h           this text\n"
         "  --version            the version\n"
         "\n"
         "Values out of range are clamped. Exit status: 0 module written, 1 not written,\n"
         "2 usage error.\n";
}

}  // namespace vorlix
