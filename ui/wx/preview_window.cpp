#include "ui/wx/preview_window.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/panel.h>
#include <wx/radiobox.h>
#include <wx/scrolwin.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <algorithm>
#include <memory>

#include "platform/file_checks.h"
#include "preview/module_timing.h"
#include "preview/preview_frames.h"
#include "preview/preview_picture.h"
#include "settings/option_values.h"
#include "ui/core/dialog_procedure.h"
#include "ui/core/dialog_templates.h"
#include "ui/core/option_fields.h"

namespace vorlix {
namespace {

constexpr int kPollMs = 20;           // how often a frame still being prepared is looked for
constexpr int kMaxPreviewSide = 760;  // pixels of the window, at most

// The preview image in its palette's colours, each pixel `zoom` screen pixels wide and tall.
wxBitmap ToBitmap(const PreviewImage& image, int zoom) {
  wxImage rgb(image.width, image.height, false);
  unsigned char* out = rgb.GetData();
  for (std::uint8_t shade : image.pixels) {
    const PreviewRgb& c = kPreviewPalette[shade];
    *out++ = c.r;
    *out++ = c.g;
    *out++ = c.b;
  }
  if (zoom > 1) rgb.Rescale(image.width * zoom, image.height * zoom, wxIMAGE_QUALITY_NEAREST);
  return wxBitmap(rgb);
}

// Shows one bitmap, scrolled when it is larger than the window.
class PreviewCanvas : public wxScrolledWindow {
 public:
  explicit PreviewCanvas(wxWindow* parent)
      : wxScrolledWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                         wxHSCROLL | wxVSCROLL | wxFULL_REPAINT_ON_RESIZE) {
    SetBackgroundColour(
        wxColour(kPreviewPalette[kPaper].r, kPreviewPalette[kPaper].g, kPreviewPalette[kPaper].b));
    SetScrollRate(16, 16);
    Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
      wxPaintDC dc(this);
      DoPrepareDC(dc);
      if (bitmap_.IsOk()) dc.DrawBitmap(bitmap_, 0, 0);
    });
  }
  void SetBitmap(const wxBitmap& bitmap) {
    bitmap_ = bitmap;
    SetVirtualSize(bitmap.GetWidth(), bitmap.GetHeight());
    Refresh(false);
  }

 private:
  wxBitmap bitmap_;
};

}  // namespace

class PreviewWindow : public wxFrame {
 public:
  PreviewWindow(WxDesktop& desktop, const WindowOps& ops, ConversionSettings& program,
                WindowHandle dialog, wxWindow* owner);
  ~PreviewWindow() override { desktop_.Preview = nullptr; }
  void Load(const std::string& inputPath);
  void FollowFields(wxWindow* dialogWindow);

 private:
  void OnFieldText(wxCommandEvent& e);
  void OnFieldBox(wxCommandEvent& e);
  void BuildControls();
  wxSizer* BuildPictureOptions(wxWindow* panel);
  void ShowPictureOptions();
  void PictureOptionChosen();
  void OptionsChanged();
  ConversionSettings FieldSettings() const;
  void ShowFrame(int j);
  void Redraw();
  void UpdateInfo(const PatternView* view);
  void SetPlaying(bool playing);
  void Poll();
  void PlayTick();

  WxDesktop& desktop_;
  const WindowOps& ops_;
  ConversionSettings& program_;  // the picture options, which the next Save takes from here
  WindowHandle dialog_;
  std::unique_ptr<PreviewFrames> frames_;
  ConversionSettings settings_ = StartupSettings();
  int frame_ = 0;
  bool playing_ = false;
  bool drawn_ = false;  // the shown frame is drawn for the current settings

  wxRadioBox* style_ = nullptr;
  wxChoice* dither_ = nullptr;
  wxChoice* thresholdMode_ = nullptr;
  wxChoice* timing_ = nullptr;
  wxChoice* backdrop_ = nullptr;
  wxButton* play_ = nullptr;
  wxSlider* slider_ = nullptr;
  wxStaticText* info_ = nullptr;
  PreviewCanvas* canvas_ = nullptr;
  wxTimer poll_;
  wxTimer playTimer_;
};

