#include "ui/win32/dialog_memory.h"

#include <string>

#include "ui/win32/wide_text.h"

// The system's header after vorlix's: its macros would rewrite names declared there.
#include <windows.h>

namespace vorlix {
namespace {

constexpr std::uint16_t kButtonClass = 0x0080;
constexpr std::uint16_t kEditClass = 0x0081;
constexpr std::uint16_t kStaticClass = 0x0082;

// Every dialog: a caption, a modal frame, centred, in the shell's dialog font.
constexpr DWORD kDialogStyle =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_CENTER | DS_FIXEDSYS | DS_SETFONT;
constexpr DWORD kNumberFieldStyle = WS_BORDER | WS_GROUP | ES_NUMBER | ES_AUTOHSCROLL;

struct ClassAndStyle {
  std::uint16_t windowClass;
  DWORD style;
};

ClassAndStyle ControlClassAndStyle(ControlKind kind) {
  switch (kind) {
    case ControlKind::PushButton:
      return {kButtonClass, BS_PUSHBUTTON | WS_TABSTOP};
    case ControlKind::DefaultButton:
      return {kButtonClass, BS_DEFPUSHBUTTON | WS_TABSTOP};
    case ControlKind::CheckBox:
      return {kButtonClass, BS_AUTOCHECKBOX | WS_TABSTOP};
    case ControlKind::GroupBox:
      return {kButtonClass, BS_GROUPBOX};
    case ControlKind::Label:
      return {kStaticClass, SS_LEFT};
    case ControlKind::PathField:
      return {kEditClass, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL};
    case ControlKind::NumberField:
      return {kEditClass, kNumberFieldStyle | WS_TABSTOP};
    case ControlKind::NumberFieldNoTabStop:
      return {kEditClass, kNumberFieldStyle};
  }
  return {kStaticClass, SS_LEFT};
}

class Words {
 public:
  void Word(unsigned value) { words_.push_back(static_cast<std::uint16_t>(value)); }
  void Double(unsigned long value) {
    Word(value & 0xFFFF);
    Word(value >> 16);
  }
  void Text(const char* utf8) {
    for (wchar_t c : WideFromUtf8(utf8)) Word(c);
    Word(0);
  }
  void AlignToDouble() {
    if (words_.size() % 2 != 0) Word(0);
  }
  std::vector<std::uint16_t> Take() { return std::move(words_); }

 private:
  std::vector<std::uint16_t> words_;
};

void AddControl(Words& out, const ControlTemplate& control) {
  const ClassAndStyle kind = ControlClassAndStyle(control.Kind);
  out.AlignToDouble();
  out.Double(0);  // help id
  out.Double(0);  // extended style
  out.Double(WS_CHILD | WS_VISIBLE | kind.style);
  out.Word(control.X), out.Word(control.Y), out.Word(control.Width), out.Word(control.Height);
  out.Double(static_cast<unsigned long>(control.Id));
  out.Word(0xFFFF), out.Word(kind.windowClass);  // a predefined class by its number
  out.Text(control.Caption);
  out.Word(0);  // no creation data
}

}  // namespace

std::vector<std::uint16_t> DialogTemplateWords(const DialogTemplate& dialog) {
  Words out;
  out.Word(1), out.Word(0xFFFF);  // version and signature of the extended template
  out.Double(0);                  // help id
  // The main dialog's frame has the window-edge extended style; the About box has none.
  out.Double(dialog.Id == MainDialogTemplate ? WS_EX_WINDOWEDGE : 0);
  out.Double(kDialogStyle | (dialog.CloseBox ? WS_SYSMENU : 0));
  out.Word(static_cast<unsigned>(dialog.Controls.size()));
  out.Word(0), out.Word(0), out.Word(dialog.Width), out.Word(dialog.Height);
  out.Word(0), out.Word(0);  // no menu, the dialog class
  out.Text(dialog.Caption);
  out.Word(dialog.FontPoints), out.Word(FW_NORMAL);
  out.Word(DEFAULT_CHARSET << 8);  // not italic
  out.Text(dialog.FontName);
  for (const ControlTemplate& control : dialog.Controls) AddControl(out, control);
  return out.Take();
}

}  // namespace vorlix
