#include "ui/core/dialog_templates.h"

#include "ui/core/version.h"

namespace vorlix {
namespace {

using K = ControlKind;
namespace Id = ControlId;

constexpr ControlTemplate kMainControls[] = {
    {Id::Quit, K::PushButton, "&Quit", 178, 203, 80, 14},
    {Id::Status, K::Label, "Converted frames: none", 13, 19, 241, 8},
    {Id::InputPath, K::PathField, "", 14, 32, 183, 14},
    {Id::OutputPath, K::PathField, "", 14, 52, 183, 14},
    {Id::Load, K::PushButton, "&Load", 203, 32, 49, 14},
    {Id::Save, K::PushButton, "&Save", 203, 52, 49, 14},
    {Id::None, K::GroupBox, "Options", 7, 78, 251, 119},
    {Id::InverseColors, K::CheckBox, "Inverse colors", 192, 182, 61, 8},
    {Id::Tempo, K::NumberField, "", 73, 88, 176, 12},
    {Id::None, K::Label, "Speed: ", 15, 105, 26, 8},
    {Id::Speed, K::NumberField, "", 73, 103, 176, 12},
    {Id::None, K::Label, "Width:", 15, 120, 22, 8},
    {Id::Width, K::NumberField, "", 73, 118, 176, 12},
    {Id::None, K::Label, "Height:", 15, 135, 24, 8},
    {Id::Height, K::NumberField, "", 73, 133, 176, 12},
    {Id::None, K::Label, "Filling method:", 15, 166, 46, 8},
    {Id::Fill1, K::NumberField, "", 73, 164, 26, 12},
    {Id::BreakPatterns, K::CheckBox, "Break patterns", 16, 182, 62, 8},
    {Id::Fill2, K::NumberField, "", 111, 164, 26, 12},
    {Id::Fill3, K::NumberField, "", 148, 164, 26, 12},
    {Id::Fill4, K::NumberField, "", 186, 164, 26, 12},
    {Id::Fill5, K::NumberField, "", 223, 164, 26, 12},
    {Id::About, K::DefaultButton, "&About me", 7, 203, 80, 14},
    {Id::None, K::Label, "Threshold:", 15, 150, 34, 8},
    {Id::Threshold, K::NumberFieldNoTabStop, "", 73, 148, 176, 12},
    {Id::None, K::Label, "Tempo: ", 15, 90, 27, 8},
    {Id::None, K::GroupBox, "Main", 7, 7, 251, 69},
    {Id::SaveSettings, K::DefaultButton, "Save se&ttings", 92, 203, 80, 14},
};

constexpr ControlTemplate kAboutControls[] = {
    {Id::Ok, K::DefaultButton, "OK", 54, 48, 50, 14},
    {Id::None, K::Label, "vorlix, by the vorlix authors", 29, 10, 101, 8},
    {Id::None, K::Label, kAboutVersionLabel, 61, 20, 36, 8},
    {Id::None, K::Label, "Pixels as notes", 47, 31, 64, 8},
};

constexpr DialogTemplate kTemplates[] = {
    {MainDialogTemplate, "vorlix", 266, 222, "Ms Shell Dlg", 8, false, kMainControls},
    {AboutDialogTemplate, "About", 158, 70, "Ms Shell Dlg", 8, true, kAboutControls},
};

}  // namespace

const DialogTemplate* FindDialogTemplate(int templateId) {
  for (const DialogTemplate& t : kTemplates) {
    if (t.Id == templateId) return &t;
  }
  return nullptr;
}

bool IsTabStop(ControlKind kind) {
  switch (kind) {
    case K::PushButton:
    case K::DefaultButton:
    case K::CheckBox:
    case K::PathField:
    case K::NumberField:
      return true;
    default:
      return false;
  }
}

}  // namespace vorlix
