// What the preview window shows, apart from the window: the loaded GIF's frames as the module
// will show them, for the settings that the main dialog's fields give now.
#pragma once

#include <memory>
#include <string>

#include "preview/preview_picture.h"
#include "settings/conversion_settings.h"
#include "ui/core/window_ops.h"

namespace vorlix {

class PreviewFrames;

class PreviewModel {
 public:
  // The option fields come from `dialog`; the picture options, which have no fields there,
  // are kept in `program`, where a Save takes them.
  PreviewModel(const WindowOps& ops, ConversionSettings& program, WindowHandle dialog);
  ~PreviewModel();

  // Opens the input at frame 0; false (with the reason in Info) when it cannot be shown.
  bool Load(const std::string& inputPath);
  bool Loaded() const { return frames_ != nullptr; }
  // The fields or the picture options changed.
  void OptionsChanged();
  PictureOptions& Picture() { return program_.Picture; }

  int FrameCount() const;
  int Frame() const { return frame_; }
  void ShowFrame(int j);
  // The shown frame drawn in that style; false while it is still being prepared.
  bool Draw(PreviewStyle style, PreviewImage& image);
  // The frame, what share of it is drawn, the automatic threshold and the progress of preparing.
  std::string Info() const { return info_; }
  // True while frames are being prepared (or the shown one is not drawn yet).
  bool Busy() const;
  // How long the shown frame stays, as the module plays.
  int FrameMilliseconds() const;

 private:
  ConversionSettings FieldSettings() const;
  void UpdateInfo(double drawnShare, int channels);

  const WindowOps& ops_;
  ConversionSettings& program_;
  WindowHandle dialog_;
  std::unique_ptr<PreviewFrames> frames_;
  ConversionSettings settings_;
  int frame_ = 0;
  bool drawn_ = false;
  std::string info_;
};

}  // namespace vorlix
