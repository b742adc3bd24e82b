// Every text the program shows its user: the messages of Load, Save and Save settings, and the
// progress lines and status text of a conversion.
#pragma once

#include <string>

namespace vorlix {

enum class MessageKind { Error, Information };

enum class Message {
  FileNotFound,
  CannotReadFile,  // there, but it cannot be opened for reading
  CannotOpenFile,
  FileLoaded,
  NothingLoaded,
  TooManyFrames,
  TooLarge,
  CannotWriteFile,  // names the file
  SavedToFile,      // names the file
  SettingsSaved,
  CannotSaveSettings,
  SettingsReadOnly,    // names the settings file
  AutomaticThreshold,  // gives the threshold chosen: AutomaticThresholdText
  GifTiming,           // gives the tempo and speed chosen: GifTimingText
  PreviewNameBad,      // names the file
  NoSuchFrame,         // names the frame number
  FileChanged,
  TitleCut,  // a --title longer than the module's name field
};

// How a conversion ended.
enum class RunError {
  None,
  CannotOpen,   // no GIF read from the file: its blocks, or the image library
  TooLarge,     // over the canvas budget, or out of memory part way
  CannotWrite,  // the module could not be written
  FileChanged,  // another program changed the file while it was read
};

MessageKind KindOf(Message message);
// The text of the message; `name` fills in the file name of the messages that name one.
std::string MessageText(Message message, const std::string& name = "");
// The message that reports a conversion's error. Not for RunError::None.
Message ErrorMessage(RunError error);

// The texts of the two messages that give the values a conversion chose.
std::string AutomaticThresholdText(int threshold);
std::string GifTimingText(int medianDelay, int tempo, int speed);

// Caption of a message box of that kind: "Error" or "Information".
const char* MessageCaption(MessageKind kind);

// Standard-output lines of a Save, and the status line after each frame.
std::string SavingToLine(const std::string& outputName);
std::string FrameConvertedLine(int frame);
std::string ConvertedFramesStatus(int converted, int frameTotal);
// Standard-output line of a written preview.
std::string PreviewSavedLine(const std::string& name);

}  // namespace vorlix
