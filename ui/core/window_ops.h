// The window operations the dialog procedure uses, as one record of functions. The window
// program binds them to real windows, the tests to a stand-in that keeps fields in a map.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vorlix {

// Opaque handles: what they point to is up to whoever binds the operations.
using WindowHandle = void*;
using InstanceHandle = void*;

// Messages a dialog procedure receives.
inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_INITDIALOG = 0x0110;
inline constexpr unsigned WM_COMMAND = 0x0111;

// Message box types and the answer of its one button.
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;  // sent by Esc

// The command id a WM_COMMAND carries in the low 16 bits of wParam.
inline int CommandId(std::uintptr_t wParam) {
  return static_cast<int>(wParam & 0xFFFF);
}

// Returns true when it handled the message.
using DialogProc = std::function<bool(WindowHandle dialog, unsigned message, std::uintptr_t wParam,
                                      std::intptr_t lParam)>;

struct WindowOps {
  // Creates the dialog of the template, sends it WM_INITDIALOG with `param`, and runs it until
  // EndDialog is called for it; returns the value given to EndDialog.
  std::function<std::intptr_t(InstanceHandle instance, int templateId, WindowHandle owner,
                              const DialogProc& procedure, std::intptr_t param)>
      DialogBoxParamA;
  // Marks the dialog as ended with that result; its loop stops once the current message is done.
  std::function<bool(WindowHandle dialog, std::intptr_t result)> EndDialog;
  // False, changing nothing, when the dialog has no control of that id.
  std::function<bool(WindowHandle dialog, int controlId, const std::string& text)> SetDlgItemTextA;
  // The control's text cut to bufferSize - 1 characters (empty when there is no such control).
  std::function<std::string(WindowHandle dialog, int controlId, int bufferSize)> GetDlgItemTextA;
  // The unsigned number the control's text gives; 0 when it gives none (see ParseDialogNumber).
  std::function<std::uint32_t(WindowHandle dialog, int controlId)> GetDlgItemInt;
  std::function<bool(WindowHandle dialog, int controlId)> IsDlgButtonChecked;
  std::function<bool(WindowHandle dialog, int controlId, bool checked)> CheckDlgButton;
  // Shows a message box modal to `owner` (none when null) and returns the button pressed.
  std::function<int(WindowHandle owner, const std::string& text, const std::string& caption,
                    unsigned type)>
      MessageBoxA;
};

// Text as a buffer of bufferSize characters receives it: at most bufferSize - 1 characters.
std::string CutToBuffer(const std::string& text, int bufferSize);

// The unsigned number in a field's text: blanks before and after are allowed, in between only
// digits. Text without digits, with anything else, or above 32 bits gives 0.
std::uint32_t ParseDialogNumber(const std::string& text);

}  // namespace vorlix
