#include "ui/core/dialog_procedure.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <list>
#include <map>
#include <set>
#include <sstream>

#include "settings/settings_file.h"
#include "tests/support/gif_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xm_reader.h"
#include "ui/core/dialog_templates.h"
#include "ui/core/version.h"

namespace vorlix {
namespace {

using testfs::Exists;
using testfs::TempDir;

// A dialog of the stand-in desktop: the text of every control that has an id, and the boxes.
struct FakeDialog {
  int TemplateId = 0;
  std::map<int, std::string> Texts;
  std::map<int, bool> Checked;
  bool Ended = false;
  std::intptr_t Result = -1;
};

struct ShownMessage {
  WindowHandle Owner;
  std::string Text, Caption;
  unsigned Type;
};

struct OpenedDialog {
  InstanceHandle Instance;
  int TemplateId;
  WindowHandle Owner;
  WindowHandle Handle;
};

// The window operations over dialogs kept in memory. A dialog opened through DialogBoxParamA
// gets WM_INITDIALOG, then `WhileOpen` runs (the user's actions) and its result is returned.
struct FakeDesktop {
  std::list<FakeDialog> Dialogs;
  std::vector<ShownMessage> Messages;
  std::vector<OpenedDialog> Opened;
  std::vector<std::string> StatusHistory;
  std::function<void(WindowHandle, const DialogProc&)> WhileOpen;

  WindowHandle Create(int templateId) {
    FakeDialog& d = Dialogs.emplace_back();
    d.TemplateId = templateId;
    for (const ControlTemplate& c : FindDialogTemplate(templateId)->Controls) {
      if (c.Id == ControlId::None) continue;
      d.Texts[c.Id] = c.Caption;
      if (c.Kind == ControlKind::CheckBox) d.Checked[c.Id] = false;
    }
    return &d;
  }
  FakeDialog& Of(WindowHandle h) { return *static_cast<FakeDialog*>(h); }

  WindowOps Ops() {
    WindowOps ops;
    ops.DialogBoxParamA = [this](InstanceHandle instance, int templateId, WindowHandle owner,
                                 const DialogProc& proc, std::intptr_t param) -> std::intptr_t {
      const WindowHandle h = Create(templateId);
      Opened.push_back({instance, templateId, owner, h});
      proc(h, WM_INITDIALOG, 0, param);
      if (WhileOpen) WhileOpen(h, proc);
      return Of(h).Result;
    };
    ops.EndDialog = [this](WindowHandle h, std::intptr_t result) {
      Of(h).Ended = true;
      Of(h).Result = result;
      return true;
    };
    ops.SetDlgItemTextA = [this](WindowHandle h, int id, const std::string& text) {
      auto it = Of(h).Texts.find(id);
      if (it == Of(h).Texts.end()) return false;
      it->second = text;
      if (id == ControlId::Status) StatusHistory.push_back(text);
      return true;
    };
    ops.GetDlgItemTextA = [this](WindowHandle h, int id, int size) {
      auto it = Of(h).Texts.find(id);
      return it == Of(h).Texts.end() ? std::string() : CutToBuffer(it->second, size);
    };
    ops.GetDlgItemInt = [this](WindowHandle h, int id) {
      auto it = Of(h).Texts.find(id);
      return it == Of(h).Texts.end() ? 0u : ParseDialogNumber(it->second);
    };
    ops.IsDlgButtonChecked = [this](WindowHandle h, int id) {
      auto it = Of(h).Checked.find(id);
      return it != Of(h).Checked.end() && it->second;
    };
    ops.CheckDlgButton = [this](WindowHandle h, int id, bool checked) {
      auto it = Of(h).Checked.find(id);
      if (it == Of(h).Checked.end()) return false;
      it->second = checked;
      return true;
    };
    ops.MessageBoxA = [this](WindowHandle owner, const std::string& text,
                             const std::string& caption, unsigned type) {
      Messages.push_back({owner, text, caption, type});
      return IDOK;
    };
    return ops;
  }
};

// GetDlgItemInt's reading of a field.
TEST(DialogNumbers, AcceptBlanksAroundDigitsOnly) {
  const std::pair<const char*, std::uint32_t> cases[] = {
      {"42", 42},        {"  42 ", 42},      {"\t7\t", 7},
      {"", 0},           {"   ", 0},         {"4 2", 0},
      {"42x", 0},        {"-1", 0},          {"+5", 0},
      {"0x10", 0},       {"007", 7},         {"4294967295", 4294967295u},
      {"4294967296", 0}, {"99999999999", 0}, {"000000000000001", 1},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ParseDialogNumber(text), expected) << '"' << text << '"';
  }
}

TEST(DialogNumbers, TextIsCutToTheBufferLessOne) {
  EXPECT_EQ(CutToBuffer("abcdef", 4), "abc");
  EXPECT_EQ(CutToBuffer("abc", 4), "abc");
  EXPECT_EQ(CutToBuffer("abc", 1), "");
  EXPECT_EQ(CutToBuffer("abc", 0), "");
}

TEST(DialogTemplates, EveryIdTheProgramAddressesIsAControlOfTheMainDialog) {
  const DialogTemplate* main = FindDialogTemplate(MainDialogTemplate);
  ASSERT_NE(main, nullptr);
  std::multiset<int> ids;
  for (const ControlTemplate& c : main->Controls) {
    if (c.Id != ControlId::None) ids.insert(c.Id);
    // Every control lies inside the dialog.
    EXPECT_LE(c.X + c.Width, main->Width) << c.Caption;
    EXPECT_LE(c.Y + c.Height, main->Height) << c.Caption;
  }
  const int addressed[] = {
      ControlId::Quit,      ControlId::OutputPath,    ControlId::Status,
      ControlId::InputPath, ControlId::Load,          ControlId::Save,
      ControlId::About,     ControlId::SaveSettings,  ControlId::Tempo,
      ControlId::Speed,     ControlId::Width,         ControlId::Height,
      ControlId::Threshold, ControlId::InverseColors, ControlId::BreakPatterns};
  for (int id : addressed) EXPECT_EQ(ids.count(id), 1u) << id;
  for (int id : ControlId::FillFields) EXPECT_EQ(ids.count(id), 1u) << id;
}

TEST(DialogTemplates, AboutBoxShowsTheVersionAndHasOnlyItsButton) {
  const DialogTemplate* about = FindDialogTemplate(AboutDialogTemplate);
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->CloseBox);
  EXPECT_FALSE(FindDialogTemplate(MainDialogTemplate)->CloseBox);
  int withId = 0;
  bool versionShown = false;
  for (const ControlTemplate& c : about->Controls) {
    if (c.Id != ControlId::None) ++withId;
    if (std::string(c.Caption) == std::string("version ") + kVersionText) versionShown = true;
  }
  EXPECT_EQ(withId, 1);
  EXPECT_TRUE(versionShown);
  EXPECT_EQ(FindDialogTemplate(102), nullptr);
}

