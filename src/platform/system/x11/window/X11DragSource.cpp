#include "platform/system/x11/window/X11DragSource.h"

#include <X11/Xatom.h>

#include <algorithm>

#include "platform/foundation/Log.h"
#include "platform/system/x11/clipboard/X11ClipboardFormats.h"

namespace vl::x11 {

namespace {

constexpr int kNewestVersion = 5;
constexpr int kOldestVersion = 3;
// Windows nest a few levels under a window manager's frames; a deeper tree is not worth walking.
constexpr int kMaxDepth = 16;

}  // namespace

bool X11DragSource::begin(::Window source, Time time, std::vector<PasteboardItem> items, DragIconPixels icon,
                          bool argb) {
  Display* dpy = x_.get();
  if (active()) finish("replaced by a new drag");
  std::vector<std::string> targets = clipboard::targetsFor(items);
  if (targets.empty()) {
    logWarning("drag: the records have nothing to offer");
    return false;
  }
  ::Window root = None, child = None;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned int mask = 0;
  XQueryPointer(dpy, x_.root(), &root, &child, &rootX, &rootY, &winX, &winY, &mask);
  // The release may have come before the drag was asked for; without the press there is no grab.
  if (!(mask & (Button1Mask | Button2Mask | Button3Mask))) {
    logDebug("drag: the button went up before the drag began");
    return false;
  }
  XSetSelectionOwner(dpy, x_.atom("XdndSelection"), source, time);
  if (XGetSelectionOwner(dpy, x_.atom("XdndSelection")) != source) {
    logWarning("drag: could not take the drag selection");
    return false;
  }
  source_ = owner_ = source;
  items_ = std::move(items);
  targets_ = std::move(targets);
  std::vector<long> atoms;
  for (const auto& name : targets_) atoms.push_back(static_cast<long>(x_.atom(name)));
  XChangeProperty(dpy, source_, x_.atom("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
  target_ = {};
  waitingStatus_ = positionPending_ = accepted_ = released_ = dropping_ = false;
  icon_.show(std::move(icon), rootX, rootY, argb);
  motion(rootX, rootY, time);
  return true;
}

std::optional<int> X11DragSource::awareVersion(::Window window) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<int> version;
  if (XGetWindowProperty(x_.get(), window, x_.atom("XdndAware"), 0, 1, False, XA_ATOM, &type, &format, &count,
                         &after, &data) == Success &&
      type == XA_ATOM && format == 32 && count == 1) {
    const long v = *reinterpret_cast<long*>(data);
    if (v >= kOldestVersion) version = static_cast<int>(std::min<long>(v, kNewestVersion));
  }
  if (data) XFree(data);
  return version;
}

X11DragSource::Target X11DragSource::targetAt(int rootX, int rootY) {
  Display* dpy = x_.get();
  X11ErrorTrap trap(dpy);
  ::Window window = x_.root();
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    if (window != x_.root() && window != source_) {
      ::Window sendTo = window;
      Atom type = None;
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(dpy, window, x_.atom("XdndProxy"), 0, 1, False, XA_WINDOW, &type, &format,
                             &count, &after, &data) == Success &&
          type == XA_WINDOW && format == 32 && count == 1)
        sendTo = static_cast<::Window>(*reinterpret_cast<long*>(data));
      if (data) XFree(data);
      if (std::optional<int> version = awareVersion(sendTo)) return {window, sendTo, *version};
    }
    ::Window child = None;
    int x = 0, y = 0;
    // A window that went away meanwhile ends the search; the trap keeps the error out of the log.
    if (!XTranslateCoordinates(dpy, x_.root(), window, rootX, rootY, &x, &y, &child) || child == None) break;
    window = child;
  }
  return {};
}

void X11DragSource::send(const char* message, long l1, long l2, long l3, long l4) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.display = x_.get();
  e.xclient.window = target_.window;
  e.xclient.message_type = x_.atom(message);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(source_);
  e.xclient.data.l[1] = l1;
  e.xclient.data.l[2] = l2;
  e.xclient.data.l[3] = l3;
  e.xclient.data.l[4] = l4;
  X11ErrorTrap trap(x_.get());
  XSendEvent(x_.get(), target_.sendTo, False, NoEventMask, &e);
  XFlush(x_.get());
}

void X11DragSource::sendPosition() {
  positionPending_ = false;
  waitingStatus_ = true;
  arm();
  send("XdndPosition", 0, (static_cast<long>(rootX_) << 16) | (rootY_ & 0xffff), static_cast<long>(time_),
       static_cast<long>(x_.atom("XdndActionCopy")));
}

