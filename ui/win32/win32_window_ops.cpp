#include "ui/win32/win32_window_ops.h"

#include <cstdint>
#include <string>
#include <vector>

#include "ui/core/dialog_templates.h"
#include "ui/win32/dialog_memory.h"
#include "ui/win32/wide_text.h"

// The system's headers after vorlix's: their macros would rewrite names declared there.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

namespace vorlix {
namespace {

constexpr int kIconResource = 102;

struct RunningDialog {
  Win32Desktop& desktop;
  const DialogTemplate& dialog;
  const DialogProc& procedure;
  std::intptr_t param;
};

HWND AsWindow(WindowHandle handle) {
  return static_cast<HWND>(handle);
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The first file of a drop fills the path field it was dropped on.
void TakeDrop(HWND field, HDROP drop) {
  const UINT length = ::DragQueryFileW(drop, 0, nullptr, 0);
  std::wstring path(length + 1, L'\0');
  if (length > 0 && ::DragQueryFileW(drop, 0, path.data(), length + 1) == length) {
    path.resize(length);
    ::SetWindowTextW(field, path.c_str());
    ::SendMessageW(field, EM_SETSEL, length, length);
  }
  ::DragFinish(drop);
}

LRESULT CALLBACK PathFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                               DWORD_PTR) {
  if (message == WM_DROPFILES) {
    TakeDrop(field, reinterpret_cast<HDROP>(wParam));
    return 0;
  }
  if (message == WM_NCDESTROY) ::RemoveWindowSubclass(field, PathFieldProc, id);
  return ::DefSubclassProc(field, message, wParam, lParam);
}

// A drop handed to the dialog itself goes to the path field under its point, if any.
void DropOnDialog(HWND hwnd, const DialogTemplate& dialog, HDROP drop) {
  POINT point{};
  ::DragQueryPoint(drop, &point);
  ::ClientToScreen(hwnd, &point);
  for (const ControlTemplate& control : dialog.Controls) {
    const HWND field = ::GetDlgItem(hwnd, control.Id);
    RECT place{};
    if (control.Kind == ControlKind::PathField && ::GetWindowRect(field, &place) &&
        ::PtInRect(&place, point)) {
      TakeDrop(field, drop);
      return;
    }
  }
  ::DragFinish(drop);
}

// The program's icon in the caption and the task bar; files taken by the path fields.
void PrepareDialog(HWND hwnd, const DialogTemplate& dialog) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  for (const auto& [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}}) {
    const int side = ::GetSystemMetrics(metric);
    HANDLE icon =
        ::LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, side, side, LR_SHARED);
    ::SendMessageW(hwnd, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
  // The dialog takes drops too, for systems that hand a drop to the top-level window: those
  // that land on a path field fill it, the others are let go.
  ::DragAcceptFiles(hwnd, TRUE);
  for (const ControlTemplate& control : dialog.Controls) {
    if (control.Kind != ControlKind::PathField) continue;
    const HWND field = ::GetDlgItem(hwnd, control.Id);
    ::DragAcceptFiles(field, TRUE);
    ::SetWindowSubclass(field, PathFieldProc, 1, 0);
  }
}

// Every dialog's procedure: hands the messages on to the procedure it was run with.
INT_PTR CALLBACK TemplateDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* running = reinterpret_cast<RunningDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (message == WM_INITDIALOG) {
    running = reinterpret_cast<RunningDialog*>(lParam);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    PrepareDialog(hwnd, running->dialog);
    lParam = running->param;
  }
  if (running == nullptr) return FALSE;
  if (message == WM_DROPFILES) {
    DropOnDialog(hwnd, running->dialog, reinterpret_cast<HDROP>(wParam));
    return TRUE;
  }
  if (message == WM_COMMAND && running->desktop.Notified) {
    running->desktop.Notified(hwnd, LOWORD(wParam), HIWORD(wParam));
  }
  return running->procedure(hwnd, message, wParam, lParam) ? TRUE : FALSE;
}

std::intptr_t RunDialog(Win32Desktop& desktop, InstanceHandle instance, int templateId,
                        WindowHandle owner, const DialogProc& procedure, std::intptr_t param) {
  const DialogTemplate* dialog = FindDialogTemplate(templateId);
  if (dialog == nullptr) return -1;
  const std::vector<std::uint16_t> words = DialogTemplateWords(*dialog);
  RunningDialog running{desktop, *dialog, procedure, param};
  return ::DialogBoxIndirectParamW(static_cast<HINSTANCE>(instance),
                                   reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), AsWindow(owner),
                                   TemplateDialogProc, reinterpret_cast<LPARAM>(&running));
}

bool SetControlText(WindowHandle dialog, int id, const std::string& text) {
  const HWND control = ::GetDlgItem(AsWindow(dialog), id);
  if (control == nullptr) return false;
  ::SetWindowTextW(control, WideFromUtf8(text).c_str());
  ::UpdateWindow(control);  // shown at once, also while a Save keeps the dialog busy
  return true;
}

// The text as a buffer of `bufferSize` characters receives it, as UTF-8.
std::string ControlText(WindowHandle dialog, int id, int bufferSize) {
  const HWND control = ::GetDlgItem(AsWindow(dialog), id);
  if (control == nullptr) return {};
  return Utf8FromWide(CutToCharacters(WindowText(control), bufferSize - 1).c_str());
}

}  // namespace

WindowOps MakeWin32WindowOps(Win32Desktop& desktop) {
  WindowOps ops;
  ops.DialogBoxParamA = [&desktop](InstanceHandle instance, int templateId, WindowHandle owner,
                                   const DialogProc& procedure, std::intptr_t param) {
    return RunDialog(desktop, instance, templateId, owner, procedure, param);
  };
  ops.EndDialog = [](WindowHandle dialog, std::intptr_t result) {
    return ::EndDialog(AsWindow(dialog), result) != FALSE;
  };
  ops.SetDlgItemTextA = SetControlText;
  ops.GetDlgItemTextA = ControlText;
  // Read as on other systems, so that the same text gives the same number everywhere.
  ops.GetDlgItemInt = [](WindowHandle dialog, int id) -> std::uint32_t {
    const HWND control = ::GetDlgItem(AsWindow(dialog), id);
    return control ? ParseDialogNumber(Utf8FromWide(WindowText(control).c_str())) : 0;
  };
  ops.IsDlgButtonChecked = [](WindowHandle dialog, int id) {
    return ::IsDlgButtonChecked(AsWindow(dialog), id) == BST_CHECKED;
  };
  ops.CheckDlgButton = [](WindowHandle dialog, int id, bool checked) {
    if (::GetDlgItem(AsWindow(dialog), id) == nullptr) return false;
    return ::CheckDlgButton(AsWindow(dialog), id, checked ? BST_CHECKED : BST_UNCHECKED) != FALSE;
  };
  ops.MessageBoxA = [](WindowHandle owner, const std::string& text, const std::string& caption,
                       unsigned type) {
    return ::MessageBoxW(AsWindow(owner), WideFromUtf8(text).c_str(), WideFromUtf8(caption).c_str(),
                         type);
  };
  return ops;
}

InstanceHandle StartWin32Program() {
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                     ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&classes);
  return ::GetModuleHandleW(nullptr);
}

}  // namespace vorlix