class DialogProcedureTest : public ::testing::Test {
 protected:
  TempDir dir{true};
  FakeDesktop desk;
  WindowOps ops = desk.Ops();
  ConversionSettings settings = StartupSettings();
  RunState state;
  std::ostringstream out;
  int instanceTag = 0;
  DialogContext context{ops, &instanceTag, settings, state, out};

  // A main dialog as the program shows it: created, then initialised.
  WindowHandle OpenMain() {
    const WindowHandle h = desk.Create(MainDialogTemplate);
    EXPECT_TRUE(DialogProcedure(context, h, WM_INITDIALOG, 0, 0));
    return h;
  }
  bool Command(WindowHandle h, int id) {
    // The notification code in the high half is not looked at.
    return DialogProcedure(context, h, WM_COMMAND, static_cast<std::uintptr_t>(id) | (1u << 16), 0);
  }
  std::string& Field(WindowHandle h, int id) { return desk.Of(h).Texts[id]; }
  void ExpectLastMessage(WindowHandle owner, const std::string& text, MessageKind kind) {
    ASSERT_FALSE(desk.Messages.empty());
    const ShownMessage& m = desk.Messages.back();
    EXPECT_EQ(m.Owner, owner);
    EXPECT_EQ(m.Text, text);
    EXPECT_EQ(m.Caption, kind == MessageKind::Error ? "Error" : "Information");
    EXPECT_EQ(m.Type, kind == MessageKind::Error ? MB_ICONERROR : MB_ICONINFORMATION);
  }
  void WriteStripesGif(const std::string& path, int frames) {
    testgif::GifDescription gif;
    gif.width = 16;
    gif.height = 12;
    gif.globalPalette = {{255, 255, 255}, {0, 0, 0}};
    for (int f = 0; f < frames; ++f) {
      testgif::GifFrame frame = testgif::SolidFrame(0, 0, 16, 12, 0);
      for (int x = 0; x < 16; ++x) frame.indices[f * 16 + x] = 1;
      gif.frames.push_back(frame);
    }
    ASSERT_TRUE(testgif::WriteGif(path, gif));
  }
};

