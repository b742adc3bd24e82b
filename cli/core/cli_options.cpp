#include "cli/core/cli_options.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>

#include "cli/core/option_table.h"
#include "platform/file_checks.h"

namespace vorlix {
namespace {

bool TakesValue(const CliOptionRow& row) {
  return row.kind != OptionKind::BoxOn && row.kind != OptionKind::BoxOff &&
         row.kind != OptionKind::Switch;
}

std::optional<PreviewStyle> ParseStyle(const std::string& text) {
  if (text == "picture") return PreviewStyle::Picture;
  if (text == "tracker") return PreviewStyle::Tracker;
  if (text == "ft2") return PreviewStyle::Ft2;
  if (text == "schism") return PreviewStyle::Schism;
  return std::nullopt;
}

// "--name expects a whole number from 0 to 4294967295": every number the parser takes.
std::string ExpectsNumber(const char* option) {
  return std::string(option) + " expects a whole number from 0 to " +
         std::to_string(std::numeric_limits<std::uint32_t>::max());
}

// A whole unsigned decimal number of at most 32 bits; leading zeros, however many, do not count.
std::optional<std::uint32_t> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  // All zeros leave the last one.
  const std::size_t first = std::min(text.find_first_not_of('0'), text.size() - 1);
  const std::string_view digits = std::string_view(text).substr(first);
  if (digits.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::optional<std::array<std::uint32_t, FillByteCount>> ParseFill(const std::string& text) {
  std::array<std::uint32_t, FillByteCount> values{};
  std::size_t count = 0, start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const auto value = ParseNumber(text.substr(start, comma - start));
    if (!value || count == values.size()) return std::nullopt;
    values[count++] = *value;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (count != values.size()) return std::nullopt;
  return values;
}

// "one of a, b or c"
std::string OneOf(std::span<const std::string_view> names) {
  std::string text = "one of ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += names[i];
  }
  return text;
}

// A usage error with its message.
CliStatus Usage(ParsedCli& parsed, std::string message) {
  parsed.status = CliStatus::UsageError;
  parsed.message = std::move(message);
  return parsed.status;
}

// Records the name given to a Choice option; a usage error when it is none of them.
CliStatus ApplyChoice(const CliOptionRow& row, const std::string& value, ParsedCli& parsed) {
  const std::optional<std::uint8_t> index = IndexOfName(row.names, value);
  if (!index) {
    return Usage(parsed,
                 std::string(row.name) + " expects " + OneOf(row.names) + ", not '" + value + "'");
  }
  parsed.options.edits.push_back(
      [choose = row.choose, i = *index](OptionValues& v) { choose(v, i); });
  return CliStatus::Ok;
}

// --fit: width and height, in the order given, from the fit of the GIF's logical screen into the
// named tracker's view; "none" sets nothing.
CliStatus ApplyFit(const std::string& value, ParsedCli& parsed) {
  CliOptions& options = parsed.options;
  auto views = FitViews(value);
  if (!views) return Usage(parsed, "--fit expects " + FitNames() + ", not '" + value + "'");
  options.fitViews = *views;  // the last --fit names the window a tracker-style preview draws
  if (views->empty()) return CliStatus::Ok;
  options.fits = true;
  options.edits.push_back([views = std::move(*views), screen = options.fitScreen](OptionValues& v) {
    if (screen->width == 0 || screen->height == 0) return;  // the input has no screen to fit
    const FittedSize fit = FitPicture(views, screen->width, screen->height);
    v.Width = static_cast<std::uint32_t>(fit.width);
    v.Height = static_cast<std::uint32_t>(fit.height);
  });
  return CliStatus::Ok;
}

// --title: printable ASCII, cut to the name field.
CliStatus ApplyTitle(const std::string& value, ParsedCli& parsed) {
  if (std::any_of(value.begin(), value.end(), [](char c) { return c < 0x20 || c > 0x7E; })) {
    return Usage(parsed, "--title takes printable ASCII only");
  }
  parsed.options.titleCut = value.size() > kModuleTitleSize;
  parsed.options.title = value.substr(0, kModuleTitleSize);
  return CliStatus::Ok;
}

// Options of the program itself, which set nothing of the conversion.
CliStatus ApplyProgramOption(const CliOptionRow& row, const std::string& value, ParsedCli& parsed) {
  CliOptions& options = parsed.options;
  if (row.kind == OptionKind::Text) {
    options.*row.text = value;
    if (value.empty()) return Usage(parsed, std::string(row.name) + " needs a file name");
    return CliStatus::Ok;
  }
  if (row.kind == OptionKind::Count) {
    options.*row.count = ParseNumber(value);
    if (!(options.*row.count))
      return Usage(parsed, ExpectsNumber(row.name) + ", not '" + value + "'");
    return CliStatus::Ok;
  }
  options.previewStyle = ParseStyle(value);
  if (!options.previewStyle) {
    return Usage(parsed, std::string(row.name) + " expects picture, tracker, ft2 or schism, not '" +
                             value + "'");
  }
  return CliStatus::Ok;
}

// Records what one option sets; a usage error when its value is bad.
CliStatus ApplyOption(const CliOptionRow& row, const std::string& value, ParsedCli& parsed) {
  CliOptions& options = parsed.options;
  switch (row.kind) {
    case OptionKind::Choice:
      return ApplyChoice(row, value, parsed);
    case OptionKind::Threshold:
      if (value == "auto") {
        options.edits.push_back([](OptionValues& v) { v.Picture.AutoThreshold = true; });
        return CliStatus::Ok;
      }
      // A number is a threshold of its own: the automatic one is off again.
      options.edits.push_back([](OptionValues& v) { v.Picture.AutoThreshold = false; });
      [[fallthrough]];
    case OptionKind::Number: {
      const auto number = ParseNumber(value);
      if (!number) {
        // Every number the parser takes is clamped into the option's range, which the message
        // names as well.
        return Usage(parsed, ExpectsNumber(row.name) + ", clamped to " + RangeText(row) +
                                 "; not '" + value + "'");
      }
      options.edits.push_back(
          [member = row.number, n = *number](OptionValues& v) { v.*member = n; });
      return CliStatus::Ok;
    }
    case OptionKind::FillList: {
      const auto fill = ParseFill(value);
      if (!fill) {
        return Usage(parsed,
                     "--fill expects five whole numbers separated by commas, not '" + value + "'");
      }
      options.edits.push_back([bytes = *fill](OptionValues& v) { v.FillBytes = bytes; });
      return CliStatus::Ok;
    }
    case OptionKind::BoxOn:
    case OptionKind::BoxOff: {
      const bool checked = row.kind == OptionKind::BoxOn;
      options.edits.push_back(
          [member = row.box, checked](OptionValues& v) { v.*member = checked; });
      return CliStatus::Ok;
    }
    case OptionKind::Switch:
      options.*row.flag = true;
      return CliStatus::Ok;
    case OptionKind::Text:
    case OptionKind::Count:
    case OptionKind::Style:
      return ApplyProgramOption(row, value, parsed);
    case OptionKind::Fit:
      return ApplyFit(value, parsed);
    case OptionKind::Title:
      return ApplyTitle(value, parsed);
  }
  return Usage(parsed, "");  // every kind is handled above
}

// Reads one option argument at args[i] (and its value, when it takes one from the next
// argument).
CliStatus ReadOption(const std::vector<std::string>& args, std::size_t& i, ParsedCli& parsed) {
  std::string arg = args[i];
  // --name=value and --name value are both accepted for options that take a value.
  std::optional<std::string> inlineValue;
  if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
    inlineValue = arg.substr(eq + 1);
    arg = arg.substr(0, eq);
  }
  const CliOptionRow* row = FindOption(arg);
  if (row == nullptr) return Usage(parsed, "unknown option " + arg);
  if (!TakesValue(*row)) {
    if (inlineValue) return Usage(parsed, arg + " takes no value");
    return ApplyOption(*row, "", parsed);
  }
  if (!inlineValue && i + 1 >= args.size()) return Usage(parsed, arg + " needs a value");
  return ApplyOption(*row, inlineValue ? *inlineValue : args[++i], parsed);
}

// True when the name, as typed, can only be a folder: it ends in a separator, or its last
// component is "." or "..". A module would be hidden in it (".xm", "..xm").
bool FolderLike(const std::string& name) {
  const std::size_t slash = name.find_last_of("/\\");
  const std::string last = name.substr(slash == std::string::npos ? 0 : slash + 1);
  return last.empty() || last == "." || last == "..";
}

// An OUTPUT that names no module file: empty, folder-like, or an existing folder, is a usage
// error.
CliStatus CheckOutput(const std::string& output, ParsedCli& parsed) {
  if (output.empty()) return Usage(parsed, "OUTPUT is empty: give the name of the module file");
  if (FolderLike(output) || IsFolder(NativePath(output))) {
    return Usage(parsed, "OUTPUT '" + output + "' is a folder: give the name of the module file");
  }
  return CliStatus::Ok;
}

}  // namespace

