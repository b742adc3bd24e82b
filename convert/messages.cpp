#include "convert/messages.h"

namespace vorlix {
namespace {

constexpr char kNamePlaceholder[] = "{name}";

struct MessageEntry {
  Message message;
  MessageKind kind;
  const char* text;
};

constexpr MessageEntry kMessages[] = {
    {Message::FileNotFound, MessageKind::Error, "File not found."},
    {Message::CannotReadFile, MessageKind::Error, "Cannot read this file."},
    {Message::CannotOpenFile, MessageKind::Error, "Cannot open this file."},
    {Message::FileLoaded, MessageKind::Information, "File loaded."},
    {Message::NothingLoaded, MessageKind::Error, "Nothing is loaded."},
    {Message::TooManyFrames, MessageKind::Information,
     "Too many frames. The animation will be cut."},
    {Message::TooLarge, MessageKind::Error, "This animation is too large."},
    {Message::CannotWriteFile, MessageKind::Error, "Cannot write the file {name}."},
    {Message::SavedToFile, MessageKind::Information, "Successfully saved to file {name}."},
    {Message::SettingsSaved, MessageKind::Information, "Done."},
    {Message::CannotSaveSettings, MessageKind::Error, "Cannot save the settings."},
    {Message::SettingsReadOnly, MessageKind::Error,
     "Cannot save the settings: {name} is read-only."},
    {Message::AutomaticThreshold, MessageKind::Information, "Automatic threshold: {threshold}."},
    {Message::GifTiming, MessageKind::Information,
     "Timing from the GIF: tempo {tempo}, speed {speed} for a median delay of {delay} "
     "hundredths of a second."},
    {Message::PreviewNameBad, MessageKind::Error,
     "A preview is written as .png or .gif, not as {name}."},
    {Message::NoSuchFrame, MessageKind::Error, "This animation has no frame {name}."},
    {Message::FileChanged, MessageKind::Error, "The file changed while it was read."},
    {Message::TitleCut, MessageKind::Information, "The title is cut to 20 bytes."},
};

const MessageEntry& EntryOf(Message message) {
  for (const MessageEntry& entry : kMessages) {
    if (entry.message == message) return entry;
  }
  return kMessages[0];  // every message is in the table
}

// The text with `placeholder` replaced by `value`.
std::string Fill(std::string text, const char* placeholder, const std::string& value) {
  if (const std::size_t at = text.find(placeholder); at != std::string::npos) {
    text.replace(at, std::char_traits<char>::length(placeholder), value);
  }
  return text;
}

}  // namespace

MessageKind KindOf(Message message) {
  return EntryOf(message).kind;
}

std::string MessageText(Message message, const std::string& name) {
  std::string text = EntryOf(message).text;
  if (const std::size_t at = text.find(kNamePlaceholder); at != std::string::npos) {
    text.replace(at, sizeof kNamePlaceholder - 1, name);
  }
  return text;
}

std::string AutomaticThresholdText(int threshold) {
  return Fill(EntryOf(Message::AutomaticThreshold).text, "{threshold}", std::to_string(threshold));
}

std::string GifTimingText(int medianDelay, int tempo, int speed) {
  std::string text = EntryOf(Message::GifTiming).text;
  text = Fill(text, "{tempo}", std::to_string(tempo));
  text = Fill(text, "{speed}", std::to_string(speed));
  return Fill(text, "{delay}", std::to_string(medianDelay));
}

Message ErrorMessage(RunError error) {
  switch (error) {
    case RunError::TooLarge:
      return Message::TooLarge;
    case RunError::CannotWrite:
      return Message::CannotWriteFile;
    case RunError::FileChanged:
      return Message::FileChanged;
    case RunError::CannotOpen:
    case RunError::None:
      break;
  }
  return Message::CannotOpenFile;
}

const char* MessageCaption(MessageKind kind) {
  return kind == MessageKind::Error ? "Error" : "Information";
}

std::string SavingToLine(const std::string& outputName) {
  return "Saving to: " + outputName + ".\n";
}

std::string FrameConvertedLine(int frame) {
  // Fixed text, spelling included: scripts and tests match it.
  return "Frame " + std::to_string(frame) + " converted succesfully.\n";
}

std::string ConvertedFramesStatus(int converted, int frameTotal) {
  return "Converted frames: " + std::to_string(converted) + "/" + std::to_string(frameTotal);
}

std::string PreviewSavedLine(const std::string& name) {
  return "Preview saved to file " + name + ".\n";
}

}  // namespace vorlix
