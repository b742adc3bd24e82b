#include "cli/core/option_table.h"

#include <algorithm>
#include <limits>
#include <type_traits>
#include <vector>

#include "settings/conversion_settings.h"
#include "settings/tracker_views.h"

namespace vorlix {
namespace {

// Sets and reads one picture option by the position of its name.
template <auto Member>
void Choose(OptionValues& v, std::uint8_t i) {
  using Enum = std::remove_reference_t<decltype(v.Picture.*Member)>;
  v.Picture.*Member = Enum{i};
}
template <auto Member>
std::uint8_t Chosen(const OptionValues& v) {
  return static_cast<std::uint8_t>(v.Picture.*Member);
}

std::int32_t ClampThreshold(std::uint32_t v) {
  return ClampByte(v);
}

// A row of an option that takes one whole number, clamped as ReadOptions clamps it.
constexpr CliOptionRow NumberRow(const char* name, std::uint32_t OptionValues::*number,
                                 std::int32_t (*clamp)(std::uint32_t), const char* help) {
  return {.name = name,
          .kind = OptionKind::Number,
          .number = number,
          .clamp = clamp,
          .value = "N",
          .help = help};
}

// A row of an option that picks one of a list of names for a picture option.
template <auto Member>
constexpr CliOptionRow ChoiceRow(const char* name, std::span<const std::string_view> names,
                                 const char* value, const char* help) {
  return {.name = name,
          .kind = OptionKind::Choice,
          .names = names,
          .choose = Choose<Member>,
          .chosen = Chosen<Member>,
          .value = value,
          .help = help};
}

// A row of a switch of the program itself.
constexpr CliOptionRow SwitchRow(const char* name, const char* alias, bool CliOptions::*flag,
                                 const char* help) {
  return {.name = name, .alias = alias, .kind = OptionKind::Switch, .flag = flag, .help = help};
}

constexpr CliOptionRow kOptionTable[] = {
    NumberRow("--tempo", &OptionValues::Tempo, ClampTempo,
              "beats per minute, {range} (default {default})"),
    NumberRow("--speed", &OptionValues::Speed, ClampSpeed,
              "ticks per row, {range} (default {default})"),
    NumberRow("--width", &OptionValues::Width, ClampWidth,
              "picture width in pixels, {range}; N/4 channels (default {default})"),
    NumberRow("--height", &OptionValues::Height, ClampHeight,
              "picture height in pixels = pattern rows, {range} (default {default})"),
    {.name = "--threshold",
     .kind = OptionKind::Threshold,
     .number = &OptionValues::Threshold,
     .clamp = ClampThreshold,
     .value = "N|auto",
     .help = "brightness threshold, {range} (default {default}); auto: one for the\n"
             "whole animation, chosen from its brightness (Otsu's method)"},
    ChoiceRow<&PictureOptions::Dither>(
        "--dither", kDitherNames, "NAME",
        "black and white by dithering instead of the threshold: none,\n"
        "fs (Floyd-Steinberg), bayer4, bayer8, bayer16, cluster6,\n"
        "cluster8 or cluster16 (default {default})"),
    ChoiceRow<&PictureOptions::Timing>("--timing", kTimingNames, "FROM",
                                       "tempo and speed from: settings, or gif (the GIF's median\n"
                                       "frame delay) (default {default})"),
    ChoiceRow<&PictureOptions::Backdrop>(
        "--transparent", kBackdropNames, "SHOW",
        "what shows where no frame has drawn or a frame is transparent:\n"
        "background (the GIF's background colour), light or dark\n"
        "(default {default})"),
    {.name = "--fit",
     .kind = OptionKind::Fit,
     .value = "TRACKER",
     .help = "width and height for a tracker's pattern view: {fits};\n"
             "the largest picture it shows whole, centred on the break row, in\n"
             "the GIF's proportions as it draws them (needs INPUT). A later\n"
             "width or height option sets only its own.{fithelp}"},
    {.name = "--title",
     .kind = OptionKind::Title,
     .value = "TEXT",
     .help = "the module's name, up to 20 bytes of printable ASCII, longer\n"
             "text cut (default vorlix; not kept in vorlix.conf)"},
    {.name = "--fill",
     .kind = OptionKind::FillList,
     .value = "A,B,C,D,E",
     .help = "note, instrument, volume, effect type and parameter bytes of a\n"
             "drawn cell (default {default})"},
    {.name = "--inverse",
     .kind = OptionKind::BoxOn,
     .box = &OptionValues::InverseColors,
     .help = "draw the bright pixels instead of the dark ones"},
    {.name = "--no-inverse", .kind = OptionKind::BoxOff, .box = &OptionValues::InverseColors},
    {.name = "--break",
     .kind = OptionKind::BoxOn,
     .box = &OptionValues::BreakPatterns,
     .help = "put a pattern break into every pattern (default {default})"},
    {.name = "--no-break", .kind = OptionKind::BoxOff, .box = &OptionValues::BreakPatterns},
    {.name = "--preview",
     .kind = OptionKind::Text,
     .text = &CliOptions::preview,
     .value = "FILE",
     .help = "write a preview of what a tracker shows to FILE instead of a\n"
             "module (a module too when OUTPUT is given): FILE.png one frame,\n"
             "FILE.gif all frames at the module's timing; never replaced,\n"
             "numbered like modules"},
    {.name = "--frame",
     .kind = OptionKind::Count,
     .count = &CliOptions::previewFrame,
     .value = "N",
     .help = "the frame of a .png preview, from 0 (default {default})"},
    {.name = "--preview-style",
     .kind = OptionKind::Style,
     .value = "S",
     .help = "picture (one pixel per column, default), tracker (the\n"
             "pattern view's text), ft2 (as MilkyTracker shows it, in FastTracker 2's\n"
             "notation) or schism (as Schism Tracker shows it)"},
    SwitchRow("--save-settings", nullptr, &CliOptions::saveSettings,
              "store the resulting options in vorlix.conf (INPUT optional)"),
    SwitchRow("--quiet", "-q", &CliOptions::quiet,
              "errors only: no progress lines, no Information messages"),
    SwitchRow("--help", "-h", &CliOptions::help, "this text"),
    SwitchRow("--version", nullptr, &CliOptions::version, "the version"),
};

// The names --fit takes, "none (default), ..., ft2 or CHANNELSxROWS (e.g. 8x32)", broken into
// lines of the help's width.
std::string FitNameList() {
  std::vector<std::string> names;
  for (const TrackerPreset& preset : TrackerPresets()) names.emplace_back(preset.name);
  names.front() += " (default)";
  names.push_back(std::string(kCustomFitForm) + " (e.g. 8x32)");
  std::string text;
  std::size_t lineStart = 0;
  // The first line starts after the words before the list.
  constexpr std::size_t kFirstLine = 45, kWidth = 62;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string separator = i == 0 ? "" : i + 1 == names.size() ? " or " : ", ";
    const std::size_t room = lineStart == 0 ? kWidth - kFirstLine : kWidth;
    if (text.size() - lineStart + separator.size() + names[i].size() > room) {
      text += separator == " or " ? " or\n" : ",\n";
      lineStart = text.size();
    } else {
      text += separator;
    }
    text += names[i];
  }
  return text;
}

// What each preset shows, "name: help" one after another.
std::string FitPresetHelp() {
  std::string text;
  for (const TrackerPreset& preset : TrackerPresets()) {
    if (preset.name == kNoFit) continue;
    text.append("\n").append(preset.name).append(": ").append(preset.help);
  }
  return text.append("\n").append(kCustomFitForm).append(": at MilkyTracker's proportions");
}

// The built-in value of the row's option, as its help line shows it.
std::string DefaultText(const CliOptionRow& row, const OptionValues& defaults) {
  switch (row.kind) {
    case OptionKind::Number:
    case OptionKind::Threshold:
      return std::to_string(defaults.*row.number);
    case OptionKind::Choice:
      return std::string(row.names[row.chosen(defaults)]);
    case OptionKind::FillList: {
      std::string text;
      for (const std::uint32_t byte : defaults.FillBytes) {
        if (!text.empty()) text += ',';
        text += std::to_string(byte);
      }
      return text;
    }
    case OptionKind::BoxOn:
      return defaults.*row.box ? "on" : "off";
    case OptionKind::Count:
      return std::to_string(kDefaultPreviewFrame);
    default:
      return "";
  }
}

void Replace(std::string& text, std::string_view key, const std::string& value) {
  if (const std::size_t at = text.find(key); at != std::string::npos) {
    text.replace(at, key.size(), value);
  }
}

struct HelpLine {
  std::string left;  // the option's name, value and short form, or a pair of names
  std::string text;
  bool pair = false;
};

std::vector<HelpLine> HelpLines() {
  // The values that the dialog's fields show for the built-in settings.
  const OptionValues defaults = ShownOptionValues(StartupSettings());
  std::vector<HelpLine> lines;
  for (const CliOptionRow& row : kOptionTable) {
    if (row.help == nullptr) {
      lines.back().left += std::string(", ") + row.name;
      lines.back().pair = true;
      continue;
    }
    HelpLine line{.left = row.name, .text = row.help};
    if (row.value != nullptr) line.left += std::string(" ") + row.value;
    if (row.alias != nullptr) line.left += std::string(", ") + row.alias;
    if (line.text.find("{range}") != std::string::npos)
      Replace(line.text, "{range}", RangeText(row));
    Replace(line.text, "{default}", DefaultText(row, defaults));
    Replace(line.text, "{fits}", FitNameList());
    Replace(line.text, "{fithelp}", FitPresetHelp());
    lines.push_back(line);
  }
  return lines;
}

// The option lines of --help. The texts of single options start in one column, those of pairs
// in another; each is three blanks after the longest left part it has to clear.
std::string OptionHelp() {
  const std::vector<HelpLine> lines = HelpLines();
  std::size_t column[2] = {0, 0};
  for (const HelpLine& line : lines) {
    column[line.pair] = std::max(column[line.pair], line.left.size() + 3);
  }
  std::string help;
  for (const HelpLine& line : lines) {
    const std::size_t width = column[line.pair];
    help += "  " + line.left + std::string(width - line.left.size(), ' ');
    for (const char c : line.text) {
      help += c;
      if (c == '\n') help += std::string(2 + width, ' ');
    }
    help += '\n';
  }
  return help;
}

}  // namespace

const CliOptionRow* FindOption(std::string_view name) {
  for (const CliOptionRow& row : kOptionTable) {
    if (name == row.name || (row.alias != nullptr && name == row.alias)) return &row;
  }
  return nullptr;
}

std::string RangeText(const CliOptionRow& row) {
  return std::to_string(row.clamp(0)) + ".." +
         std::to_string(row.clamp(std::numeric_limits<std::uint32_t>::max()));
}

std::string CliUsage() {
  return "Usage: vorlix-cli [options] INPUT [OUTPUT]\n"
         "Turns an animated GIF into an XM module whose patterns draw the animation.\n"
         "\n"
         "OUTPUT gets \".xm\" added when missing; an existing file is never replaced: the name\n"
         "is numbered (_1, _2, ...) instead. Without OUTPUT the module is named after INPUT;\n"
         "an empty OUTPUT or one that names a folder is a usage error.\n"
         "Options start from the built-in defaults, then vorlix.conf of the working folder.\n"
         "\n" +
         OptionHelp() +
         "\n"
         "Values out of range are clamped. Every error is one line on standard error that\n"
         "starts with \"Error: \". Exit status: 0 module written, 1 not written, 2 usage error.\n";
}

}  // namespace vorlix