ParsedCli ParseCliOptions(const std::vector<std::string>& args) {
  ParsedCli parsed;
  CliOptions& options = parsed.options;
  std::vector<std::string> positional;
  bool onlyPositional = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (onlyPositional || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
    } else if (arg == "--") {
      onlyPositional = true;
    } else if (ReadOption(args, i, parsed) != CliStatus::Ok) {
      return parsed;
    }
  }
  if (positional.size() > 2) {
    Usage(parsed, "too many arguments: '" + positional[2] + "'");
    return parsed;
  }
  if (!positional.empty()) options.input = positional[0];
  if (positional.size() == 2) {
    if (CheckOutput(positional[1], parsed) != CliStatus::Ok) return parsed;
    options.output = positional[1];
  }
  if (options.input.empty() && !options.saveSettings && !options.help && !options.version) {
    Usage(parsed, "no input GIF given");
  } else if ((options.previewFrame || options.previewStyle) && !options.preview) {
    Usage(parsed, std::string(options.previewFrame ? "--frame" : "--preview-style") +
                      " needs --preview FILE");
  } else if (options.preview && options.input.empty() && !options.help && !options.version) {
    Usage(parsed, "--preview needs an input GIF");
  } else if (options.fits && options.input.empty() && !options.help && !options.version) {
    Usage(parsed, "--fit needs an input GIF");  // a fit is of the GIF's proportions
  }
  return parsed;
}

OptionValues CliOptionValues(const CliOptions& options, const ConversionSettings& settings) {
  OptionValues values = ShownOptionValues(settings);
  for (const auto& edit : options.edits) edit(values);
  return values;
}

std::string DefaultOutputName(const std::string& input) {
  const std::size_t slash = input.find_last_of("/\\");
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = input.rfind('.');
  // A leading dot (".hidden") is part of the name, not an extension.
  if (dot == std::string::npos || dot <= nameStart) return input;
  return input.substr(0, dot);
}

}  // namespace vorlix
