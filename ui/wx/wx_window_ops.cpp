#include "ui/wx/wx_window_ops.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/dnd.h>
#include <wx/evtloop.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <map>
#include <vector>

#include "ui/core/dialog_templates.h"
#include "ui/wx/vorlix.xpm"

namespace vorlix {
namespace {

wxString FromText(const std::string& text) {
  return wxString::FromUTF8(text.data(), text.size());
}

std::string ToText(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return std::string(utf8.data(), utf8.length());
}

// A field that Tab passes over; a click still gives it the focus.
class NoTabStopTextCtrl : public wxTextCtrl {
 public:
  using wxTextCtrl::wxTextCtrl;
  bool AcceptsFocusFromKeyboard() const override { return false; }
};

// A file dropped on a path field puts its path there. The toolkit hands a drop to the top-most
// control under the point, and a group box created after the fields it frames lies above them;
// so the group boxes take drops as well and pass them on to the path field under the point.
class PathDropTarget : public wxFileDropTarget {
 public:
  PathDropTarget(wxWindow* receiver, const std::vector<wxTextCtrl*>& pathFields)
      : receiver_(receiver), pathFields_(pathFields) {}
  wxDragResult OnEnter(wxCoord x, wxCoord y, wxDragResult suggested) override {
    return OnDragOver(x, y, suggested);
  }
  wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult suggested) override {
    return FieldAt(x, y) ? wxFileDropTarget::OnDragOver(x, y, suggested) : wxDragNone;
  }
  bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& paths) override {
    wxTextCtrl* field = FieldAt(x, y);
    if (!field || paths.empty()) return false;
    field->SetValue(paths[0]);
    field->SetInsertionPointEnd();
    return true;
  }

 private:
  // The drop point comes relative to the receiving control.
  wxTextCtrl* FieldAt(wxCoord x, wxCoord y) const {
    const wxPoint onScreen = receiver_->GetScreenPosition() + wxPoint(x, y);
    for (wxTextCtrl* field : pathFields_) {
      if (field->GetScreenRect().Contains(onScreen)) return field;
    }
    return nullptr;
  }

  wxWindow* receiver_;
  const std::vector<wxTextCtrl*>& pathFields_;
};

// Number fields take digits; control keys, moves and shortcuts pass.
void KeepDigitsOnly(wxKeyEvent& event) {
  const int c = event.GetUnicodeKey();
  const bool printable = c != WXK_NONE && c >= ' ' && c != WXK_DELETE;
  if (printable && (c < '0' || c > '9') && !event.ControlDown() && !event.AltDown()) return;
  event.Skip();
}

}  // namespace

