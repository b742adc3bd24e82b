// Drops files onto the window under a point of the screen, as a file manager does: the drag
// source side of the XDND protocol (version 5), offering the paths as text/uri-list.
//   xdnd_drop X Y PATH...     X, Y in root window coordinates
// Exit status 0 when the target took the drop and said it has finished, 1 otherwise (no window
// there that takes drops, drop refused, no answer within 10 s), 2 on a usage error.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <sys/select.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr long kXdndVersion = 5;
constexpr auto kPatience = std::chrono::seconds(10);

struct Atoms {
  Atom aware, proxy, enter, position, status, leave, drop, finished, selection, actionCopy, uriList;
};

Atoms InternAtoms(Display* display) {
  auto atom = [display](const char* name) { return XInternAtom(display, name, False); };
  return {atom("XdndAware"),     atom("XdndProxy"),      atom("XdndEnter"),    atom("XdndPosition"),
          atom("XdndStatus"),    atom("XdndLeave"),      atom("XdndDrop"),     atom("XdndFinished"),
          atom("XdndSelection"), atom("XdndActionCopy"), atom("text/uri-list")};
}

// A file:// URI of an absolute path, bytes outside the unreserved set percent-encoded.
std::string FileUri(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

// The window's one-value property of type ATOM or WINDOW, if it has one.
bool ReadLongProperty(Display* display, Window window, Atom property, Atom type, long& value) {
  Atom actualType;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  const bool found = XGetWindowProperty(display, window, property, 0, 1, False, type, &actualType,
                                        &format, &count, &after, &data) == Success &&
                     actualType == type && format == 32 && count == 1;
  if (found) value = *reinterpret_cast<long*>(data);
  if (data) XFree(data);
  return found;
}

// The top-most window at the point that announces XDND support, walking down from the root
// through the window manager's frames.
Window FindDropTarget(Display* display, const Atoms& atoms, int x, int y, long& version) {
  const Window root = DefaultRootWindow(display);
  Window window = root;
  while (true) {
    if (window != root && ReadLongProperty(display, window, atoms.aware, XA_ATOM, version)) {
      return window;
    }
    int childX, childY;
    Window child = None;
    if (!XTranslateCoordinates(display, root, window, x, y, &childX, &childY, &child) ||
        child == None) {
      return None;
    }
    window = child;
  }
}

// A time stamp of the server, taken from a property change on our own window.
Time ServerTime(Display* display, Window window) {
  XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>("xdnd_drop"), 9);
  XEvent event;
  XWindowEvent(display, window, PropertyChangeMask, &event);
  return event.xproperty.time;
}

// An XDND client message about `target`, sent to `to` (the target or its proxy).
void SendMessage(Display* display, Window to, Window target, Atom type, Window source, long l1,
                 long l2, long l3, long l4) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.display = display;
  event.xclient.window = target;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(source);
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[3] = l3;
  event.xclient.data.l[4] = l4;
  XSendEvent(display, to, False, NoEventMask, &event);
  XFlush(display);
}

// Hands the URI list to whoever converts our selection.
void AnswerSelectionRequest(Display* display, const Atoms& atoms, const XSelectionRequestEvent& r,
                            const std::string& uriList) {
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.display = display;
  reply.xselection.requestor = r.requestor;
  reply.xselection.selection = r.selection;
  reply.xselection.target = r.target;
  reply.xselection.time = r.time;
  reply.xselection.property = None;
  if (r.selection == atoms.selection && r.target == atoms.uriList) {
    const Atom property = r.property == None ? r.target : r.property;
    XChangeProperty(display, r.requestor, property, atoms.uriList, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(uriList.data()),
                    static_cast<int>(uriList.size()));
    reply.xselection.property = property;
  }
  XSendEvent(display, r.requestor, False, NoEventMask, &reply);
  XFlush(display);
}

// Waits for the next event until the deadline; false when none came in time.
bool NextEvent(Display* display, std::chrono::steady_clock::time_point deadline, XEvent& event) {
  while (!XPending(display)) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return false;
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
    timeval timeout{static_cast<time_t>(micros / 1000000),
                    static_cast<suseconds_t>(micros % 1000000)};
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(ConnectionNumber(display), &readable);
    select(ConnectionNumber(display) + 1, &readable, nullptr, nullptr, &timeout);
  }
  XNextEvent(display, &event);
  return true;
}

int Fail(const char* what) {
  std::fprintf(stderr, "xdnd_drop: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: xdnd_drop X Y PATH...\n");
    return 2;
  }
  const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
  std::string uriList;
  for (int k = 3; k < argc; ++k) uriList += FileUri(argv[k]) + "\r\n";

  Display* display = XOpenDisplay(nullptr);
  if (!display) return Fail("cannot open the display");
  const Atoms atoms = InternAtoms(display);
  const Window source =
      XCreateSimpleWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0, 0);
  XSelectInput(display, source, PropertyChangeMask);
  const Time time = ServerTime(display, source);

  long version = 0;
  const Window target = FindDropTarget(display, atoms, x, y, version);
  if (target == None) return Fail("no window at that point takes drops");
  // Messages go to the proxy when the target names one; they still name the target.
  long proxyValue = 0;
  const Window to = ReadLongProperty(display, target, atoms.proxy, XA_WINDOW, proxyValue)
                        ? static_cast<Window>(proxyValue)
                        : target;
  const long used = version < kXdndVersion ? version : kXdndVersion;
  if (used < 3) return Fail("the window speaks too old a version of XDND");

  XSetSelectionOwner(display, atoms.selection, source, time);
  auto send = [&](Atom type, long l1, long l2, long l3, long l4) {
    SendMessage(display, to, target, type, source, l1, l2, l3, l4);
  };
  send(atoms.enter, used << 24, static_cast<long>(atoms.uriList), None, None);
  send(atoms.position, 0, (static_cast<long>(x) << 16) | (y & 0xFFFF), static_cast<long>(time),
       static_cast<long>(atoms.actionCopy));

  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  bool dropped = false;
  XEvent event;
  while (NextEvent(display, deadline, event)) {
    if (event.type == SelectionRequest) {
      AnswerSelectionRequest(display, atoms, event.xselectionrequest, uriList);
      continue;
    }
    if (event.type != ClientMessage) continue;
    const XClientMessageEvent& message = event.xclient;
    if (message.message_type == atoms.status && !dropped) {
      if (!(message.data.l[1] & 1)) {
        send(atoms.leave, 0, 0, 0, 0);
        return Fail("the window refused the drop");
      }
      send(atoms.drop, 0, static_cast<long>(time), 0, 0);
      dropped = true;
    } else if (message.message_type == atoms.finished && dropped) {
      // Before version 5 finishing says nothing of success; from 5 on, bit 0 tells.
      const bool accepted = used < 5 || (message.data.l[1] & 1);
      XCloseDisplay(display);
      return accepted ? 0 : Fail("the window did not take the files");
    }
  }
  return Fail(dropped ? "the window did not finish the drop within 10 s"
                      : "the window did not answer within 10 s");
}
