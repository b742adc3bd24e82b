// The driver behind Load and Save: checks the input, converts up to MaxFrames frames into one
// module, and reports progress and the outcome. Runs without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "convert/gif_input.h"
#include "convert/messages.h"
#include "platform/file_checks.h"
#include "settings/conversion_settings.h"

namespace vorlix {

// How a run talks to its user. The dialog binds these to message boxes and its status line, the
// command-line program to standard error.
struct RunReporter {
  std::function<void(MessageKind kind, const std::string& text)> ShowMessage;
  std::function<void(const std::string& text)> SetStatusText;
};

// Shows one message of the table through the reporter.
void Report(const RunReporter& reporter, Message message, const std::string& name = "");

// How the last Save ended.
enum class SaveOutcome {
  NothingLoaded = -1,  // nothing loaded, or the input file not found
  NotWritten = 0,
  Written = 1,
};

// State that Load leaves for Save, and the outcome of the last command.
struct RunState {
  bool InputLoadedFlag = false;  // a Load found at least one frame (of whichever file)
  vorlix::SaveOutcome SaveOutcome = vorlix::SaveOutcome::NotWritten;
};

// Where a Save or a preview delivers what it makes: a new file, or bytes in memory.
struct OutputTarget {
  std::string name;       // a file's name as typed; for bytes, the name messages and lines show
  bool inMemory = false;  // the bytes come back in the result; no file is made
};
OutputTarget FileTarget(const std::string& typedName);
OutputTarget ByteTarget(const std::string& shownName);

// What a Load found.
struct LoadResult {
  bool loaded = false;  // a GIF with at least one frame
  int frames = 0;       // its frames as CountGifPages counts them (MaxFrames + 1 for more)
};

// The Load command: checks that the input opens as a GIF with at least one frame.
LoadResult LoadInput(const GifInput& input, const RunReporter& reporter, RunState& state);
// The same for the file at the typed path.
void LoadInput(const std::string& inputPath, const RunReporter& reporter, RunState& state);

// The typed name with ".xm" added when missing, numbered "_1", "_2", ... until no file of that
// name exists; "" when every numbered name is taken (FirstFreeNumberedName).
std::string ResolveOutputName(const std::string& typedName);

// What a Save made.
struct SaveResult {
  vorlix::SaveOutcome outcome = vorlix::SaveOutcome::NotWritten;
  int frames = 0;                   // frames converted
  std::string name;                 // the file written, or the name of the bytes
  std::vector<std::uint8_t> bytes;  // the module, when the target was in memory
};

// The Save command. Converts the input into a module for the target: a new file, numbered when
// its name is taken, or bytes. Progress lines go to `out` as each frame is written.
SaveResult ConversionRun(const OutputTarget& target, const GifInput& input,
                         const RunReporter& reporter, std::ostream& out,
                         const ConversionSettings& settings, RunState& state);
// The same from the file at the typed input path into a new file of the typed output name.
SaveOutcome ConversionRun(const std::string& typedOutputName, const std::string& inputPath,
                          const RunReporter& reporter, std::ostream& out,
                          const ConversionSettings& settings, RunState& state);

}  // namespace vorlix