TEST_F(DialogProcedureTest, FirstStartWithoutSettingsFileShowsTheDefaults) {
  const WindowHandle main = OpenMain();
  const std::map<int, std::string> expected = {{ControlId::InputPath, ".\\troll.gif"},
                                               {ControlId::OutputPath, "output.xm"},
                                               {ControlId::Tempo, "250"},
                                               {ControlId::Speed, "5"},
                                               {ControlId::Width, "120"},
                                               {ControlId::Height, "150"},
                                               {ControlId::Fill1, "61"},
                                               {ControlId::Fill2, "127"},
                                               {ControlId::Fill3, "77"},
                                               {ControlId::Fill4, "9"},
                                               {ControlId::Fill5, "99"},
                                               {ControlId::Threshold, "160"},
                                               {ControlId::Status, "Converted frames: none"}};
  for (const auto& [id, text] : expected) EXPECT_EQ(Field(main, id), text) << id;
  EXPECT_FALSE(desk.Of(main).Checked[ControlId::InverseColors]);
  EXPECT_TRUE(desk.Of(main).Checked[ControlId::BreakPatterns]);
  EXPECT_TRUE(desk.Messages.empty());
  EXPECT_FALSE(Exists("vorlix.conf"));
}

TEST_F(DialogProcedureTest, SaveSettingsStoresClampedValuesAndLeavesTheFields) {
  const WindowHandle main = OpenMain();
  Field(main, ControlId::Speed) = "";
  Field(main, ControlId::Tempo) = "9999";
  desk.Of(main).Checked[ControlId::InverseColors] = true;
  EXPECT_TRUE(Command(main, ControlId::SaveSettings));
  ExpectLastMessage(main, "Done.", MessageKind::Information);
  EXPECT_EQ(desk.Messages.size(), 1u);
  const std::vector<std::uint8_t> file = testxm::ReadFileBytes("vorlix.conf");
  ASSERT_EQ(file.size(), 11u);
  EXPECT_EQ(file[0], 255);  // tempo clamped
  EXPECT_EQ(file[1], 1);    // empty speed reads as 0, clamped to 1
  EXPECT_EQ(file[10], 3);   // inverse and break flags
  EXPECT_EQ(Field(main, ControlId::Speed), "");
  EXPECT_EQ(Field(main, ControlId::Tempo), "9999");
}

TEST_F(DialogProcedureTest, SavedSettingsFillTheFieldsAfterARestart) {
  const WindowHandle first = OpenMain();
  Field(first, ControlId::Fill1) = "200";
  Field(first, ControlId::Height) = "16";
  desk.Of(first).Checked[ControlId::BreakPatterns] = false;
  ASSERT_TRUE(Command(first, ControlId::SaveSettings));

  settings = StartupSettings();  // a new process
  const WindowHandle second = OpenMain();
  EXPECT_EQ(Field(second, ControlId::Fill1), "200");
  EXPECT_EQ(Field(second, ControlId::Height), "16");
  EXPECT_EQ(Field(second, ControlId::Fill5), "99");
  EXPECT_FALSE(desk.Of(second).Checked[ControlId::BreakPatterns]);
}

TEST_F(DialogProcedureTest, PictureOptionsOfTheSettingsFileSurviveSaveSettings) {
  // The main dialog has no fields for them, so its Save settings keeps what the file holds.
  std::vector<std::uint8_t> file = {0xFA, 0x05, 0x78, 0x96, 0xA0, 0x3D, 0x7F, 0x4D, 0x09, 0x63,
                                    0x02, 'V',  'X',  'P',  'O',  1,    1,    1,    1,    2};
  ASSERT_TRUE(testfs::WriteBytes("vorlix.conf", file));
  const WindowHandle main = OpenMain();
  ASSERT_TRUE(Command(main, ControlId::SaveSettings));
  EXPECT_EQ(testxm::ReadFileBytes("vorlix.conf"), file);
  EXPECT_EQ(settings.Picture, (PictureOptions{DitherMethod::FloydSteinberg, true, TimingSource::Gif,
                                              BackdropColour::Dark}));
}

TEST_F(DialogProcedureTest, FailedSaveSettingsShowsAnError) {
  const WindowHandle main = OpenMain();
  // A working directory that no longer exists: no file can be made in it.
  ASSERT_EQ(::mkdir("gone", 0700), 0);
  ASSERT_EQ(::chdir("gone"), 0);
  ASSERT_EQ(::rmdir((dir.path() + "/gone").c_str()), 0);
  EXPECT_TRUE(Command(main, ControlId::SaveSettings));
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  ExpectLastMessage(main, "Cannot save the settings.", MessageKind::Error);
  EXPECT_EQ(desk.Messages.size(), 1u);
}

