#include "ui/win32/preview_window.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "preview/preview_picture.h"
#include "settings/picture_options.h"
#include "ui/core/dialog_templates.h"
#include "ui/win32/preview_canvas.h"
#include "ui/win32/preview_model.h"
#include "ui/win32/wide_text.h"

// The system's headers after vorlix's: their macros would rewrite names declared there.
#include <windows.h>

#include <commctrl.h>

namespace vorlix {
namespace {

const wchar_t kWindowClass[] = L"vorlixPreview";
constexpr int kPollMs = 20;           // how often a frame still being prepared is looked for
constexpr int kMaxPreviewSide = 760;  // pixels of the window, at most
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT_PTR kPlayTimer = 2;
constexpr int kIconResource = 102;

enum : int { kPicture = 101, kTracker, kPlay, kSlider, kInfo, kCanvas, kFirstChoice };
constexpr int kChoices = 4;  // dither, threshold mode, timing, backdrop
constexpr std::string_view kThresholdModes[] = {"number", "auto"};

struct Preview {
  Preview(Win32Desktop& d, const WindowOps& ops, ConversionSettings& program, HWND owner)
      : desktop(d), model(ops, program, owner), dialog(owner) {}
  Win32Desktop& desktop;
  PreviewModel model;
  HWND dialog;
  HWND window = nullptr, canvas = nullptr, play = nullptr, slider = nullptr, info = nullptr;
  std::array<HWND, kChoices> choices{};
  HFONT font = nullptr;
  bool playing = false;
};

Preview* gPreview = nullptr;  // the open preview; there is one at most
HHOOK gKeys = nullptr;

// The dialogs' loops hand the preview's keys to the dialog manager as if it were a dialog:
// Tab, mnemonics and Esc work in it while a modal dialog runs.
LRESULT CALLBACK PreviewKeys(int code, WPARAM wParam, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && gPreview != nullptr &&
      msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
    const HWND window = gPreview->window;
    if ((msg->hwnd == window || ::IsChild(window, msg->hwnd)) && ::IsDialogMessageW(window, msg)) {
      msg->message = WM_NULL;
    }
  }
  return ::CallNextHookEx(gKeys, code, wParam, lParam);
}

PreviewStyle Style(const Preview& p) {
  return ::IsDlgButtonChecked(p.window, kTracker) == BST_CHECKED ? PreviewStyle::Tracker
                                                                 : PreviewStyle::Picture;
}

// Draws the shown frame again; true when it is drawn. Looks again later while frames are
// being prepared.
bool Redraw(Preview& p) {
  if (!p.model.Loaded()) return false;
  PreviewImage image;
  const bool drawn = p.model.Draw(Style(p), image);
  if (drawn) {
    int zoom = 1;
    if (Style(p) == PreviewStyle::Picture && image.width > 0 && image.height > 0) {
      RECT room;
      ::GetClientRect(p.canvas, &room);
      zoom = std::max(1, std::min<int>(room.right / image.width, room.bottom / image.height));
    }
    SetCanvasImage(p.canvas, std::move(image), zoom);
  }
  ::SetWindowTextW(p.info, WideFromUtf8(p.model.Info()).c_str());
  if (p.model.Busy()) ::SetTimer(p.window, kPollTimer, kPollMs, nullptr);
  return drawn;
}

void SetPlaying(Preview& p, bool playing) {
  p.playing = playing && p.model.FrameCount() > 1;
  ::SetWindowTextW(p.play, p.playing ? L"&Pause" : L"&Play");
  if (p.playing) {
    ::SetTimer(p.window, kPlayTimer, p.model.FrameMilliseconds(), nullptr);
  } else {
    ::KillTimer(p.window, kPlayTimer);
  }
}

bool ShowFrame(Preview& p, int j) {
  p.model.ShowFrame(j);
  ::SendMessageW(p.slider, TBM_SETPOS, TRUE, p.model.Frame());
  return Redraw(p);
}

// The next frame after the shown one's time, as the module plays; a frame still being prepared
// holds playing until it is drawn.
void PlayTick(Preview& p) {
  ::KillTimer(p.window, kPlayTimer);
  if (!p.playing) return;
  if (ShowFrame(p, (p.model.Frame() + 1) % p.model.FrameCount())) {
    ::SetTimer(p.window, kPlayTimer, p.model.FrameMilliseconds(), nullptr);
  }
}

void Poll(Preview& p) {
  ::KillTimer(p.window, kPollTimer);
  if (Redraw(p) && p.playing)
    ::SetTimer(p.window, kPlayTimer, p.model.FrameMilliseconds(), nullptr);
}

void ShowPictureOptions(Preview& p) {
  const PictureOptions& picture = p.model.Picture();
  const int selected[kChoices] = {static_cast<int>(picture.Dither), picture.AutoThreshold ? 1 : 0,
                                  static_cast<int>(picture.Timing),
                                  static_cast<int>(picture.Backdrop)};
  for (int i = 0; i < kChoices; ++i) ::SendMessageW(p.choices[i], CB_SETCURSEL, selected[i], 0);
}

// The picture options, which the main dialog has no fields for: chosen here, they apply to the
// preview at once and to the next Save and Save settings.
void PictureOptionChosen(Preview& p) {
  auto selected = [&p](int i) {
    return static_cast<std::uint8_t>(::SendMessageW(p.choices[i], CB_GETCURSEL, 0, 0));
  };
  PictureOptions& picture = p.model.Picture();
  picture.Dither = DitherMethod{selected(0)};
  picture.AutoThreshold = selected(1) == 1;
  picture.Timing = TimingSource{selected(2)};
  picture.Backdrop = BackdropColour{selected(3)};
  p.model.OptionsChanged();
  Redraw(p);
}

HWND Child(Preview& p, const wchar_t* windowClass, const wchar_t* text, DWORD style, int id) {
  const HWND child =
      ::CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, p.window,
                        reinterpret_cast<HMENU>(INT_PTR{id}), ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(p.font), FALSE);
  return child;
}

