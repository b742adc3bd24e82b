// The driver behind Load and Save: checks the input, converts up to MaxFrames frames into one
// module, and reports progress and the outcome. Runs without a window.
#pragma once

#include <functional>
#include <ostream>
#include <string>

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

// The Load command: checks that the input opens as a GIF with at least one frame.
void LoadInput(const std::string& inputPath, const RunReporter& reporter, RunState& state);

// The typed name with ".xm" added when missing, numbered "_1", "_2", ... until no file of that
// name exists; "" when every numbered name is taken (FirstFreeNumberedName).
std::string ResolveOutputName(const std::string& typedName);

// The Save command. Converts the input into a new module; returns the SaveOutcome.
SaveOutcome ConversionRun(const std::string& typedOutputName, const std::string& inputPath,
                          const RunReporter& reporter, std::ostream& out,
                          const ConversionSettings& settings, RunState& state);

}  // namespace vorlix