TEST_F(DialogProcedureTest, AboutBoxLeavesTheMainFieldsAndASaveUsesThem) {
  const WindowHandle main = OpenMain();
  Field(main, ControlId::Tempo) = "100";
  Field(main, ControlId::InputPath) = "in.gif";
  WriteStripesGif("in.gif", 2);
  // A settings file that the About box's initialisation reads into the settings.
  settings.Tempo = 77;
  ASSERT_TRUE(SaveSettingsFile(settings));

  WindowHandle about = nullptr;
  desk.WhileOpen = [&](WindowHandle h, const DialogProc& proc) {
    about = h;
    // Esc is not handled, OK ends the box.
    EXPECT_FALSE(proc(h, WM_COMMAND, IDCANCEL, 0));
    EXPECT_FALSE(desk.Of(h).Ended);
    EXPECT_TRUE(proc(h, WM_COMMAND, ControlId::Ok, 0));
  };
  EXPECT_TRUE(Command(main, ControlId::About));
  ASSERT_EQ(desk.Opened.size(), 1u);
  EXPECT_EQ(desk.Opened[0].TemplateId, AboutDialogTemplate);
  EXPECT_EQ(desk.Opened[0].Owner, nullptr);
  EXPECT_EQ(desk.Opened[0].Instance, &instanceTag);
  EXPECT_TRUE(desk.Of(about).Ended);
  EXPECT_EQ(desk.Of(about).Result, 0);
  EXPECT_EQ(desk.Of(about).Texts.size(), 1u);  // only the OK button, untouched
  EXPECT_EQ(desk.Of(about).Texts[ControlId::Ok], "OK");
  EXPECT_FALSE(desk.Of(main).Ended);
  EXPECT_EQ(Field(main, ControlId::Tempo), "100");
  EXPECT_EQ(Field(main, ControlId::InputPath), "in.gif");
  EXPECT_EQ(settings.Tempo, 77);

  desk.WhileOpen = nullptr;
  ASSERT_TRUE(Command(main, ControlId::Load));
  ASSERT_TRUE(Command(main, ControlId::Save));
  const auto module = testxm::ParseModule(testxm::ReadFileBytes("output.xm"));
  EXPECT_EQ(module.tempo, 100);
  EXPECT_EQ(settings.Tempo, 100);
}

TEST_F(DialogProcedureTest, QuitOkAndCloseEndTheDialogButEscAndOtherMessagesDoNot) {
  for (unsigned id : {1u, 1001u}) {
    const WindowHandle h = OpenMain();
    EXPECT_TRUE(Command(h, static_cast<int>(id)));
    EXPECT_TRUE(desk.Of(h).Ended);
    EXPECT_EQ(desk.Of(h).Result, 0);
  }
  const WindowHandle closed = OpenMain();
  EXPECT_TRUE(DialogProcedure(context, closed, WM_CLOSE, 0, 0));
  EXPECT_TRUE(desk.Of(closed).Ended);
  EXPECT_EQ(desk.Of(closed).Result, 0);

  const WindowHandle main = OpenMain();
  const auto before = desk.Of(main).Texts;
  EXPECT_FALSE(Command(main, IDCANCEL));
  EXPECT_FALSE(Command(main, ControlId::InverseColors));  // a box click is no command
  EXPECT_FALSE(Command(main, 4242));
  EXPECT_FALSE(DialogProcedure(context, main, 0x0200, 0, 0));
  EXPECT_FALSE(desk.Of(main).Ended);
  EXPECT_EQ(desk.Of(main).Texts, before);
  EXPECT_TRUE(desk.Messages.empty());
  EXPECT_FALSE(Exists("vorlix.conf"));
}