// A dialog built from its template. Commands, Esc and close requests go to the dialog procedure
// as the messages the template's controls would send.
class TemplateDialog : public wxDialog {
 public:
  TemplateDialog(const DialogTemplate& t, wxWindow* owner, const DialogProc& procedure)
      : procedure_(procedure) {
    const long style = wxCAPTION | wxTAB_TRAVERSAL |
                       (t.CloseBox ? wxSYSTEM_MENU | wxCLOSE_BOX : static_cast<long>(0));
    Create(owner, wxID_ANY, t.Caption, wxDefaultPosition, wxDefaultSize, style);
    SetEscapeId(wxID_NONE);
    // Dialog units are taken from the dialog's own font: the UI font at the template's size.
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    font.SetPointSize(t.FontPoints);
    SetFont(font);
    SetIcon(wxIcon(vorlix_xpm));

    bool defaultSet = false;
    for (const ControlTemplate& c : t.Controls) {
      wxWindow* w = MakeControl(c, defaultSet);
      if (c.Id != ControlId::None) controls_[c.Id] = w;
      order_.emplace_back(c.Kind, w);
    }
    SetClientSize(ConvertDialogToPixels(wxSize(t.Width, t.Height)));
    Centre(wxBOTH);

    Bind(wxEVT_BUTTON, [this](wxCommandEvent& e) { Command(e.GetId()); });
    Bind(wxEVT_CHECKBOX, [this](wxCommandEvent& e) { Command(e.GetId()); });
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& e) {
      if (e.GetKeyCode() == WXK_ESCAPE && e.GetModifiers() == wxMOD_NONE) {
        Command(IDCANCEL);  // the procedure does not handle it: nothing closes
        return;
      }
      if (e.GetKeyCode() == WXK_TAB && !e.ControlDown() && !e.AltDown() &&
          TabFromOutsideTabOrder(!e.ShiftDown())) {
        return;
      }
      e.Skip();
    });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& e) {
      if (e.CanVeto()) e.Veto();
      Send(WM_CLOSE, 0);
    });
  }

  WindowHandle Handle() { return static_cast<WindowHandle>(this); }
  wxWindow* Control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
  }
  void FocusFirstTabStop() {
    for (const auto& [kind, w] : order_) {
      if (IsTabStop(kind)) {
        w->SetFocus();
        return;
      }
    }
  }
  // The toolkit's Tab order holds only tab stops and would restart from the first one when the
  // focus is in a field that Tab skips (reached by a click). Continue from that field instead.
  bool TabFromOutsideTabOrder(bool forward) {
    const wxWindow* focus = FindFocus();
    const int n = static_cast<int>(order_.size());
    int at = 0;
    while (at < n && order_[at].second != focus) ++at;
    if (at == n || IsTabStop(order_[at].first)) return false;
    for (int step = 1; step < n; ++step) {
      const auto& [kind, w] = order_[((forward ? at + step : at - step) % n + n) % n];
      if (IsTabStop(kind) && w->IsShownOnScreen() && w->IsEnabled()) {
        w->SetFocus();
        return true;
      }
    }
    return false;
  }
  bool Send(unsigned message, std::uintptr_t wParam) {
    // The procedure may open nested dialogs; keep it alive while it runs.
    const DialogProc procedure = procedure_;
    return procedure(Handle(), message, wParam, 0);
  }

  bool Ended = false;
  std::intptr_t Result = 0;

 private:
  void Command(int id) {
    if (id >= 0 && id != ControlId::None) Send(WM_COMMAND, static_cast<std::uintptr_t>(id));
  }

  wxWindow* MakeControl(const ControlTemplate& c, bool& defaultSet) {
    const wxPoint pos = ConvertDialogToPixels(wxPoint(c.X, c.Y));
    const wxSize size = ConvertDialogToPixels(wxSize(c.Width, c.Height));
    const wxWindowID id = c.Id == ControlId::None ? wxID_ANY : c.Id;
    const wxString caption = FromText(c.Caption);
    switch (c.Kind) {
      case ControlKind::PushButton:
      case ControlKind::DefaultButton: {
        auto* b = new wxButton(this, id, caption, pos, size);
        // Enter in a field presses the first default button, as the dialog manager does.
        if (c.Kind == ControlKind::DefaultButton && !defaultSet) {
          b->SetDefault();
          defaultSet = true;
        }
        return b;
      }
      case ControlKind::CheckBox: {
        auto* box = new wxCheckBox(this, id, caption, pos, size);
        // The toolkit's check mark can be taller than the template's line: grow about its middle.
        const int best = box->GetBestSize().y;
        if (best > size.y) box->SetSize(pos.x, pos.y - (best - size.y) / 2, size.x, best);
        return box;
      }
      case ControlKind::GroupBox: {
        auto* box = new wxStaticBox(this, id, caption, pos, size);
        box->SetDropTarget(new PathDropTarget(box, pathFields_));
        return box;
      }
      case ControlKind::Label:
        return new wxStaticText(this, id, caption, pos, size, wxST_NO_AUTORESIZE | wxALIGN_LEFT);
      case ControlKind::PathField: {
        auto* f = new wxTextCtrl(this, id, caption, pos, size);
        f->SetDropTarget(new PathDropTarget(f, pathFields_));
        pathFields_.push_back(f);
        return f;
      }
      case ControlKind::NumberField:
      case ControlKind::NumberFieldNoTabStop: {
        wxTextCtrl* f = c.Kind == ControlKind::NumberField
                            ? new wxTextCtrl(this, id, caption, pos, size)
                            : new NoTabStopTextCtrl(this, id, caption, pos, size);
        f->Bind(wxEVT_CHAR, KeepDigitsOnly);
        return f;
      }
    }
    return nullptr;
  }

  DialogProc procedure_;
  std::map<int, wxWindow*> controls_;
  std::vector<std::pair<ControlKind, wxWindow*>> order_;
  std::vector<wxTextCtrl*> pathFields_;
};

