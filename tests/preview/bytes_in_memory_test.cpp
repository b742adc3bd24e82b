// A GIF held in memory converts as its file does: the module, the PNG of a frame and the GIF of
// all frames made from the bytes equal those made from the path, for several option sets, and a
// run from bytes into memory leaves no file behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "convert/commands.h"
#include "convert/conversion_run.h"
#include "preview/preview_run.h"
#include "tests/support/gif_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xm_reader.h"

namespace vorlix {
namespace {

using testfs::TempDir;
using testgif::GifDescription;
using testgif::GifFrame;

// Greys over the screen, then boxes drawn over them with a transparent corner, each disposal
// and delays that differ, so that timing, backdrop, threshold and dither all change the bytes.
GifDescription Boxes() {
  GifDescription gif;
  gif.width = 47;
  gif.height = 31;
  for (int i = 0; i < 16; ++i) {
    const auto v = static_cast<std::uint8_t>(i * 17);
    gif.globalPalette.push_back({v, v, static_cast<std::uint8_t>(255 - v)});
  }
  gif.backgroundIndex = 3;
  GifFrame first = testgif::SolidFrame(2, 1, 40, 27, 0);
  for (std::size_t i = 0; i < first.indices.size(); ++i) first.indices[i] = (i * 7 / 40) % 16;
  first.transparentIndex = 9;
  gif.frames.push_back(first);
  for (int f = 1; f < 6; ++f) {
    GifFrame box = testgif::SolidFrame(f * 5, f * 3, 14, 10, static_cast<std::uint8_t>(f * 3));
    box.indices[0] = 9;
    box.transparentIndex = 9;
    box.disposal = f % 4;
    box.delayCs = 4 + f * 3;
    gif.frames.push_back(box);
  }
  return gif;
}

struct OptionSet {
  const char* name;
  PictureOptions picture;
  int threshold;
};

const OptionSet kOptionSets[] = {
    {"plain", {}, 128},
    {"dither",
     {DitherMethod::FloydSteinberg, false, TimingSource::Settings, BackdropColour::Background},
     128},
    {"auto threshold",
     {DitherMethod::None, true, TimingSource::Settings, BackdropColour::Background},
     0},
    {"gif timing", {DitherMethod::None, false, TimingSource::Gif, BackdropColour::Background}, 90},
    {"backdrop", {DitherMethod::Bayer8, false, TimingSource::Settings, BackdropColour::Dark}, 128},
    {"all", {DitherMethod::None, true, TimingSource::Gif, BackdropColour::Light}, 128},
};

ConversionSettings Settings(const OptionSet& set) {
  ConversionSettings settings = StartupSettings();
  settings.Width = 24;
  settings.Height = 20;
  settings.Threshold = static_cast<std::uint8_t>(set.threshold);
  settings.Picture = set.picture;
  return settings;
}

// The messages a run shows, one line each.
struct Messages {
  std::vector<std::string> lines;
  RunReporter Reporter() {
    return {[this](MessageKind, const std::string& text) { lines.push_back(text); },
            [](const std::string&) {}};
  }
};

// What a Save and the two previews made, with the messages and progress lines on the way.
struct Made {
  std::vector<std::uint8_t> module, png, gif;
  std::vector<std::string> messages;
  std::string progress;
};

const PreviewRequest kPng{"frame.png", PreviewStyle::Tracker, 3};
const PreviewRequest kGif{"frames.gif", PreviewStyle::Picture, 0};

Made FromFile(const std::string& input, const TempDir& out, const ConversionSettings& settings) {
  Made made;
  Messages messages;
  std::ostringstream progress;
  RunState state;
  LoadInput(input, messages.Reporter(), state);
  EXPECT_EQ(ConversionRun(out / "module.xm", input, messages.Reporter(), progress, settings, state),
            SaveOutcome::Written);
  for (const PreviewRequest& request : {kPng, kGif}) {
    PreviewRequest inFolder = request;
    inFolder.typedName = out / request.typedName;
    EXPECT_TRUE(PreviewRun(inFolder, input, settings, messages.Reporter(), progress));
  }
  made.module = testxm::ReadFileBytes(out / "module.xm");
  made.png = testxm::ReadFileBytes(out / kPng.typedName);
  made.gif = testxm::ReadFileBytes(out / kGif.typedName);
  for (const char* name : {"module.xm", "frame.png", "frames.gif"})
    std::remove((out / name).c_str());
  made.messages = messages.lines;
  made.progress = progress.str();
  return made;
}

Made FromBytes(const GifInput& input, const ConversionSettings& settings, int frames) {
  Made made;
  Messages messages;
  std::ostringstream progress;
  RunState state;
  const LoadResult loaded = LoadInput(input, messages.Reporter(), state);
  EXPECT_TRUE(loaded.loaded);
  EXPECT_EQ(loaded.frames, frames);
  SaveResult saved =
      ConversionRun(ByteTarget("module.xm"), input, messages.Reporter(), progress, settings, state);
  EXPECT_EQ(saved.outcome, SaveOutcome::Written);
  EXPECT_EQ(saved.frames, frames);
  EXPECT_EQ(saved.name, "module.xm");
  made.module = std::move(saved.bytes);
  for (const PreviewRequest& request : {kPng, kGif}) {
    PreviewRequest inMemory = request;
    inMemory.inMemory = true;
    PreviewResult result = PreviewRun(inMemory, input, settings, messages.Reporter(), progress);
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.frames, frames);
    (request.typedName == kPng.typedName ? made.png : made.gif) = std::move(result.bytes);
  }
  made.messages = messages.lines;
  made.progress = progress.str();
  return made;
}

// The lines of a run from the file name its files with their folder; from bytes, without.
std::string WithoutFolder(std::string text, const std::string& folder) {
  for (std::size_t at; (at = text.find(folder + "/")) != std::string::npos;) {
    text.erase(at, folder.size() + 1);
  }
  return text;
}

TEST(BytesInMemory, ModuleAndPreviewsEqualThoseOfTheFileAndNoFileIsMade) {
  TempDir files;
  const std::string path = files / "in.gif";
  ASSERT_TRUE(testgif::WriteGif(path, Boxes()));
  std::vector<Made> fromFile;
  for (const OptionSet& set : kOptionSets) fromFile.push_back(FromFile(path, files, Settings(set)));

  const auto bytes = std::make_shared<const std::vector<std::uint8_t>>(testxm::ReadFileBytes(path));
  ASSERT_EQ(std::remove(path.c_str()), 0);
  TempDir empty(true);
  const GifInput input = GifInputFromBytes("in.gif", bytes);
  const int frames = static_cast<int>(Boxes().frames.size());
  for (std::size_t i = 0; i < std::size(kOptionSets); ++i) {
    SCOPED_TRACE(kOptionSets[i].name);
    const Made made = FromBytes(input, Settings(kOptionSets[i]), frames);
    ASSERT_FALSE(fromFile[i].module.empty());
    EXPECT_EQ(made.module, fromFile[i].module);
    EXPECT_EQ(made.png, fromFile[i].png);
    EXPECT_EQ(made.gif, fromFile[i].gif);
    std::vector<std::string> fileMessages;
    for (const std::string& line : fromFile[i].messages) {
      fileMessages.push_back(WithoutFolder(line, files.path()));
    }
    EXPECT_EQ(made.messages, fileMessages);
    EXPECT_EQ(made.progress, WithoutFolder(fromFile[i].progress, files.path()));
  }
  EXPECT_TRUE(testfs::ListDir(empty.path()).empty());
}

// Bytes the caller keeps need no copy; a run over bytes that are no GIF fails as a file does.
TEST(BytesInMemory, BorrowedBytesAndFailuresAsForAFile) {
  TempDir empty(true);
  const std::vector<std::uint8_t> gif = testgif::EncodeGif(Boxes());
  const std::vector<std::uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'g', 'i', 'f'};
  struct Case {
    const char* name;
    const std::vector<std::uint8_t>* bytes;
    bool loads;
    const char* message;  // the last message of the Load
  };
  const Case cases[] = {
      {"a gif", &gif, true, "File loaded."},
      {"text", &text, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Messages messages;
    RunState state;
    const GifInput input = GifInputFromBytes(c.name, c.bytes->data(), c.bytes->size());
    EXPECT_EQ(LoadInput(input, messages.Reporter(), state).loaded, c.loads);
    ASSERT_EQ(messages.lines.size(), 1u);
    if (c.message != nullptr) {
      EXPECT_EQ(messages.lines[0], c.message);
    }
    std::ostringstream progress;
    ConversionSettings settings = StartupSettings();
    const SaveResult saved = SaveCommand(input, ByteTarget("out"), ShownOptionValues(settings),
                                         settings, state, messages.Reporter(), progress);
    EXPECT_EQ(saved.outcome, c.loads ? SaveOutcome::Written : SaveOutcome::NothingLoaded);
    EXPECT_EQ(saved.bytes.empty(), !c.loads);
  }
  EXPECT_TRUE(testfs::ListDir(empty.path()).empty());
}

}  // namespace
}  // namespace vorlix
