#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <random>
#include <sstream>

#include "convert/conversion_run.h"
#include "convert/numbered_name.h"
#include "tests/support/gif_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_helpers.h"
#include "tests/support/xm_reader.h"

namespace vorlix {
namespace {

using testfs::Exists;
using testfs::TempDir;
using testgif::GifDescription;
using testgif::GifFrame;

// Remembers what a run showed, in order.
struct Recorder {
  std::vector<std::pair<MessageKind, std::string>> messages;
  std::vector<std::string> statuses;
  RunReporter Reporter() {
    return {[this](MessageKind k, const std::string& t) { messages.emplace_back(k, t); },
            [this](const std::string& t) { statuses.push_back(t); }};
  }
};

using Messages = std::vector<std::pair<MessageKind, std::string>>;
const auto kError = MessageKind::Error;
const auto kInfo = MessageKind::Information;

// A GIF of `frames` full frames, each with a different stripe so frames differ.
GifDescription Stripes(int frames, int width = 16, int height = 12) {
  GifDescription gif;
  gif.width = width;
  gif.height = height;
  gif.globalPalette = {{255, 255, 255}, {0, 0, 0}};
  for (int f = 0; f < frames; ++f) {
    GifFrame frame = testgif::SolidFrame(0, 0, width, height, 0);
    for (int x = 0; x < width; ++x) frame.indices[(f % height) * width + x] = 1;
    gif.frames.push_back(frame);
  }
  return gif;
}

class ConversionRunTest : public ::testing::Test {
 protected:
  TempDir dir{true};
  ConversionSettings settings = StartupSettings();
  RunState state;
  Recorder rec;
  std::ostringstream out;