namespace {

TemplateDialog* Find(const WxDesktop& desktop, WindowHandle handle) {
  return desktop.Open.count(handle) ? static_cast<TemplateDialog*>(handle) : nullptr;
}

wxWindow* FindControl(const WxDesktop& desktop, WindowHandle handle, int id) {
  TemplateDialog* dialog = Find(desktop, handle);
  return dialog ? dialog->Control(id) : nullptr;
}

std::intptr_t RunDialog(WxDesktop& desktop, int templateId, WindowHandle owner,
                        const DialogProc& procedure, std::intptr_t param) {
  const DialogTemplate* t = FindDialogTemplate(templateId);
  if (!t) return -1;
  auto* dialog = new TemplateDialog(*t, Find(desktop, owner), procedure);
  desktop.Open.insert(dialog->Handle());
  const bool defaultFocus = procedure(dialog->Handle(), WM_INITDIALOG, 0, param);
  if (!dialog->Ended) {
    dialog->Show();
    if (defaultFocus) dialog->FocusFirstTabStop();
    // A loop of this dialog's own that leaves every other window working. It ends only when
    // this dialog has ended and the message that ended it is done, even when the dialog was
    // ended from inside a dialog opened later.
    wxGUIEventLoop loop;
    wxEventLoopActivator active(&loop);
    while (!dialog->Ended) loop.Dispatch();
  }
  desktop.Open.erase(dialog->Handle());
  const std::intptr_t result = dialog->Result;
  dialog->Destroy();
  return result;
}

}  // namespace

wxWindow* DialogWindow(const WxDesktop& desktop, WindowHandle handle) {
  return Find(desktop, handle);
}

WindowOps MakeWxWindowOps(WxDesktop& desktop) {
  WindowOps ops;
  ops.DialogBoxParamA = [&desktop](InstanceHandle, int templateId, WindowHandle owner,
                                   const DialogProc& procedure, std::intptr_t param) {
    return RunDialog(desktop, templateId, owner, procedure, param);
  };
  ops.EndDialog = [&desktop](WindowHandle handle, std::intptr_t result) {
    TemplateDialog* dialog = Find(desktop, handle);
    if (!dialog) return false;
    dialog->Ended = true;
    dialog->Result = result;
    dialog->Hide();
    return true;
  };
  ops.SetDlgItemTextA = [&desktop](WindowHandle handle, int id, const std::string& text) {
    wxWindow* w = FindControl(desktop, handle, id);
    if (!w) return false;
    if (auto* field = dynamic_cast<wxTextCtrl*>(w)) {
      field->ChangeValue(FromText(text));
    } else {
      w->SetLabel(FromText(text));
      // Shown at once, also while a Save keeps the dialog busy.
      w->Refresh();
      w->Update();
    }
    return true;
  };
  ops.GetDlgItemTextA = [&desktop](WindowHandle handle, int id, int bufferSize) {
    wxWindow* w = FindControl(desktop, handle, id);
    if (!w) return std::string();
    auto* field = dynamic_cast<wxTextCtrl*>(w);
    return CutToBuffer(ToText(field ? field->GetValue() : w->GetLabel()), bufferSize);
  };
  ops.GetDlgItemInt = [&desktop](WindowHandle handle, int id) -> std::uint32_t {
    auto* field = dynamic_cast<wxTextCtrl*>(FindControl(desktop, handle, id));
    return field ? ParseDialogNumber(ToText(field->GetValue())) : 0;
  };
  ops.IsDlgButtonChecked = [&desktop](WindowHandle handle, int id) {
    auto* box = dynamic_cast<wxCheckBox*>(FindControl(desktop, handle, id));
    return box && box->IsChecked();
  };
  ops.CheckDlgButton = [&desktop](WindowHandle handle, int id, bool checked) {
    auto* box = dynamic_cast<wxCheckBox*>(FindControl(desktop, handle, id));
    if (!box) return false;
    box->SetValue(checked);
    return true;
  };
  ops.MessageBoxA = [&desktop](WindowHandle owner, const std::string& text,
                               const std::string& caption, unsigned type) {
    long style = wxOK | wxCENTRE;
    if ((type & 0xF0) == MB_ICONERROR) style |= wxICON_ERROR;
    if ((type & 0xF0) == MB_ICONINFORMATION) style |= wxICON_INFORMATION;
    wxMessageDialog box(Find(desktop, owner), FromText(text), FromText(caption), style);
    box.ShowModal();
    return IDOK;
  };
  return ops;
}

}  // namespace vorlix
