#include "ui/core/dialog_procedure.h"

#include <string>

#include "convert/commands.h"
#include "platform/file_checks.h"
#include "settings/settings_file.h"
#include "ui/core/dialog_templates.h"

namespace vorlix {
namespace {

constexpr int kInputBufferSize = 3000;
constexpr int kOutputBufferSize = 1024;
const char kInitialInput[] = ".\\troll.gif";
const char kInitialOutput[] = "output.xm";

unsigned MessageBoxType(MessageKind kind) {
  return MB_OK | (kind == MessageKind::Error ? MB_ICONERROR : MB_ICONINFORMATION);
}

// Fills the fields from the settings. In the About box there are no such controls and the
// writes change nothing.
void InitDialog(DialogContext& c, WindowHandle dialog) {
  LoadSettingsFile(c.Settings);
  const WindowOps& ops = c.Ops;
  ops.SetDlgItemTextA(dialog, ControlId::InputPath, kInitialInput);
  ops.SetDlgItemTextA(dialog, ControlId::OutputPath, kInitialOutput);
  const OptionValues shown = ShownOptionValues(c.Settings);
  auto setNumber = [&](int id, std::uint32_t value) {
    ops.SetDlgItemTextA(dialog, id, std::to_string(value));
  };
  setNumber(ControlId::Tempo, shown.Tempo);
  setNumber(ControlId::Speed, shown.Speed);
  setNumber(ControlId::Width, shown.Width);
  setNumber(ControlId::Height, shown.Height);
  for (int i = 0; i < FillByteCount; ++i) setNumber(ControlId::FillFields[i], shown.FillBytes[i]);
  setNumber(ControlId::Threshold, shown.Threshold);
  // A box is only ever checked here, never unchecked.
  if (shown.InverseColors) ops.CheckDlgButton(dialog, ControlId::InverseColors, true);
  if (shown.BreakPatterns) ops.CheckDlgButton(dialog, ControlId::BreakPatterns, true);
}

// The option fields as a command takes them. The picture options have no field in the main
// dialog: they keep what the settings file (or another window) set.
OptionValues DialogOptionValues(DialogContext& c, WindowHandle dialog) {
  OptionValues values = ReadOptionFields(DialogOptionSource(c.Ops, dialog));
  values.Picture = c.Settings.Picture;
  return values;
}

void SaveSettings(DialogContext& c, WindowHandle dialog) {
  const OptionValues values = DialogOptionValues(c, dialog);
  SaveSettingsCommand(values, c.Settings, DialogReporter(c.Ops, dialog),
                      SettingsConfirmation::Shown);
}

// The typed input path as a command takes it.
GifInput DialogInput(DialogContext& c, WindowHandle dialog) {
  const std::string input = c.Ops.GetDlgItemTextA(dialog, ControlId::InputPath, kInputBufferSize);
  GifInput gif = GifInputFromPath(NativePath(input));
  gif.name = input;
  return gif;
}

void Load(DialogContext& c, WindowHandle dialog) {
  const GifInput input = DialogInput(c, dialog);
  LoadInput(input, DialogReporter(c.Ops, dialog), c.State);
  if (c.State.InputLoadedFlag && c.AfterLoad) c.AfterLoad(dialog, input.name);
}

void Save(DialogContext& c, WindowHandle dialog) {
  const OptionValues values = DialogOptionValues(c, dialog);
  const std::string output =
      c.Ops.GetDlgItemTextA(dialog, ControlId::OutputPath, kOutputBufferSize);
  SaveCommand(DialogInput(c, dialog), FileTarget(output), values, c.Settings, c.State,
              DialogReporter(c.Ops, dialog), c.Out);
}

bool Command(DialogContext& c, WindowHandle dialog, int id) {
  switch (id) {
    case ControlId::Ok:
    case ControlId::Quit:
      c.Ops.EndDialog(dialog, 0);
      return true;
    case ControlId::SaveSettings:
      SaveSettings(c, dialog);
      return true;
    case ControlId::Load:
      Load(c, dialog);
      return true;
    case ControlId::Save:
      Save(c, dialog);
      return true;
    case ControlId::About:
      // No owner: the main dialog stays usable while the About box is open.
      c.Ops.DialogBoxParamA(c.Instance, AboutDialogTemplate, nullptr, BindDialogProcedure(c), 0);
      return true;
    default:
      return false;
  }
}

}  // namespace

bool DialogProcedure(DialogContext& context, WindowHandle dialog, unsigned message,
                     std::uintptr_t wParam, std::intptr_t /*lParam*/) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(context, dialog);
      return true;
    case WM_COMMAND:
      return Command(context, dialog, CommandId(wParam));
    case WM_CLOSE:
      context.Ops.EndDialog(dialog, 0);
      return true;
    default:
      return false;
  }
}

DialogProc BindDialogProcedure(DialogContext& context) {
  return [&context](WindowHandle dialog, unsigned message, std::uintptr_t wParam,
                    std::intptr_t lParam) {
    return DialogProcedure(context, dialog, message, wParam, lParam);
  };
}

int RunMainDialog(DialogContext& context) {
  return static_cast<int>(context.Ops.DialogBoxParamA(context.Instance, MainDialogTemplate, nullptr,
                                                      BindDialogProcedure(context), 0));
}

RunReporter DialogReporter(const WindowOps& ops, WindowHandle dialog) {
  return {[&ops, dialog](MessageKind kind, const std::string& text) {
            ops.MessageBoxA(dialog, text, MessageCaption(kind), MessageBoxType(kind));
          },
          [&ops, dialog](const std::string& text) {
            ops.SetDlgItemTextA(dialog, ControlId::Status, text);
          }};
}

OptionSource DialogOptionSource(const WindowOps& ops, WindowHandle dialog) {
  return {[&ops, dialog](int id) { return ops.GetDlgItemInt(dialog, id); },
          [&ops, dialog](int id) { return ops.IsDlgButtonChecked(dialog, id); }};
}

}  // namespace vorlix
