#include "ui/win32/preview_model.h"

#include <algorithm>
#include <cstdio>

#include "platform/file_checks.h"
#include "preview/module_timing.h"
#include "preview/preview_frames.h"
#include "settings/option_values.h"
#include "ui/core/dialog_procedure.h"
#include "ui/core/option_fields.h"

namespace vorlix {

PreviewModel::PreviewModel(const WindowOps& ops, ConversionSettings& program, WindowHandle dialog)
    : ops_(ops), program_(program), dialog_(dialog), settings_(StartupSettings()) {}

PreviewModel::~PreviewModel() = default;

bool PreviewModel::Load(const std::string& inputPath) {
  frames_.reset();
  frame_ = 0;
  drawn_ = false;
  settings_ = FieldSettings();
  RunError error = RunError::None;
  frames_ = PreviewFrames::Open(NativePath(inputPath), settings_, error);
  if (!frames_) info_ = MessageText(ErrorMessage(error));
  return frames_ != nullptr;
}

int PreviewModel::FrameCount() const {
  return frames_ ? frames_->FrameCount() : 0;
}

// The fields as a Save reads them, clamped the same way, with the program's picture options.
ConversionSettings PreviewModel::FieldSettings() const {
  OptionValues values = ReadOptionFields(DialogOptionSource(ops_, dialog_));
  values.Picture = program_.Picture;
  ConversionSettings settings = program_;
  ReadOptions(values, settings);
  return settings;
}

void PreviewModel::OptionsChanged() {
  if (!frames_) return;
  settings_ = FieldSettings();
  frames_->SetSettings(settings_);
}

void PreviewModel::ShowFrame(int j) {
  if (!frames_ || j < 0 || j >= frames_->FrameCount()) return;
  frame_ = j;
  frames_->ShowFrame(j);
}

bool PreviewModel::Draw(PreviewStyle style, PreviewImage& image) {
  if (!frames_) return false;
  PatternView view;
  drawn_ = frames_->View(frame_, view);
  if (drawn_) image = DrawPreview(view, style);
  UpdateInfo(drawn_ ? DrawnShare(view) : -1, view.channels);
  return drawn_;
}

void PreviewModel::UpdateInfo(double drawnShare, int channels) {
  char text[200];
  int n = std::snprintf(text, sizeof text, "Frame %d/%d", frame_ + 1, frames_->FrameCount());
  auto add = [&](auto... values) {
    n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), values...);
  };
  if (drawnShare >= 0) add("   drawn %.1f %%   %d channels", drawnShare, channels);
  if (settings_.Picture.AutoThreshold && settings_.Picture.Dither == DitherMethod::None) {
    add("   threshold %d (auto)", static_cast<int>(frames_->Used().Threshold));
  }
  const int prepared = frames_->PreparedFrames();
  if (prepared < frames_->FrameCount()) add("   preparing %d/%d", prepared, frames_->FrameCount());
  info_ = text;
}

bool PreviewModel::Busy() const {
  return frames_ && (!drawn_ || frames_->PreparedFrames() < frames_->FrameCount());
}

int PreviewModel::FrameMilliseconds() const {
  return frames_ ? std::max(1, vorlix::FrameMilliseconds(frames_->Used(), frame_)) : 1;
}

}  // namespace vorlix