PreviewWindow::PreviewWindow(WxDesktop& desktop, const WindowOps& ops, ConversionSettings& program,
                             WindowHandle dialog, wxWindow* owner)
    : wxFrame(owner, wxID_ANY, "vorlix preview", wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE | wxTAB_TRAVERSAL),
      desktop_(desktop),
      ops_(ops),
      program_(program),
      dialog_(dialog) {
  BuildControls();
  poll_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Poll(); });
  playTimer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { PlayTick(); });
  // Esc closes the preview; the main dialog stays as it is.
  Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& e) {
    if (e.GetKeyCode() == WXK_ESCAPE && e.GetModifiers() == wxMOD_NONE) {
      Close();
      return;
    }
    e.Skip();
  });
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Destroy(); });
}

void PreviewWindow::BuildControls() {
  auto* panel = new wxPanel(this);
  const wxString styles[] = {"P&icture", "T&racker"};
  style_ = new wxRadioBox(panel, wxID_ANY, "Style", wxDefaultPosition, wxDefaultSize, 2, styles, 1,
                          wxRA_SPECIFY_ROWS);
  play_ = new wxButton(panel, wxID_ANY, "&Play");
  slider_ =
      new wxSlider(panel, wxID_ANY, 0, 0, 1, wxDefaultPosition, wxDefaultSize, wxSL_HORIZONTAL);
  info_ = new wxStaticText(panel, wxID_ANY, "");
  canvas_ = new PreviewCanvas(panel);

  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(style_, 0, wxRIGHT, 8);
  row->Add(play_, 0, wxALIGN_CENTER_VERTICAL);
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(row, 0, wxALL, 6);
  column->Add(BuildPictureOptions(panel), 0, wxLEFT | wxRIGHT, 6);
  column->Add(slider_, 0, wxEXPAND | wxLEFT | wxRIGHT, 6);
  column->Add(info_, 0, wxEXPAND | wxALL, 6);
  column->Add(canvas_, 1, wxEXPAND);
  panel->SetSizer(column);

  style_->Bind(wxEVT_RADIOBOX, [this](wxCommandEvent&) { Redraw(); });
  play_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { SetPlaying(!playing_); });
  slider_->Bind(wxEVT_SLIDER, [this](wxCommandEvent&) {
    SetPlaying(false);
    ShowFrame(slider_->GetValue());
  });
  canvas_->Bind(wxEVT_SIZE, [this](wxSizeEvent& e) {
    e.Skip();
    if (style_->GetSelection() == 0) Redraw();  // the picture is zoomed to fit
  });
}