TEST_F(DialogProcedureTest, LoadAndSaveReportInTheMainDialog) {
  const WindowHandle main = OpenMain();
  // Save before any Load: the troll is not here.
  EXPECT_TRUE(Command(main, ControlId::Save));
  ExpectLastMessage(main, "Nothing is loaded.", MessageKind::Error);
  EXPECT_EQ(out.str(), "Saving to: output.xm.\n");
  EXPECT_TRUE(Command(main, ControlId::Load));
  ExpectLastMessage(main, "File not found.", MessageKind::Error);

  WriteStripesGif("troll.gif", 3);
  EXPECT_TRUE(Command(main, ControlId::Load));
  ExpectLastMessage(main, "File loaded.", MessageKind::Information);
  out.str("");
  EXPECT_TRUE(Command(main, ControlId::Save));
  ExpectLastMessage(main, "Successfully saved to file output.xm.", MessageKind::Information);
  EXPECT_EQ(desk.StatusHistory,
            (std::vector<std::string>{"Converted frames: 1/3", "Converted frames: 2/3",
                                      "Converted frames: 3/3"}));
  EXPECT_EQ(out.str(),
            "Saving to: output.xm.\nFrame 0 converted succesfully.\nFrame 1 converted "
            "succesfully.\nFrame 2 converted succesfully.\nSuccessfully saved to file output.xm.");
  EXPECT_EQ(testxm::ParseModule(testxm::ReadFileBytes("output.xm")).patternCount, 3);

  // A second Save numbers the new file; the loaded state carries over.
  EXPECT_TRUE(Command(main, ControlId::Save));
  ExpectLastMessage(main, "Successfully saved to file output_1.xm.", MessageKind::Information);

  // A Load of a missing file drops what was loaded.
  Field(main, ControlId::InputPath) = "missing.gif";
  EXPECT_TRUE(Command(main, ControlId::Load));
  ExpectLastMessage(main, "File not found.", MessageKind::Error);
  Field(main, ControlId::InputPath) = "troll.gif";
  EXPECT_TRUE(Command(main, ControlId::Save));
  ExpectLastMessage(main, "Nothing is loaded.", MessageKind::Error);
  for (const ShownMessage& m : desk.Messages) EXPECT_EQ(m.Owner, main);
}

TEST_F(DialogProcedureTest, OnlyASuccessfulLoadOpensThePreview) {
  std::vector<std::pair<WindowHandle, std::string>> previews;
  context.AfterLoad = [&](WindowHandle dialog, const std::string& input) {
    previews.emplace_back(dialog, input);
  };
  const WindowHandle main = OpenMain();
  EXPECT_TRUE(Command(main, ControlId::Load));  // the troll is not here
  EXPECT_TRUE(previews.empty());
  WriteStripesGif("troll.gif", 2);
  EXPECT_TRUE(Command(main, ControlId::Load));
  // After the "File loaded." box, with the path as typed.
  ExpectLastMessage(main, "File loaded.", MessageKind::Information);
  EXPECT_EQ(previews, (std::vector<std::pair<WindowHandle, std::string>>{{main, ".\\troll.gif"}}));
}

TEST_F(DialogProcedureTest, PathsAreReadThroughBuffersOf3000And1024) {
  const WindowHandle main = OpenMain();
  WriteStripesGif("in.gif", 1);
  // "././.../in.gif" filling exactly 2999 characters, then more that the buffer drops.
  std::string input = ".//";
  for (int i = 0; i < 1495; ++i) input += "./";
  input += "in.gif";
  ASSERT_EQ(input.size(), 2999u);
  Field(main, ControlId::InputPath) = input + "-cut-off";
  Field(main, ControlId::OutputPath) = std::string(1100, 'a');
  EXPECT_TRUE(Command(main, ControlId::Load));
  ExpectLastMessage(main, "File loaded.", MessageKind::Information);
  Field(main, ControlId::InputPath) = "missing.gif";
  EXPECT_TRUE(Command(main, ControlId::Save));
  EXPECT_EQ(out.str(), "Saving to: " + std::string(1023, 'a') + ".xm.\n");
}

TEST_F(DialogProcedureTest, ProgramRunsTheMainDialogWithoutOwnerAndExitsWithZero) {
  desk.WhileOpen = [&](WindowHandle h, const DialogProc& proc) {
    EXPECT_FALSE(proc(h, WM_COMMAND, IDCANCEL, 0));
    EXPECT_TRUE(proc(h, WM_COMMAND, ControlId::Quit, 0));
  };
  EXPECT_EQ(RunMainDialog(context), 0);
  ASSERT_EQ(desk.Opened.size(), 1u);
  EXPECT_EQ(desk.Opened[0].TemplateId, MainDialogTemplate);
  EXPECT_EQ(desk.Opened[0].Owner, nullptr);
  EXPECT_EQ(desk.Opened[0].Instance, &instanceTag);
  EXPECT_EQ(desk.Of(desk.Opened[0].Handle).Texts[ControlId::Tempo], "250");
}

}  // namespace
}  // namespace vorlix