  void MakeGif(const std::string& name, const GifDescription& gif) {
    ASSERT_TRUE(testgif::WriteGif(name, gif));
  }
  void Touch(const std::string& name, const std::string& content = "keep") {
    ASSERT_TRUE(testfs::WriteBytes(name, {content.begin(), content.end()}));
  }
  int Save(const std::string& output, const std::string& input) {
    return static_cast<int>(ConversionRun(output, input, rec.Reporter(), out, settings, state));
  }
  void LoadOk(const std::string& input) {
    LoadInput(input, rec.Reporter(), state);
    ASSERT_TRUE(state.InputLoadedFlag);
    rec.messages.clear();
  }
};

TEST_F(ConversionRunTest, ResolvesOutputNames) {
  Touch("song.xm");
  Touch("song_1.xm");
  Touch("tune.XM.xm");
  Touch(".xm");
  std::filesystem::create_directory("clips");
  Touch("clips/cat.xm");
  const std::pair<const char*, const char*> cases[] = {
      {"song.xm", "song_2.xm"},
      {"song", "song_2.xm"},
      {"fresh", "fresh.xm"},
      {"fresh.xm", "fresh.xm"},
      {"tune.XM", "tune.XM_1.xm"},
      {"other.XM", "other.XM.xm"},
      {"a", "a.xm"},
      {"", "_1.xm"},
      {"xm", "xm.xm"},
      {"clips/cat.xm", "clips/cat_1.xm"},
  };
  for (auto [typed, expected] : cases) EXPECT_EQ(ResolveOutputName(typed), expected) << typed;
}

TEST_F(ConversionRunTest, NamesAreNumberedAfreshOnEverySave) {
  MakeGif("in.gif", Stripes(2));
  LoadOk("in.gif");
  Touch("song.xm");
  Touch("song_1.xm");
  EXPECT_EQ(Save("song.xm", "in.gif"), 1);
  EXPECT_EQ(Save("song.xm", "in.gif"), 1);
  EXPECT_TRUE(Exists("song_2.xm"));
  EXPECT_TRUE(Exists("song_3.xm"));
}

TEST_F(ConversionRunTest, ConvertsTenFramesWithProgressAndStatus) {
  MakeGif("ten.gif", Stripes(10));
  LoadInput("ten.gif", rec.Reporter(), state);
  EXPECT_EQ(rec.messages, (Messages{{kInfo, "File loaded."}}));
  EXPECT_TRUE(state.InputLoadedFlag);

  EXPECT_EQ(Save("song", "ten.gif"), 1);
  std::string expected = "Saving to: song.xm.\n";
  for (int j = 0; j < 10; ++j)
    expected += "Frame " + std::to_string(j) + " converted succesfully.\n";
  expected += "Successfully saved to file song.xm.";  // no line end after the success line
  EXPECT_EQ(out.str(), expected);
  EXPECT_EQ(state.SaveOutcome, SaveOutcome::Written);
  ASSERT_EQ(rec.statuses.size(), 10u);
  EXPECT_EQ(rec.statuses.front(), "Converted frames: 1/10");
  EXPECT_EQ(rec.statuses.back(), "Converted frames: 10/10");
  EXPECT_EQ(rec.messages,
            (Messages{{kInfo, "File loaded."}, {kInfo, "Successfully saved to file song.xm."}}));

  const auto bytes = testxm::ReadFileBytes("song.xm");
  const auto module = testxm::ParseModule(bytes);
  EXPECT_EQ(module.songLength, 10);
  EXPECT_EQ(module.patternCount, 10);
  EXPECT_EQ(module.instrument.size(), 303u);
  const auto view = testxm::LoadWithOpenmpt(bytes);
  ASSERT_TRUE(view.loaded);
  EXPECT_EQ(view.patterns, 10);
  EXPECT_EQ(view.channels, 30);
  EXPECT_EQ(view.rowsPerPattern, std::vector<int>(10, 150));
}

TEST_F(ConversionRunTest, CapsAtMaxFramesWithANoticeOnlyAboveIt) {
  settings.Width = 8;
  settings.Height = 16;
  for (int frames : {240, 241}) {
    SCOPED_TRACE(frames);
    rec = Recorder{};
    const std::string name = std::string("f").append(std::to_string(frames));
    MakeGif(name + ".gif", Stripes(frames, 4, 4));
    LoadOk(name + ".gif");
    EXPECT_EQ(Save(name, name + ".gif"), 1);
    const bool notice =
        !rec.messages.empty() &&
        rec.messages.front() ==
            std::make_pair(kInfo, std::string("Too many frames. The animation will be cut."));
    EXPECT_EQ(notice, frames > 240);
    EXPECT_EQ(rec.statuses.back(), "Converted frames: 240/240");
    const auto module = testxm::ParseModule(testxm::ReadFileBytes(name + ".xm"));
    EXPECT_EQ(module.patternCount, 240);
    EXPECT_EQ(module.songLength, 240);
  }
}

TEST_F(ConversionRunTest, LoadFailures) {
  LoadInput("missing.gif", rec.Reporter(), state);
  EXPECT_EQ(rec.messages, (Messages{{kError, "File not found."}}));
  EXPECT_EQ(state.SaveOutcome, SaveOutcome::NothingLoaded);
  EXPECT_FALSE(state.InputLoadedFlag);

  rec = Recorder{};
  Touch("notes.txt", "not a picture at all");
  LoadInput("notes.txt", rec.Reporter(), state);
  EXPECT_EQ(rec.messages, (Messages{{kError, "Cannot open this file."}}));
  EXPECT_FALSE(state.InputLoadedFlag);
  rec = Recorder{};
  EXPECT_EQ(Save("out", "notes.txt"), -1);
  EXPECT_EQ(rec.messages, (Messages{{kError, "Nothing is loaded."}}));
  EXPECT_EQ(out.str(), "Saving to: out.xm.\n");
  EXPECT_FALSE(Exists("out.xm"));
}

// Something at the path that cannot be opened for reading is reported as such, not as missing;
// a folder still counts as absent.
TEST_F(ConversionRunTest, AnInputThatIsThereButCannotBeReadIsNotCalledMissing) {
  std::filesystem::create_symlink("loop.gif", "loop.gif");  // opens for nobody, not even root
  Touch("private.gif", "GIF89a");
  ::chmod("private.gif", 0);
  const bool privateIsReadable = ::access("private.gif", R_OK) == 0;  // so it is for root
  std::filesystem::create_symlink("missing.gif", "dangling.gif");
  std::filesystem::create_directory("folder.gif");
  struct Case {
    const char* path;
    const char* message;
  };
  std::vector<Case> cases = {{"loop.gif", "Cannot read this file."},
                             {"dangling.gif", "File not found."},
                             {"folder.gif", "File not found."}};
  if (!privateIsReadable) cases.push_back({"private.gif", "Cannot read this file."});
  for (const Case& c : cases) {
    rec = Recorder{};
    LoadInput(c.path, rec.Reporter(), state);
    EXPECT_EQ(rec.messages, (Messages{{kError, c.message}})) << c.path;
    EXPECT_EQ(state.SaveOutcome, SaveOutcome::NothingLoaded) << c.path;
    EXPECT_FALSE(state.InputLoadedFlag) << c.path;
  }
}

TEST_F(ConversionRunTest, AFailedLoadForgetsTheEarlierSuccess) {
  MakeGif("in.gif", Stripes(2));
  LoadOk("in.gif");
  LoadInput("gone.gif", rec.Reporter(), state);
  rec = Recorder{};
  EXPECT_EQ(Save("out", "in.gif"), -1);
  EXPECT_EQ(rec.messages, (Messages{{kError, "Nothing is loaded."}}));
  EXPECT_TRUE(rec.statuses.empty());
}

TEST_F(ConversionRunTest, TheLoadedFlagIsNotTiedToAPath) {
  MakeGif("first.gif", Stripes(2));
  MakeGif("second.gif", Stripes(5));
  LoadOk("first.gif");
  EXPECT_EQ(Save("out", "second.gif"), 1);
  EXPECT_EQ(testxm::ParseModule(testxm::ReadFileBytes("out.xm")).patternCount, 5);
}

TEST_F(ConversionRunTest, AGifWithoutFramesGivesHeaderAndInstrumentOnly) {
  MakeGif("in.gif", Stripes(1));
  LoadOk("in.gif");
  GifDescription empty = Stripes(0);
  MakeGif("empty.gif", empty);
  EXPECT_EQ(Save("out", "empty.gif"), 1);
  EXPECT_EQ(testxm::ReadFileBytes("out.xm").size(), 639u);
  EXPECT_TRUE(rec.statuses.empty());
}

TEST_F(ConversionRunTest, BackslashesAreDirectorySeparators) {
  std::filesystem::create_directory("sub");
  MakeGif("sub/in.gif", Stripes(1));
  LoadOk(".\\sub\\in.gif");
  EXPECT_EQ(Save("sub\\out", ".\\sub\\in.gif"), 1);
  EXPECT_TRUE(Exists("sub/out.xm"));
}

TEST_F(ConversionRunTest, AnUnreadableExistingOutputIsNeverTouched) {
  MakeGif("in.gif", Stripes(1));
  LoadOk("in.gif");
  Touch("song.xm", "precious");
  ::chmod("song.xm", 0);
  EXPECT_EQ(Save("song", "in.gif"), 1);
  ::chmod("song.xm", 0644);
  EXPECT_EQ(testxm::ReadFileBytes("song.xm"),
            (std::vector<std::uint8_t>{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
  EXPECT_TRUE(Exists("song_1.xm"));
}

TEST_F(ConversionRunTest, OutputInAMissingFolderIsAnErrorNotASuccess) {
  MakeGif("in.gif", Stripes(1));
  LoadOk("in.gif");
  EXPECT_EQ(Save("nowhere/out", "in.gif"), 0);
  EXPECT_EQ(rec.messages, (Messages{{kError, "Cannot write the file nowhere/out.xm."}}));
  EXPECT_EQ(out.str(), "Saving to: nowhere/out.xm.\n");
}

TEST_F(ConversionRunTest, EveryNumberedNameTakenEndsTheRunNamingTheModuleAskedFor) {
  MakeGif("in.gif", Stripes(1));
  LoadOk("in.gif");
  ASSERT_TRUE(testfs::TakeNumberedNames("song", ".xm", kMaxNumberedNames));
  EXPECT_EQ(ResolveOutputName("song"), "");
  EXPECT_EQ(Save("song", "in.gif"), 0);
  EXPECT_EQ(rec.messages, (Messages{{kError, "Cannot write the file song.xm."}}));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(testfs::ListDir(".").size(), static_cast<std::size_t>(kMaxNumberedNames) + 1);
}

TEST_F(ConversionRunTest, AWriteFailurePartWayRemovesThePartialFile) {
  MakeGif("in.gif", Stripes(20));
  LoadOk("in.gif");
  // Files may grow to 2000 bytes only: the module needs far more.
  EXPECT_TRUE(testutil::RunWithFileSizeLimit(2000, [&] {
    const int outcome = Save("out", "in.gif");
    const bool reported = rec.messages.size() == 1 && rec.messages[0].first == kError &&
                          rec.messages[0].second == "Cannot write the file out.xm.";
    const bool noSuccessLine = out.str().find("Successfully") == std::string::npos;
    return outcome == 0 && state.SaveOutcome == SaveOutcome::NotWritten && reported &&
           noSuccessLine;
  }));
  EXPECT_FALSE(Exists("out.xm"));
}

TEST_F(ConversionRunTest, AHugeCanvasIsRefusedWithoutWritingAFile) {
  GifDescription gif = Stripes(1);
  gif.width = 65535;
  gif.height = 65535;
  MakeGif("huge.gif", gif);
  LoadOk("huge.gif");
  EXPECT_EQ(Save("out", "huge.gif"), 0);
  EXPECT_EQ(rec.messages, (Messages{{kError, "This animation is too large."}}));
  EXPECT_FALSE(Exists("out.xm"));
}

// Black and white pictures of exactly the output size survive stretching and the threshold
// unchanged, so every cell of the module can be checked against the pixels it came from.
TEST_F(ConversionRunTest, CellsDrawThePixelsOfEachFrame) {
  settings.Width = 40;
  settings.Height = 30;
  GifDescription gif;
  gif.width = 40;
  gif.height = 30;
  gif.globalPalette = {{255, 255, 255}, {0, 0, 0}};
  std::mt19937 random(7);
  for (int f = 0; f < 3; ++f) {
    GifFrame frame = testgif::SolidFrame(0, 0, 40, 30, 0);
    for (auto& index : frame.indices) index = random() % 2;
    gif.frames.push_back(frame);
  }
  MakeGif("noise.gif", gif);
  LoadOk("noise.gif");
  ASSERT_EQ(Save("noise", "noise.gif"), 1);
  const auto first = testxm::ReadFileBytes("noise.xm");
  const auto module = testxm::ParseModule(first);
  ASSERT_EQ(module.patterns.size(), 3u);
  const int channels = 10, breakCell = channels * (15 + 1) - 1;
  for (int f = 0; f < 3; ++f) {
    const auto cells = testxm::UnpackCells(module.patterns[f], channels);
    for (int i = 0; i < static_cast<int>(cells.size()); ++i) {
      const testxm::Cell& cell = cells[i];
      if (i == breakCell) {
        EXPECT_TRUE(cell.has[3] && cell.value[3] == 0x0D && cell.value[4] == 0x15);
        continue;
      }
      const int row = i / channels, channel = i % channels;
      for (int m = 0; m < 4; ++m) {
        const bool dark = gif.frames[f].indices[row * 40 + channel * 4 + m] == 1;
        ASSERT_EQ(cell.has[m], dark) << "frame " << f << " cell " << i << " mark " << m;
      }
      ASSERT_EQ(cell.has[4], cell.has[3]);
    }
  }
  ASSERT_EQ(Save("noise", "noise.gif"), 1);
  EXPECT_EQ(testxm::ReadFileBytes("noise_1.xm"), first);
}

// A fully drawn cell is written without a flag byte, which a note byte with its high bit set
// would be taken for. Read by an outside player, every cell of the module must say what the same
// cells say when each is written with a flag byte, whatever the fill bytes hold.
TEST_F(ConversionRunTest, EveryCellReadsBackWhateverTheFillBytes) {
  settings.Width = 40;
  settings.Height = 30;
  GifDescription gif;
  gif.width = 40;
  gif.height = 30;
  gif.globalPalette = {{255, 255, 255}, {0, 0, 0}};
  std::mt19937 random(11);
  GifFrame frame = testgif::SolidFrame(0, 0, 40, 30, 1);
  // A third of the cells fully drawn, the others at random.
  for (std::size_t i = 0; i < frame.indices.size(); ++i) {
    if ((i / 4) % 3 != 0) frame.indices[i] = random() % 2;
  }
  gif.frames.push_back(frame);
  MakeGif("noise.gif", gif);
  LoadOk("noise.gif");
  const int channels = 10, cellCount = 300, breakCell = channels * (15 + 1) - 1;
  const std::array<std::uint8_t, 5> fills[] = {{61, 127, 77, 9, 99},
                                               {128, 127, 77, 9, 99},
                                               {0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                                               {0x9F, 0x80, 0x80, 0x0D, 0x80},
                                               {0x80, 0x01, 0x10, 0x0F, 0x06}};
  int n = 0;
  for (const auto& fill : fills) {
    settings.FillBytes = fill;
    const std::string name = "fill" + std::to_string(n++) + ".xm";
    ASSERT_EQ(Save(name, "noise.gif"), 1);
    const std::vector<std::uint8_t> written = testxm::ReadFileBytes(name);

    // The same pattern with a flag byte in front of every cell.
    std::vector<std::uint8_t> flagged;
    std::size_t fullCells = 0;
    for (int i = 0; i < cellCount; ++i) {
      if (i == breakCell) {
        flagged.insert(flagged.end(), {0x98, 0x0D, 0x15});
        continue;
      }
      const int row = i / channels, channel = i % channels;
      bool m[4];
      for (int k = 0; k < 4; ++k) m[k] = frame.indices[row * 40 + channel * 4 + k] == 1;
      if (m[0] && m[1] && m[2] && m[3]) ++fullCells;
      flagged.push_back(0x80 | (m[0] ? 1 : 0) | (m[1] ? 2 : 0) | (m[2] ? 4 : 0) | (m[3] ? 24 : 0));
      for (int k = 0; k < 3; ++k) {
        if (m[k]) flagged.push_back(fill[k]);
      }
      if (m[3]) flagged.insert(flagged.end(), {fill[3], fill[4]});
    }
    const testxm::Module module = testxm::ParseModule(written);
    ASSERT_EQ(module.patterns.size(), 1u);
    std::vector<std::uint8_t> reference(written.begin(), written.begin() + 336 + 7);
    reference.push_back(static_cast<std::uint8_t>(flagged.size()));
    reference.push_back(static_cast<std::uint8_t>(flagged.size() >> 8));
    reference.insert(reference.end(), flagged.begin(), flagged.end());
    reference.insert(reference.end(), module.instrument.begin(), module.instrument.end());

    const auto cells = testxm::OpenmptCells(written);
    const auto expected = testxm::OpenmptCells(reference);
    ASSERT_EQ(expected.size(), 1u);
    ASSERT_EQ(cells.size(), 1u) << "fill " << int(fill[0]);
    ASSERT_EQ(cells[0].size(), static_cast<std::size_t>(cellCount));
    for (int i = 0; i < cellCount; ++i) {
      const testxm::OpenmptCell &got = cells[0][i], &want = expected[0][i];
      ASSERT_TRUE(got.note == want.note && got.instrument == want.instrument &&
                  got.parameter == want.parameter)
          << "fill " << int(fill[0]) << " cell " << i;
    }
    // Only cells whose note byte has its high bit set leave the five-byte form: with such a
    // note byte every cell has a flag byte; otherwise every fully drawn cell drops it.
    const std::size_t dropped = (fill[0] & 0x80) ? 0 : fullCells;
    EXPECT_EQ(module.patterns[0].packed.size(), flagged.size() - dropped);
  }
}

}  // namespace
}  // namespace vorlix
