// Reads back what vorlix.exe is made of, through the system's own calls, for the Wine tests:
//   resource_check dialogs       both dialogs built from their templates by the dialog manager,
//                                compared with the template data; prints each mismatch
//   resource_check version EXE   the version record of EXE, one "name: value" line each
//   resource_check icon EXE      the images of the icon group 102 of EXE
// Exit status 0 when everything could be read (and, for dialogs, nothing differs).
#include <cstdio>
#include <string>

#include "ui/core/dialog_templates.h"
#include "ui/win32/dialog_memory.h"
#include "ui/win32/wide_text.h"

#include <windows.h>

namespace {

using vorlix::ControlKind;

int failures = 0;

void Differs(const char* what, int dialog, int order, const std::string& expected,
             const std::string& actual) {
  std::printf("FAIL dialog %d control %d %s: expected %s, have %s\n", dialog, order, what,
              expected.c_str(), actual.c_str());
  ++failures;
}

// The class and styles each kind of control has, as the templates' table gives them.
struct Expected {
  const char* windowClass;
  DWORD style;
};
Expected ExpectedOf(ControlKind kind) {
  const DWORD field = WS_BORDER | WS_GROUP | ES_NUMBER | ES_AUTOHSCROLL;
  switch (kind) {
    case ControlKind::PushButton:
      return {"Button", BS_PUSHBUTTON | WS_TABSTOP};
    case ControlKind::DefaultButton:
      return {"Button", BS_DEFPUSHBUTTON | WS_TABSTOP};
    case ControlKind::CheckBox:
      return {"Button", BS_AUTOCHECKBOX | WS_TABSTOP};
    case ControlKind::GroupBox:
      return {"Button", BS_GROUPBOX};
    case ControlKind::Label:
      return {"Static", SS_LEFT};
    case ControlKind::PathField:
      return {"Edit", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL};
    case ControlKind::NumberField:
      return {"Edit", field | WS_TABSTOP};
    case ControlKind::NumberFieldNoTabStop:
      return {"Edit", field};
  }
  return {"", 0};
}

std::string Text(HWND window) {
  wchar_t text[512] = L"";
  ::GetWindowTextW(window, text, 512);
  return vorlix::Utf8FromWide(text);
}

std::string Rect(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

int DefaultId(HWND dialog) {
  const LRESULT answer = ::SendMessageW(dialog, DM_GETDEFID, 0, 0);
  return HIWORD(answer) == DC_HASDEFID ? LOWORD(answer) : 0;
}

INT_PTR CALLBACK NoProcedure(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

// Button styles share their low bits; the rest are flags.
constexpr DWORD kCheckedStyle =
    0xF | WS_BORDER | WS_GROUP | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL | WS_CHILD | WS_VISIBLE;

void CheckControl(HWND dialog, HWND control, int order, const vorlix::DialogTemplate& t,
                  const vorlix::ControlTemplate& c) {
  const Expected expected = ExpectedOf(c.Kind);
  char windowClass[64] = "";
  ::GetClassNameA(control, windowClass, sizeof windowClass);
  if (lstrcmpiA(windowClass, expected.windowClass) != 0) {
    Differs("class", t.Id, order, expected.windowClass, windowClass);
  }
  const int id = ::GetDlgCtrlID(control) & 0xFFFF;
  if (id != c.Id) Differs("id", t.Id, order, std::to_string(c.Id), std::to_string(id));
  if (Text(control) != c.Caption) Differs("text", t.Id, order, c.Caption, Text(control));
  const DWORD mask = c.Kind == ControlKind::Label ? kCheckedStyle & ~0xFu : kCheckedStyle;
  DWORD style = static_cast<DWORD>(::GetWindowLongW(control, GWL_STYLE)) & mask;
  // The dialog manager draws a field's border as a sunken edge.
  if ((::GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0) style |= WS_BORDER;
  // It keeps one default button, the last: earlier ones become plain push buttons.
  if (c.Kind == ControlKind::DefaultButton && ::GetDlgCtrlID(control) != DefaultId(dialog)) {
    style = (style & ~0xFu) | BS_DEFPUSHBUTTON;
  }
  const DWORD want = (expected.style | WS_CHILD | WS_VISIBLE) & mask;
  if (style != want) Differs("style", t.Id, order, std::to_string(want), std::to_string(style));
  // Position and size are each turned into pixels on their own, as the dialog manager does.
  RECT place{c.X, c.Y, c.Width, c.Height};
  ::MapDialogRect(dialog, &place);
  place.right += place.left;
  place.bottom += place.top;
  RECT actual;
  ::GetWindowRect(control, &actual);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
  if (!::EqualRect(&place, &actual)) Differs("place", t.Id, order, Rect(place), Rect(actual));
}

void CheckDialog(const vorlix::DialogTemplate& t) {
  const auto words = vorlix::DialogTemplateWords(t);
  const HWND dialog = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr),
                                                   reinterpret_cast<LPCDLGTEMPLATEW>(words.data()),
                                                   nullptr, NoProcedure, 0);
  if (dialog == nullptr) {
    Differs("creation", t.Id, 0, "a dialog", "none");
    return;
  }
  if (Text(dialog) != t.Caption) Differs("caption", t.Id, 0, t.Caption, Text(dialog));
  const DWORD style = static_cast<DWORD>(::GetWindowLongW(dialog, GWL_STYLE));
  const bool closeBox = (style & WS_SYSMENU) != 0;
  if (closeBox != t.CloseBox)
    Differs("close box", t.Id, 0, t.CloseBox ? "yes" : "no", closeBox ? "yes" : "no");
  RECT size{0, 0, t.Width, t.Height}, client;
  ::MapDialogRect(dialog, &size);
  ::GetClientRect(dialog, &client);
  if (!::EqualRect(&size, &client)) Differs("size", t.Id, 0, Rect(size), Rect(client));
  // In template order, which is also the order of the windows.
  HWND control = ::GetWindow(dialog, GW_CHILD);
  int order = 1;
  for (const vorlix::ControlTemplate& c : t.Controls) {
    if (control == nullptr) {
      Differs("presence", t.Id, order, "a control", "none");
      break;
    }
    CheckControl(dialog, control, order++, t, c);
    control = ::GetWindow(control, GW_HWNDNEXT);
  }
  // The last default button of the template is the one Enter presses.
  int lastDefault = 0;
  for (const vorlix::ControlTemplate& c : t.Controls) {
    if (c.Kind == ControlKind::DefaultButton) lastDefault = c.Id;
  }
  if (DefaultId(dialog) != lastDefault) {
    Differs("default button", t.Id, 0, std::to_string(lastDefault),
            std::to_string(DefaultId(dialog)));
  }
  // Tab goes round every tab stop and never stops in a field without one.
  HWND at = ::GetNextDlgTabItem(dialog, nullptr, FALSE);
  for (std::size_t step = 0; at != nullptr && step < t.Controls.size(); ++step) {
    const int id = ::GetDlgCtrlID(at);
    if (id == vorlix::ControlId::Threshold) Differs("Tab", t.Id, 0, "no stop", "threshold");
    at = ::GetNextDlgTabItem(dialog, at, FALSE);
  }
  ::DestroyWindow(dialog);
}

std::wstring Wide(const char* text) {
  return vorlix::WideFromUtf8(text);
}

int Version(const char* exe) {
  const std::wstring path = Wide(exe);
  DWORD ignored = 0;
  std::string data(::GetFileVersionInfoSizeW(path.c_str(), &ignored), '\0');
  if (data.empty() || !::GetFileVersionInfoW(path.c_str(), 0, data.size(), data.data())) return 1;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &size)) return 1;
  std::printf("file version: %lu.%lu.%lu.%lu\n", fixed->dwFileVersionMS >> 16,
              fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16,
              fixed->dwFileVersionLS & 0xFFFF);
  std::printf("product version: %lu.%lu.%lu.%lu\n", fixed->dwProductVersionMS >> 16,
              fixed->dwProductVersionMS & 0xFFFF, fixed->dwProductVersionLS >> 16,
              fixed->dwProductVersionLS & 0xFFFF);
  for (const char* name : {"Comments", "CompanyName", "FileDescription", "FileVersion",
                           "InternalName", "LegalCopyright", "LegalTrademarks", "OriginalFilename",
                           "PrivateBuild", "ProductName", "ProductVersion", "SpecialBuild"}) {
    const std::wstring key = L"\\StringFileInfo\\040904B0\\" + Wide(name);
    wchar_t* value = nullptr;
    if (::VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &size)) {
      std::printf("%s: %s\n", name, vorlix::Utf8FromWide(value).c_str());
    } else {
      std::printf("%s: (missing)\n", name);
    }
  }
  return 0;
}

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bits;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

int Icon(const char* exe) {
  const HMODULE module = ::LoadLibraryExW(Wide(exe).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const HRSRC found =
      module ? ::FindResourceW(module, MAKEINTRESOURCEW(102), RT_GROUP_ICON) : nullptr;
  if (found == nullptr) return 1;
  const auto* group = static_cast<const WORD*>(::LockResource(::LoadResource(module, found)));
  const auto* entries = reinterpret_cast<const IconGroupEntry*>(group + 3);
  std::printf("icon 102: %u image(s)\n", group[2]);
  for (int i = 0; i < group[2]; ++i) {
    const int side = entries[i].width == 0 ? 256 : entries[i].width;
    std::printf("%dx%d, %u bits\n", side, entries[i].height == 0 ? 256 : entries[i].height,
                entries[i].bits);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "version" && argc == 3) return Version(argv[2]);
  if (what == "icon" && argc == 3) return Icon(argv[2]);
  if (what != "dialogs") return 2;
  for (int id : {vorlix::MainDialogTemplate, vorlix::AboutDialogTemplate}) {
    CheckDialog(*vorlix::FindDialogTemplate(id));
  }
  std::printf("dialogs: %d difference(s)\n", failures);
  return failures == 0 ? 0 : 1;
}