// The picture options, which the main dialog has no fields for: chosen here, they apply to the
// preview at once and to the next Save and Save settings.
wxSizer* PreviewWindow::BuildPictureOptions(wxWindow* panel) {
  auto choice = [panel](std::span<const std::string_view> names) {
    wxArrayString items;
    for (std::string_view name : names) items.Add(wxString(name.data(), name.size()));
    auto* control = new wxChoice(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize, items);
    return control;
  };
  static constexpr std::string_view kThresholdModes[] = {"number", "auto"};
  dither_ = choice(kDitherNames);
  thresholdMode_ = choice(kThresholdModes);
  timing_ = choice(kTimingNames);
  backdrop_ = choice(kBackdropNames);
  auto* grid = new wxFlexGridSizer(2, 4, 8);  // label, choice
  const std::pair<const char*, wxChoice*> labelled[] = {{"&Dither:", dither_},
                                                        {"T&hreshold:", thresholdMode_},
                                                        {"Ti&ming:", timing_},
                                                        {"Bac&kdrop:", backdrop_}};
  for (const auto& [label, control] : labelled) {
    grid->Add(new wxStaticText(panel, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(control, 0);
    control->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { PictureOptionChosen(); });
  }
  ShowPictureOptions();
  return grid;
}

void PreviewWindow::ShowPictureOptions() {
  const PictureOptions& picture = program_.Picture;
  dither_->SetSelection(static_cast<int>(picture.Dither));
  thresholdMode_->SetSelection(picture.AutoThreshold ? 1 : 0);
  timing_->SetSelection(static_cast<int>(picture.Timing));
  backdrop_->SetSelection(static_cast<int>(picture.Backdrop));
}

void PreviewWindow::PictureOptionChosen() {
  PictureOptions& picture = program_.Picture;
  picture.Dither = DitherMethod{static_cast<std::uint8_t>(dither_->GetSelection())};
  picture.AutoThreshold = thresholdMode_->GetSelection() == 1;
  picture.Timing = TimingSource{static_cast<std::uint8_t>(timing_->GetSelection())};
  picture.Backdrop = BackdropColour{static_cast<std::uint8_t>(backdrop_->GetSelection())};
  OptionsChanged();
}

void PreviewWindow::Load(const std::string& inputPath) {
  ShowPictureOptions();
  SetPlaying(false);
  frames_.reset();
  frame_ = 0;
  settings_ = FieldSettings();
  RunError error = RunError::None;
  frames_ = PreviewFrames::Open(NativePath(inputPath), settings_, error);
  if (!frames_) {
    info_->SetLabel(MessageText(ErrorMessage(error)));
    canvas_->SetBitmap(wxBitmap());
    return;
  }
  slider_->SetRange(0, std::max(1, frames_->FrameCount() - 1));
  slider_->SetValue(0);
  slider_->Enable(frames_->FrameCount() > 1);
  Redraw();
}

// Every option field and box of the main dialog, as they change.
void PreviewWindow::FollowFields(wxWindow* dialogWindow) {
  // The sink is this window: the connections go when it is closed.
  dialogWindow->Bind(wxEVT_TEXT, &PreviewWindow::OnFieldText, this);
  for (wxWindow* child : dialogWindow->GetChildren()) {
    if (dynamic_cast<wxCheckBox*>(child) != nullptr) {
      child->Bind(wxEVT_CHECKBOX, &PreviewWindow::OnFieldBox, this);
    }
  }
}

void PreviewWindow::OnFieldText(wxCommandEvent& e) {
  e.Skip();  // the dialog sees the event as before
  if (e.GetId() != ControlId::InputPath && e.GetId() != ControlId::OutputPath) OptionsChanged();
}

void PreviewWindow::OnFieldBox(wxCommandEvent& e) {
  e.Skip();
  OptionsChanged();
}

// The fields as a Save reads them, clamped the same way, with the program's picture options.
ConversionSettings PreviewWindow::FieldSettings() const {
  OptionValues values = ReadOptionFields(DialogOptionSource(ops_, dialog_));
  values.Picture = program_.Picture;
  ConversionSettings settings = program_;
  ReadOptions(values, settings);
  return settings;
}

void PreviewWindow::OptionsChanged() {
  if (!frames_) return;
  settings_ = FieldSettings();
  frames_->SetSettings(settings_);
  Redraw();
}

void PreviewWindow::ShowFrame(int j) {
  if (!frames_) return;
  frame_ = j;
  frames_->ShowFrame(j);
  if (slider_->GetValue() != j) slider_->SetValue(j);
  Redraw();
}

void PreviewWindow::Redraw() {
  if (!frames_) return;
  PatternView view;
  drawn_ = frames_->View(frame_, view);
  if (drawn_) {
    const PreviewStyle style =
        style_->GetSelection() == 1 ? PreviewStyle::Tracker : PreviewStyle::Picture;
    const PreviewImage image = DrawPreview(view, style);
    int zoom = 1;
    if (style == PreviewStyle::Picture && image.width > 0 && image.height > 0) {
      const wxSize room = canvas_->GetClientSize();
      zoom = std::max(1, std::min(room.x / image.width, room.y / image.height));
    }
    canvas_->SetBitmap(ToBitmap(image, zoom));
  }
  UpdateInfo(drawn_ ? &view : nullptr);
  if (!drawn_ || frames_->PreparedFrames() < frames_->FrameCount()) poll_.StartOnce(kPollMs);
}

void PreviewWindow::UpdateInfo(const PatternView* view) {
  wxString text = wxString::Format("Frame %d/%d", frame_ + 1, frames_->FrameCount());
  if (view != nullptr) {
    text += wxString::Format("   drawn %.1f %%   %d channels", DrawnShare(*view), view->channels);
  }
  if (AutoThresholdInEffect(settings_.Picture)) {
    text += wxString::Format("   threshold %d (auto)", frames_->Used().Threshold);
  }
  const int prepared = frames_->PreparedFrames();
  if (prepared < frames_->FrameCount()) {
    text += wxString::Format("   preparing %d/%d", prepared, frames_->FrameCount());
  }
  if (info_->GetLabel() != text) info_->SetLabel(text);
}

// Looks again for a frame that was not ready, and keeps the progress of preparing shown.
void PreviewWindow::Poll() {
  if (!frames_) return;
  if (!drawn_) {
    Redraw();
    if (drawn_ && playing_) playTimer_.StartOnce(FrameMilliseconds(frames_->Used(), frame_));
    return;
  }
  UpdateInfo(nullptr);
  if (frames_->PreparedFrames() < frames_->FrameCount()) {
    poll_.StartOnce(kPollMs);
  } else {
    Redraw();  // the info line gets the drawn share back
  }
}

void PreviewWindow::SetPlaying(bool playing) {
  playing_ = playing && frames_ && frames_->FrameCount() > 1;
  play_->SetLabel(playing_ ? "&Pause" : "&Play");
  if (playing_) {
    playTimer_.StartOnce(std::max(1, FrameMilliseconds(frames_->Used(), frame_)));
  } else {
    playTimer_.Stop();
  }
}

// The next frame after the shown one's time, as the module plays; a frame still being prepared
// holds playing until it is drawn.
void PreviewWindow::PlayTick() {
  if (!playing_ || !frames_) return;
  ShowFrame((frame_ + 1) % frames_->FrameCount());
  if (drawn_) playTimer_.StartOnce(std::max(1, FrameMilliseconds(frames_->Used(), frame_)));
}

namespace {

// Beside the dialog, on the side of the screen with more room.
void PlaceBeside(wxFrame* preview, wxWindow* dialog) {
  const wxRect main = dialog->GetScreenRect();
  const int display = wxDisplay::GetFromWindow(dialog);
  const wxRect area = wxDisplay(display == wxNOT_FOUND ? 0 : display).GetClientArea();
  const int right = area.GetRight() - main.GetRight(), left = main.GetLeft() - area.GetLeft();
  const int width = std::clamp(std::max(right, left), 240, kMaxPreviewSide);
  const int height = std::min(area.GetHeight(), kMaxPreviewSide);
  const int x = right >= left ? main.GetRight() + 1 : main.GetLeft() - width;
  preview->SetSize(x, area.GetTop(), width, height);
}

}  // namespace

void ShowPreviewWindow(WxDesktop& desktop, const WindowOps& ops, ConversionSettings& program,
                       WindowHandle dialog, const std::string& inputPath) {
  wxWindow* dialogWindow = DialogWindow(desktop, dialog);
  if (dialogWindow == nullptr) return;
  if (desktop.Preview == nullptr) {
    auto* preview = new PreviewWindow(desktop, ops, program, dialog, dialogWindow);
    desktop.Preview = preview;
    preview->FollowFields(dialogWindow);
    PlaceBeside(preview, dialogWindow);
    // The keyboard stays in the main dialog; the preview is one Alt+Tab or click away.
    preview->ShowWithoutActivating();
  }
  desktop.Preview->Load(inputPath);
}

}  // namespace vorlix
