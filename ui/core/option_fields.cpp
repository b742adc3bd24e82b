#include "ui/core/option_fields.h"

#include "ui/core/dialog_templates.h"

namespace vorlix {

OptionValues ReadOptionFields(const OptionSource& source) {
  static_assert(std::size(ControlId::FillFields) == FillByteCount);
  OptionValues v;
  v.Tempo = source.FieldNumber(ControlId::Tempo);
  v.Speed = source.FieldNumber(ControlId::Speed);
  v.Width = source.FieldNumber(ControlId::Width);
  v.Height = source.FieldNumber(ControlId::Height);
  for (int i = 0; i < FillByteCount; ++i) {
    v.FillBytes[i] = source.FieldNumber(ControlId::FillFields[i]);
  }
  v.Threshold = source.FieldNumber(ControlId::Threshold);
  v.InverseColors = source.BoxChecked(ControlId::InverseColors);
  v.BreakPatterns = source.BoxChecked(ControlId::BreakPatterns);
  return v;
}

}  // namespace vorlix