void X11DragSource::motion(int rootX, int rootY, Time time) {
  if (!active()) return;
  rootX_ = rootX;
  rootY_ = rootY;
  time_ = time;
  icon_.move(rootX, rootY);
  const Target now = targetAt(rootX, rootY);
  if (now.window != target_.window) {
    if (target_.window != None) send("XdndLeave", 0, 0, 0, 0);
    target_ = now;
    accepted_ = waitingStatus_ = positionPending_ = false;
    if (target_.window == None) return;
    // The first three types travel in the message; a longer list waits in XdndTypeList.
    long types[3] = {0, 0, 0};
    for (std::size_t i = 0; i < 3 && i < targets_.size(); ++i)
      types[i] = static_cast<long>(x_.atom(targets_[i]));
    send("XdndEnter", (static_cast<long>(target_.version) << 24) | (targets_.size() > 3 ? 1 : 0), types[0],
         types[1], types[2]);
  }
  if (target_.window == None) return;
  // One position at a time: the next goes out when the target has answered this one.
  if (waitingStatus_) {
    positionPending_ = true;
  } else {
    sendPosition();
  }
}

void X11DragSource::release(Time time) {
  if (!active() || released_) return;
  released_ = true;
  time_ = time;
  if (target_.window == None) return finish("dropped where nobody takes it");
  if (waitingStatus_) return;  // the answer to the last position decides
  if (accepted_) return drop();
  leave();
}

void X11DragSource::drop() {
  dropping_ = true;
  arm();
  send("XdndDrop", 0, static_cast<long>(time_), 0, 0);
}

void X11DragSource::leave() {
  send("XdndLeave", 0, 0, 0, 0);
  finish("the target did not take it");
}

void X11DragSource::finish(const char* how) {
  logDebugf("drag: ended, %s", how);
  icon_.hide();
  source_ = None;
  target_ = {};
  waitingStatus_ = positionPending_ = accepted_ = released_ = dropping_ = false;
}

void X11DragSource::tick() {
  if (!active() || !(waitingStatus_ || dropping_)) return;
  if (std::chrono::steady_clock::now() < deadline_) return;
  if (!dropping_) send("XdndLeave", 0, 0, 0, 0);
  finish("the target stopped answering");
}

bool X11DragSource::handle(const XEvent& event) {
  if (icon_.handle(event)) return true;
  if (event.type == SelectionRequest) {
    const XSelectionRequestEvent& r = event.xselectionrequest;
    if (owner_ == None || r.owner != owner_ || r.selection != x_.atom("XdndSelection")) return false;
    serve(r);
    return true;
  }
  if (event.type == SelectionClear) {
    if (owner_ == None || event.xselectionclear.window != owner_ ||
        event.xselectionclear.selection != x_.atom("XdndSelection"))
      return false;
    if (!active()) {
      owner_ = None;
      items_.clear();
    }
    return true;
  }
  if (event.type != ClientMessage || !active() || event.xclient.window != source_) return false;
  const XClientMessageEvent& m = event.xclient;
  const bool status = m.message_type == x_.atom("XdndStatus");
  const bool finished = m.message_type == x_.atom("XdndFinished");
  if (!status && !finished) return false;
  // A late answer of a window the pointer already left is no answer for the current one.
  if (static_cast<::Window>(m.data.l[0]) != target_.window) return true;
  if (finished) {
    if (dropping_)
      finish((m.data.l[1] & 1) || target_.version < 5 ? "dropped" : "the target refused the data");
    return true;
  }
  if (dropping_ || !waitingStatus_) return true;
  waitingStatus_ = false;
  accepted_ = (m.data.l[1] & 1) != 0;
  if (released_) {
    if (accepted_) {
      drop();
    } else {
      leave();
    }
  } else if (positionPending_) {
    sendPosition();
  }
  return true;
}

void X11DragSource::serve(const XSelectionRequestEvent& request) {
  Display* dpy = x_.get();
  const Atom property = request.property == None ? request.target : request.property;
  X11ErrorTrap trap(dpy);
  const bool answered = answer(request, property);
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.display = dpy;
  reply.xselection.requestor = request.requestor;
  reply.xselection.selection = request.selection;
  reply.xselection.target = request.target;
  reply.xselection.property = answered ? property : None;
  reply.xselection.time = request.time;
  XSendEvent(dpy, request.requestor, False, NoEventMask, &reply);
  trap.sync();
}

bool X11DragSource::answer(const XSelectionRequestEvent& request, Atom property) {
  Display* dpy = x_.get();
  if (request.target == x_.atom("TARGETS")) {
    std::vector<long> atoms{static_cast<long>(x_.atom("TARGETS"))};
    for (const auto& name : targets_) atoms.push_back(static_cast<long>(x_.atom(name)));
    XChangeProperty(dpy, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
    return true;
  }
  auto reply = clipboard::answerFor(items_, x_.atomName(request.target));
  if (!reply) return false;
  const long maxRequest =
      XExtendedMaxRequestSize(dpy) > 0 ? XExtendedMaxRequestSize(dpy) : XMaxRequestSize(dpy);
  // A drop is answered in one piece; what does not fit one request is refused rather than cut.
  if (reply->second.size() + 1024 > static_cast<std::size_t>(maxRequest) * 4) {
    logWarningf("drag: %zu bytes of %s are too large to hand over", reply->second.size(),
                reply->first.c_str());
    return false;
  }
  XChangeProperty(dpy, request.requestor, property, x_.atom(reply->first), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(reply->second.data()),
                  static_cast<int>(reply->second.size()));
  return true;
}

}  // namespace vl::x11
