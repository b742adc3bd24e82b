// The two dialog templates, the main dialog and the About box, as constant data. Sizes and
// positions are in dialog units; the order of the controls is their creation and Tab order.
#pragma once

#include <span>

namespace vorlix {

inline constexpr int MainDialogTemplate = 100;
inline constexpr int AboutDialogTemplate = 101;

// Ids of the controls that are addressed: commands, path fields, the status line and the
// option fields.
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
inline constexpr int InverseColors = 1010;
inline constexpr int Tempo = 1011;
inline constexpr int Speed = 1013;
inline constexpr int Width = 1015;
inline constexpr int Height = 1017;
inline constexpr int Fill1 = 1019;
inline constexpr int BreakPatterns = 1021;
inline constexpr int Fill2 = 1022;
inline constexpr int Fill3 = 1024;
inline constexpr int Fill4 = 1026;
inline constexpr int Fill5 = 1028;
inline constexpr int Threshold = 1031;
inline constexpr int FillFields[] = {Fill1, Fill2, Fill3, Fill4, Fill5};
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
  const char* FontName;  // the Windows dialog's font; the wxWidgets window uses its own
  int FontPoints;
  bool CloseBox;  // the caption has a system menu with a close box
  std::span<const ControlTemplate> Controls;
};

// Nullptr for an unknown id.
const DialogTemplate* FindDialogTemplate(int templateId);

// Buttons, check boxes and fields other than the threshold field take focus by Tab.
bool IsTabStop(ControlKind kind);

}  // namespace vorlix