// The line height of the window's font: the unit of its layout.
int LineHeight(const Preview& p) {
  const HDC dc = ::GetDC(p.window);
  const HGDIOBJ old = ::SelectObject(dc, p.font);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, old);
  ::ReleaseDC(p.window, dc);
  return std::max<int>(8, metrics.tmHeight);
}

void Place(HWND window, int x, int y, int width, int height) {
  ::MoveWindow(window, x, y, width, height, TRUE);
}

// The style and Play in a row, the picture options each on a line, then the frame slider, the
// info line and the picture below, as wide as the window.
void Layout(Preview& p) {
  RECT client;
  ::GetClientRect(p.window, &client);
  const int u = LineHeight(p), m = u / 2, width = std::max<int>(client.right - 2 * m, u);
  Place(::GetDlgItem(p.window, kPicture - 1), m, m / 2, 14 * u, 2 * u + m);
  Place(::GetDlgItem(p.window, kPicture), 2 * m, m / 2 + u + 1, 6 * u, u + 2);
  Place(::GetDlgItem(p.window, kTracker), 2 * m + 6 * u, m / 2 + u + 1, 6 * u, u + 2);
  Place(p.play, 15 * u, m / 2 + u - 1, 5 * u, u + m + 2);
  const int optionsTop = 3 * u + m;
  for (int i = 0; i < kChoices; ++i) {
    const int x = m, y = optionsTop + i * (u + m + 2);
    Place(::GetDlgItem(p.window, kFirstChoice + kChoices + i), x, y + 3, 5 * u, u);
    Place(p.choices[i], x + 5 * u, y, 7 * u, 10 * u);
  }
  const int sliderTop = optionsTop + kChoices * (u + m + 2) + m / 2;
  Place(p.slider, m, sliderTop, width, u + m + 2);
  Place(p.info, m, sliderTop + u + m + 4, width, u);
  const int canvasTop = sliderTop + 2 * u + m + 6;
  Place(p.canvas, 0, canvasTop, client.right, std::max<int>(0, client.bottom - canvasTop));
}

void BuildControls(Preview& p) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  p.font = ::CreateFontIndirectW(&metrics.lfMessageFont);
  Child(p, L"BUTTON", L"Style", BS_GROUPBOX, kPicture - 1);
  Child(p, L"BUTTON", L"P&icture", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, kPicture);
  Child(p, L"BUTTON", L"T&racker", BS_AUTORADIOBUTTON, kTracker);
  ::CheckDlgButton(p.window, kPicture, BST_CHECKED);
  p.play = Child(p, L"BUTTON", L"&Play", BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, kPlay);
  const wchar_t* labels[kChoices] = {L"&Dither:", L"T&hreshold:", L"Ti&ming:", L"Bac&kdrop:"};
  const std::span<const std::string_view> names[kChoices] = {kDitherNames, kThresholdModes,
                                                             kTimingNames, kBackdropNames};
  for (int i = 0; i < kChoices; ++i) {
    // A label names the list after it: its mnemonic moves the focus there.
    Child(p, L"STATIC", labels[i], SS_LEFT, kFirstChoice + kChoices + i);
    p.choices[i] =
        Child(p, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kFirstChoice + i);
    for (std::string_view name : names[i]) {
      ::SendMessageW(p.choices[i], CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(WideFromUtf8(std::string(name)).c_str()));
    }
  }
  p.slider = Child(p, TRACKBAR_CLASSW, L"", TBS_HORZ | WS_TABSTOP, kSlider);
  p.info = Child(p, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, kInfo);
  p.canvas = Child(p, PreviewCanvasClass(), L"", WS_HSCROLL | WS_VSCROLL, kCanvas);
  ShowPictureOptions(p);
  Layout(p);
}

