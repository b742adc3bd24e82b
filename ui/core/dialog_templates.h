// The two dialog templates, the main dialog and the About box, as constant data. Sizes and
// positions are in dialog units; the order of the controls is their creation and Tab order.
#pragma once

#include <span>

#include "settings/read_options.h"

namespace vorlix {

inline constexpr int MainDialogTemplate = 100;
inline constexpr int AboutDialogTemplate = 101;

// Command and field ids beside the option fields.
namespace ControlId {
inline constexpr int None = 65535;  // a control nobody addresses
inline constexpr int Ok = 1;        // the About box's button
inline constexpr int Quit = 1001;
inline constexpr int OutputPath = 1002;
inline constexpr int Status = 1003;
inline constexpr int InputPath = 1004;
inline constexpr int SaveSettings = 1005;
inline constexpr int Load = 1008;
inline constexpr int Save = 1009;
inline constexpr int About = 1030;
}  // namespace ControlId

enum class ControlKind {
  PushButton,
  DefaultButton,
  CheckBox,  // checks and unchecks itself when clicked
  GroupBox,
  Label,
  PathField,
  NumberField,           // digits only
  NumberFieldNoTabStop,  // digits only, skipped by Tab
};

struct ControlTemplate {
  int Id;
  ControlKind Kind;
  const char* Caption;
  int X, Y, Width, Height;
};

struct DialogTemplate {
  int Id;
  const char* Caption;
  int Width, Height;
  const char* FontName;
  int FontPoints;
  bool CloseBox;  // the caption has a system menu with a close box
  std::span<const ControlTemplate> Controls;
};

// Nullptr for an unknown id.
const DialogTemplate* FindDialogTemplate(int templateId);

// Buttons, check boxes and fields other than the threshold field take focus by Tab.
bool IsTabStop(ControlKind kind);
bool IsTextField(ControlKind kind);
bool IsNumberField(ControlKind kind);

}  // namespace vorlix
