#include "ui/core/preview_model.h"

#include <algorithm>
#include <cstdio>

#include "convert/messages.h"
#include "platform/file_checks.h"
#include "preview/module_timing.h"
#include "preview/preview_frames.h"

namespace vorlix {

PictureChoices ChoicesOf(const PictureOptions& picture) {
  return {static_cast<int>(picture.Dither), picture.AutoThreshold ? 1 : 0,
          static_cast<int>(picture.Timing), static_cast<int>(picture.Backdrop)};
}

PictureOptions PictureFromChoices(const PictureChoices& choices) {
  PictureOptions picture;
  picture.Dither = DitherMethod{static_cast<std::uint8_t>(choices[0])};
  picture.AutoThreshold = choices[1] == 1;
  picture.Timing = TimingSource{static_cast<std::uint8_t>(choices[2])};
  picture.Backdrop = BackdropColour{static_cast<std::uint8_t>(choices[3])};
  return picture;
}

ConversionSettings PreviewSettings(const OptionValues& fields, const ConversionSettings& program) {
  OptionValues values = fields;
  values.Picture = program.Picture;
  ConversionSettings settings = program;
  ReadOptions(values, settings);
  return settings;
}

int ZoomToFit(int imageWidth, int imageHeight, int roomWidth, int roomHeight) {
  if (imageWidth <= 0 || imageHeight <= 0) return 1;
  return std::max(1, std::min(roomWidth / imageWidth, roomHeight / imageHeight));
}

ScreenRect PlaceBeside(const ScreenRect& dialog, const ScreenRect& workArea) {
  const int right = workArea.Right - dialog.Right, left = dialog.Left - workArea.Left;
  const int width = std::clamp(std::max(right, left), kMinPreviewWidth, kMaxPreviewSide);
  const int height = std::min(workArea.Bottom - workArea.Top, kMaxPreviewSide);
  const int x = right >= left ? dialog.Right : dialog.Left - width;
  return {x, workArea.Top, x + width, workArea.Top + height};
}

std::string PreviewInfoLine(const PreviewInfo& info) {
  char text[200];
  int n = std::snprintf(text, sizeof text, "Frame %d/%d", info.Frame + 1, info.FrameCount);
  auto add = [&](auto... values) {
    n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), values...);
  };
  if (info.DrawnShare >= 0) add("   drawn %.1f %%   %d channels", info.DrawnShare, info.Channels);
  if (info.AutoThreshold >= 0) add("   threshold %d (auto)", info.AutoThreshold);
  if (info.Prepared < info.FrameCount) add("   preparing %d/%d", info.Prepared, info.FrameCount);
  return text;
}

PreviewModel::PreviewModel(ConversionSettings& program)
    : program_(program), settings_(StartupSettings()) {}

PreviewModel::~PreviewModel() = default;

bool PreviewModel::Load(const std::string& inputPath, const OptionValues& fields) {
  frames_.reset();
  frame_ = 0;
  drawn_ = false;
  drawnShare_ = -1;
  settings_ = PreviewSettings(fields, program_);
  RunError error = RunError::None;
  frames_ = PreviewFrames::Open(NativePath(inputPath), settings_, error);
  if (!frames_) info_ = MessageText(ErrorMessage(error));
  return frames_ != nullptr;
}

int PreviewModel::FrameCount() const {
  return frames_ ? frames_->FrameCount() : 0;
}

void PreviewModel::OptionsChanged(const OptionValues& fields) {
  if (!frames_) return;
  settings_ = PreviewSettings(fields, program_);
  frames_->SetSettings(settings_);
}

void PreviewModel::Choose(const PictureChoices& choices, const OptionValues& fields) {
  program_.Picture = PictureFromChoices(choices);
  OptionsChanged(fields);
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
  drawnShare_ = drawn_ ? DrawnShare(view) : -1;
  channels_ = view.channels;
  drawnPrepared_ = frames_->PreparedFrames();
  if (drawn_) image = DrawPreview(view, style);
  UpdateInfo();
  return drawn_;
}

bool PreviewModel::Idle() {
  // Without a worker thread the frames are prepared here, one a call.
  if (frames_ && frames_->Stepped()) frames_->PrepareStep();
  if (!Busy()) return false;
  if (!drawn_ || frames_->PreparedFrames() == frames_->FrameCount()) return true;
  UpdateInfo();
  return false;
}

void PreviewModel::UpdateInfo() {
  PreviewInfo info;
  info.Frame = frame_;
  info.FrameCount = frames_->FrameCount();
  info.DrawnShare = drawnShare_;
  info.Channels = channels_;
  if (AutoThresholdInEffect(settings_.Picture)) info.AutoThreshold = frames_->Used().Threshold;
  info.Prepared = frames_->PreparedFrames();
  info_ = PreviewInfoLine(info);
}

bool PreviewModel::Busy() const {
  return frames_ && (!drawn_ || drawnPrepared_ < frames_->FrameCount());
}

int PreviewModel::FrameMilliseconds() const {
  return frames_ ? std::max(1, vorlix::FrameMilliseconds(frames_->Used(), frame_)) : 1;
}

}  // namespace vorlix
