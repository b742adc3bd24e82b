#include "ui/win32/preview_canvas.h"

#include <algorithm>
#include <utility>
#include <vector>

// The system's header after vorlix's: its macros would rewrite names declared there.
#include <windows.h>

namespace vorlix {
namespace {

const wchar_t kCanvasClass[] = L"vorlixPreviewCanvas";
constexpr int kScrollStep = 16;

// The shown picture as a bitmap of palette indices, rows padded to 4 bytes; its zoom and the
// scrolled-to point.
struct Canvas {
  PreviewImage image;
  std::vector<std::uint8_t> rows;
  int zoom = 1;
  int scroll[2] = {0, 0};  // SB_HORZ, SB_VERT
};

Canvas& State(HWND canvas) {
  return *reinterpret_cast<Canvas*>(::GetWindowLongPtrW(canvas, GWLP_USERDATA));
}

void Scroll(HWND canvas, int bar, WPARAM request) {
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
  ::GetScrollInfo(canvas, bar, &si);
  const int page = static_cast<int>(si.nPage);
  int position = si.nPos;
  switch (LOWORD(request)) {
    case SB_LINEUP:
      position -= kScrollStep;
      break;
    case SB_LINEDOWN:
      position += kScrollStep;
      break;
    case SB_PAGEUP:
      position -= page;
      break;
    case SB_PAGEDOWN:
      position += page;
      break;
    case SB_THUMBTRACK:
      position = si.nTrackPos;
      break;
    case SB_TOP:
      position = si.nMin;
      break;
    case SB_BOTTOM:
      position = si.nMax;
      break;
    default:
      return;
  }
  si.fMask = SIF_POS;
  si.nPos = position;
  ::SetScrollInfo(canvas, bar, &si, TRUE);
  State(canvas).scroll[bar] = ::GetScrollPos(canvas, bar);
  ::InvalidateRect(canvas, nullptr, FALSE);
}

void Paint(HWND canvas) {
  const Canvas& c = State(canvas);
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(canvas, &paint);
  const PreviewRgb& paper = kPreviewPalette[kPaper];
  const HBRUSH brush = ::CreateSolidBrush(RGB(paper.r, paper.g, paper.b));
  ::FillRect(dc, &paint.rcPaint, brush);
  ::DeleteObject(brush);
  const int width = c.image.width, height = c.image.height;
  if (width > 0 && height > 0) {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[kPreviewShadeCount];
    } bitmap{};
    bitmap.header = {sizeof(BITMAPINFOHEADER), width, -height, 1, 8, BI_RGB, 0, 0, 0,
                     kPreviewShadeCount,       0};
    for (int i = 0; i < kPreviewShadeCount; ++i) {
      bitmap.colours[i] = {kPreviewPalette[i].b, kPreviewPalette[i].g, kPreviewPalette[i].r, 0};
    }
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchDIBits(dc, -c.scroll[SB_HORZ], -c.scroll[SB_VERT], width * c.zoom, height * c.zoom, 0,
                    0, width, height, c.rows.data(), reinterpret_cast<const BITMAPINFO*>(&bitmap),
                    DIB_RGB_COLORS, SRCCOPY);
  }
  ::EndPaint(canvas, &paint);
}

LRESULT CALLBACK CanvasProc(HWND canvas, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      ::SetWindowLongPtrW(canvas, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new Canvas));
      break;
    case WM_NCDESTROY:
      delete &State(canvas);
      ::SetWindowLongPtrW(canvas, GWLP_USERDATA, 0);
      break;
    case WM_PAINT:
      Paint(canvas);
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
      Scroll(canvas, message == WM_HSCROLL ? SB_HORZ : SB_VERT, wParam);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(canvas, message, wParam, lParam);
}

}  // namespace

const wchar_t* PreviewCanvasClass() {
  static const bool registered = [] {
    WNDCLASSEXW canvas{};
    canvas.cbSize = sizeof canvas;
    canvas.lpfnWndProc = CanvasProc;
    canvas.hInstance = ::GetModuleHandleW(nullptr);
    canvas.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    canvas.lpszClassName = kCanvasClass;
    return ::RegisterClassExW(&canvas) != 0;
  }();
  return registered ? kCanvasClass : L"STATIC";
}

void SetCanvasImage(void* window, PreviewImage image, int zoom) {
  const HWND canvas = static_cast<HWND>(window);
  Canvas& c = State(canvas);
  const int stride = (image.width + 3) & ~3;
  c.rows.assign(static_cast<std::size_t>(stride) * image.height, 0);
  for (int y = 0; y < image.height; ++y) {
    std::copy_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width, image.width,
                c.rows.begin() + static_cast<std::ptrdiff_t>(y) * stride);
  }
  c.image = std::move(image);
  c.zoom = zoom;
  RECT client;
  ::GetClientRect(canvas, &client);
  const int extent[] = {c.image.width * zoom, c.image.height * zoom};
  const int page[] = {client.right, client.bottom};
  for (int bar : {SB_HORZ, SB_VERT}) {
    SCROLLINFO si{sizeof si,
                  SIF_RANGE | SIF_PAGE | SIF_POS,
                  0,
                  extent[bar] - 1,
                  static_cast<UINT>(page[bar]),
                  c.scroll[bar],
                  0};
    ::SetScrollInfo(canvas, bar, &si, TRUE);
    c.scroll[bar] = ::GetScrollPos(canvas, bar);
  }
  ::InvalidateRect(canvas, nullptr, FALSE);
}

}  // namespace vorlix
