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
#include <array>

#include "preview/preview_picture.h"
#include "ui/core/dialog_procedure.h"
#include "ui/core/dialog_templates.h"
#include "ui/core/option_fields.h"
#include "ui/core/preview_model.h"

namespace vorlix {
namespace {

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
  OptionValues Fields() const { return ReadOptionFields(DialogOptionSource(ops_, dialog_)); }
  bool ShowFrame(int j);
  bool Redraw();
  void ShowInfo();
  void SetPlaying(bool playing);
  void Poll();
  void PlayTick();

  WxDesktop& desktop_;
  const WindowOps& ops_;
  WindowHandle dialog_;
  PreviewModel model_;
  bool playing_ = false;

  wxRadioBox* style_ = nullptr;
  std::array<wxChoice*, kPictureChoiceCount> choices_{};
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
      dialog_(dialog),
      model_(program) {
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
  auto* grid = new wxFlexGridSizer(2, 4, 8);  // label, choice
  for (int i = 0; i < kPictureChoiceCount; ++i) {
    const PictureChoiceList& list = kPictureChoiceLists[i];
    wxArrayString items;
    for (std::string_view name : list.Names) items.Add(wxString(name.data(), name.size()));
    choices_[i] = new wxChoice(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize, items);
    const wxString label(list.Label.data(), list.Label.size());
    grid->Add(new wxStaticText(panel, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(choices_[i], 0);
    choices_[i]->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { PictureOptionChosen(); });
  }
  ShowPictureOptions();
  return grid;
}

void PreviewWindow::ShowPictureOptions() {
  const PictureChoices chosen = model_.Choices();
  for (int i = 0; i < kPictureChoiceCount; ++i) choices_[i]->SetSelection(chosen[i]);
}

void PreviewWindow::PictureOptionChosen() {
  PictureChoices chosen;
  for (int i = 0; i < kPictureChoiceCount; ++i) chosen[i] = choices_[i]->GetSelection();
  model_.Choose(chosen, Fields());
  Redraw();
}

void PreviewWindow::Load(const std::string& inputPath) {
  ShowPictureOptions();
  SetPlaying(false);
  if (!model_.Load(inputPath, Fields())) {
    ShowInfo();
    canvas_->SetBitmap(wxBitmap());
    return;
  }
  slider_->SetRange(0, std::max(1, model_.FrameCount() - 1));
  slider_->SetValue(0);
  slider_->Enable(model_.FrameCount() > 1);
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

void PreviewWindow::OptionsChanged() {
  if (!model_.Loaded()) return;
  model_.OptionsChanged(Fields());
  Redraw();
}

bool PreviewWindow::ShowFrame(int j) {
  model_.ShowFrame(j);
  if (slider_->GetValue() != model_.Frame()) slider_->SetValue(model_.Frame());
  return Redraw();
}

// Draws the shown frame again; true when it is drawn. Looks again later while frames are being
// prepared.
bool PreviewWindow::Redraw() {
  if (!model_.Loaded()) return false;
  const PreviewStyle style =
      style_->GetSelection() == 1 ? PreviewStyle::Tracker : PreviewStyle::Picture;
  PreviewImage image;
  const bool drawn = model_.Draw(style, image);
  if (drawn) {
    const wxSize room = canvas_->GetClientSize();
    const int zoom =
        style == PreviewStyle::Picture ? ZoomToFit(image.width, image.height, room.x, room.y) : 1;
    canvas_->SetBitmap(ToBitmap(image, zoom));
  }
  ShowInfo();
  if (model_.Busy()) poll_.StartOnce(kPreviewPollMs);
  return drawn;
}

void PreviewWindow::ShowInfo() {
  const wxString text = wxString::FromUTF8(model_.Info());
  if (info_->GetLabel() != text) info_->SetLabel(text);
}

// Looks again for a frame that was not ready, and keeps the progress of preparing shown.
void PreviewWindow::Poll() {
  if (model_.Idle()) {
    if (Redraw() && playing_) playTimer_.StartOnce(model_.FrameMilliseconds());
    return;
  }
  ShowInfo();
  if (model_.Busy()) poll_.StartOnce(kPreviewPollMs);
}

void PreviewWindow::SetPlaying(bool playing) {
  playing_ = playing && model_.FrameCount() > 1;
  play_->SetLabel(playing_ ? "&Pause" : "&Play");
  if (playing_) {
    playTimer_.StartOnce(model_.FrameMilliseconds());
  } else {
    playTimer_.Stop();
  }
}

// The next frame after the shown one's time, as the module plays; a frame still being prepared
// holds playing until it is drawn.
void PreviewWindow::PlayTick() {
  if (!playing_ || !model_.Loaded()) return;
  if (ShowFrame(model_.NextFrame())) playTimer_.StartOnce(model_.FrameMilliseconds());
}

namespace {

ScreenRect OnScreen(const wxRect& r) {
  return {r.GetLeft(), r.GetTop(), r.GetLeft() + r.GetWidth(), r.GetTop() + r.GetHeight()};
}

// Beside the dialog, on the side of the screen with more room.
void PlaceBesideDialog(wxFrame* preview, wxWindow* dialog) {
  const int display = wxDisplay::GetFromWindow(dialog);
  const wxRect area = wxDisplay(display == wxNOT_FOUND ? 0 : display).GetClientArea();
  const ScreenRect place = PlaceBeside(OnScreen(dialog->GetScreenRect()), OnScreen(area));
  preview->SetSize(place.Left, place.Top, place.Right - place.Left, place.Bottom - place.Top);
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
    PlaceBesideDialog(preview, dialogWindow);
    // The keyboard stays in the main dialog; the preview is one Alt+Tab or click away.
    preview->ShowWithoutActivating();
  }
  desktop.Preview->Load(inputPath);
}

}  // namespace vorlix
