// What a preview shows, apart from its window: the loaded GIF's frames as the module will show
// them, for the option values a front end gives. A front end turns its own fields into
// OptionValues, draws what the model gives and forwards its events; everything else, the
// picture option lists, the zoom, the window's place and the info line among it, is here.
#pragma once

#include <array>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "preview/preview_picture.h"
#include "settings/conversion_settings.h"
#include "settings/option_values.h"
#include "settings/picture_options.h"

namespace vorlix {

class PreviewFrames;

inline constexpr int kPreviewPollMs = 20;    // how often a frame still being prepared is looked for
inline constexpr int kMaxPreviewSide = 760;  // pixels of the window, at most
inline constexpr int kMinPreviewWidth = 240;

// The picture options, which the main dialog has no fields for, as the preview's lists show
// them: a label with its mnemonic and the names, in this order.
inline constexpr std::string_view kThresholdModes[] = {"number", "auto"};
struct PictureChoiceList {
  std::string_view Label;
  std::span<const std::string_view> Names;
};
inline constexpr int kPictureChoiceCount = 4;
inline constexpr PictureChoiceList kPictureChoiceLists[kPictureChoiceCount] = {
    {"&Dither:", kDitherNames},
    {"T&hreshold:", kThresholdModes},
    {"Ti&ming:", kTimingNames},
    {"Bac&kdrop:", kBackdropNames}};
// The position chosen in each list.
using PictureChoices = std::array<int, kPictureChoiceCount>;
PictureChoices ChoicesOf(const PictureOptions& picture);
PictureOptions PictureFromChoices(const PictureChoices& choices);

// The settings a preview shows: the fields clamped as a Save reads them, with the program's
// picture options (not those of `fields`).
ConversionSettings PreviewSettings(const OptionValues& fields, const ConversionSettings& program);

// The largest whole zoom at which an image fits the room; 1 at least, and for an empty image.
int ZoomToFit(int imageWidth, int imageHeight, int roomWidth, int roomHeight);

// A rectangle on the screen; right and bottom are just past it.
struct ScreenRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const ScreenRect&) const = default;
};
// The preview's rectangle beside the dialog, on the side of the work area with more room, at
// its top: as wide as that room (within kMinPreviewWidth..kMaxPreviewSide), as tall as the area
// up to kMaxPreviewSide.
ScreenRect PlaceBeside(const ScreenRect& dialog, const ScreenRect& workArea);

// What the info line tells.
struct PreviewInfo {
  int Frame = 0, FrameCount = 0;  // Frame counts from 0
  double DrawnShare = -1;         // per cent of the cells drawn; negative when not drawn
  int Channels = 0;
  int AutoThreshold = -1;  // the threshold picked for the animation; negative when none is
  int Prepared = 0;        // frames prepared so far
};
// "Frame 3/40   drawn 12.5 %   8 channels   threshold 97 (auto)   preparing 5/40", each part
// after the frame only when it applies.
std::string PreviewInfoLine(const PreviewInfo& info);

class PreviewModel {
 public:
  // The picture options are kept in `program`, where a Save takes them.
  explicit PreviewModel(ConversionSettings& program);
  ~PreviewModel();

  // Opens the input at frame 0; false (with the reason in Info) when it cannot be shown.
  bool Load(const std::string& inputPath, const OptionValues& fields);
  bool Loaded() const { return frames_ != nullptr; }
  // The fields changed.
  void OptionsChanged(const OptionValues& fields);
  // The picture options as the lists show them, and a choice made there (with the fields).
  PictureChoices Choices() const { return ChoicesOf(program_.Picture); }
  void Choose(const PictureChoices& choices, const OptionValues& fields);

  int FrameCount() const;
  int Frame() const { return frame_; }
  int NextFrame() const { return FrameCount() > 0 ? (frame_ + 1) % FrameCount() : 0; }
  void ShowFrame(int j);
  // The shown frame drawn in that style; false while it is still being prepared.
  bool Draw(PreviewStyle style, PreviewImage& image);
  // The frame, what share of the drawn picture is set, the automatic threshold and the progress
  // of preparing; or why the input cannot be shown.
  const std::string& Info() const { return info_; }
  // True until the shown frame is drawn with every frame prepared: the front end calls Idle
  // every kPreviewPollMs meanwhile.
  bool Busy() const;
  // Looks again at the preparing, preparing one more frame itself where no thread does: true
  // when the shown frame is to be drawn again (it was not ready, or preparing has just finished);
  // otherwise keeps Info current.
  bool Idle();
  // How long the shown frame stays, as the module plays.
  int FrameMilliseconds() const;

 private:
  void UpdateInfo();

  ConversionSettings& program_;
  std::unique_ptr<PreviewFrames> frames_;
  ConversionSettings settings_;
  int frame_ = 0;
  bool drawn_ = false;      // the shown frame is drawn for the current settings
  double drawnShare_ = -1;  // of the last drawing; negative when the shown frame is not drawn
  int channels_ = 0;
  int drawnPrepared_ = 0;  // frames prepared when it was drawn
  std::string info_;
};

}  // namespace vorlix