void Command(Preview& p, int id, int notification) {
  if (id == IDCANCEL) {
    ::DestroyWindow(p.window);  // Esc closes the preview; the main dialog stays as it is
  } else if (id == kPlay && notification == BN_CLICKED) {
    SetPlaying(p, !p.playing);
  } else if ((id == kPicture || id == kTracker) && notification == BN_CLICKED) {
    Redraw(p);
  } else if (id >= kFirstChoice && id < kFirstChoice + kChoices && notification == CBN_SELCHANGE) {
    PictureOptionChosen(p);
  }
}

void Closed(Preview* p) {
  ::KillTimer(p->window, kPollTimer);
  ::KillTimer(p->window, kPlayTimer);
  ::UnhookWindowsHookEx(gKeys);
  gKeys = nullptr;
  p->desktop.Notified = nullptr;
  ::DeleteObject(p->font);
  gPreview = nullptr;
  delete p;
}

LRESULT CALLBACK PreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gPreview == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  Preview& p = *gPreview;
  if (p.window == nullptr) p.window = window;
  switch (message) {
    case WM_COMMAND:
      Command(p, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_HSCROLL:  // the frame slider
      SetPlaying(p, false);
      ShowFrame(p, static_cast<int>(::SendMessageW(p.slider, TBM_GETPOS, 0, 0)));
      return 0;
    case WM_TIMER:
      wParam == kPlayTimer ? PlayTick(p) : Poll(p);
      return 0;
    case WM_SIZE:
      Layout(p);
      Redraw(p);  // the picture is zoomed to fit
      return 0;
    case WM_DESTROY:
      Closed(&p);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

void RegisterClasses() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW window{};
  window.cbSize = sizeof window;
  window.lpfnWndProc = PreviewProc;
  window.hInstance = instance;
  window.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
  window.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window.lpszClassName = kWindowClass;
  ::RegisterClassExW(&window);
}

// Beside the dialog, on the side of the screen with more room.
void PlaceBeside(HWND preview, HWND dialog) {
  RECT main;
  ::GetWindowRect(dialog, &main);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT area = monitor.rcWork;
  const int right = area.right - main.right, left = main.left - area.left;
  const int width = std::clamp<int>(std::max(right, left), 240, kMaxPreviewSide);
  const int height = std::min<int>(area.bottom - area.top, kMaxPreviewSide);
  const int x = right >= left ? main.right : main.left - width;
  ::SetWindowPos(preview, nullptr, x, area.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FieldNotified(WindowHandle dialog, int id, int notification) {
  if (gPreview == nullptr || dialog != gPreview->dialog) return;
  const bool field =
      notification == EN_CHANGE && id != ControlId::InputPath && id != ControlId::OutputPath;
  const bool box = notification == BN_CLICKED &&
                   (id == ControlId::InverseColors || id == ControlId::BreakPatterns);
  if (!field && !box) return;
  gPreview->model.OptionsChanged();
  Redraw(*gPreview);
}

bool OpenPreview(Win32Desktop& desktop, const WindowOps& ops, ConversionSettings& program,
                 HWND dialog) {
  RegisterClasses();
  gPreview = new Preview(desktop, ops, program, dialog);
  // Owned by the main dialog: it closes with it and stays above it.
  const HWND window = ::CreateWindowExW(0, kWindowClass, L"vorlix preview", WS_OVERLAPPEDWINDOW,
                                        CW_USEDEFAULT, CW_USEDEFAULT, 400, 600, dialog, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) {
    delete gPreview;
    gPreview = nullptr;
    return false;
  }
  BuildControls(*gPreview);
  PlaceBeside(window, dialog);
  gKeys = ::SetWindowsHookExW(WH_GETMESSAGE, PreviewKeys, nullptr, ::GetCurrentThreadId());
  desktop.Notified = FieldNotified;
  // The keyboard stays in the main dialog; the preview is one Alt+Tab or click away.
  ::ShowWindow(window, SW_SHOWNOACTIVATE);
  return true;
}

}  // namespace

void ShowPreviewWindow(Win32Desktop& desktop, const WindowOps& ops, ConversionSettings& program,
                       WindowHandle dialog, const std::string& inputPath) {
  if (gPreview == nullptr && !OpenPreview(desktop, ops, program, static_cast<HWND>(dialog))) return;
  Preview& p = *gPreview;
  ShowPictureOptions(p);
  SetPlaying(p, false);
  if (!p.model.Load(inputPath)) {
    ::SetWindowTextW(p.info, WideFromUtf8(p.model.Info()).c_str());
    SetCanvasImage(p.canvas, PreviewImage{}, 1);
    return;
  }
  const int last = std::max(1, p.model.FrameCount() - 1);
  ::SendMessageW(p.slider, TBM_SETRANGEMIN, FALSE, 0);
  ::SendMessageW(p.slider, TBM_SETRANGEMAX, FALSE, last);
  ::SendMessageW(p.slider, TBM_SETPOS, TRUE, 0);
  ::EnableWindow(p.slider, p.model.FrameCount() > 1);
  Redraw(p);
}

}  // namespace vorlix
