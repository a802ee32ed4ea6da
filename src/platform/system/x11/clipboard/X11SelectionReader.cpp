#include "platform/system/x11/clipboard/X11SelectionReader.h"

#include <X11/Xatom.h>
#include <poll.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/foundation/Log.h"
#include "platform/system/x11/clipboard/X11ClipboardFormats.h"

namespace vl::x11 {

namespace {

using Clock = std::chrono::steady_clock;

struct EventWanted {
  ::Window window;
  int type;
  Atom property;
};

Bool matches(Display*, XEvent* event, XPointer arg) {
  const auto* wanted = reinterpret_cast<const EventWanted*>(arg);
  if (event->type != wanted->type || event->xany.window != wanted->window) return False;
  // Only a new value counts: our own deletes of the property report too.
  if (event->type == PropertyNotify) {
    return event->xproperty.atom == wanted->property && event->xproperty.state == PropertyNewValue;
  }
  return True;
}

int msUntil(Clock::time_point t) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count());
}

}  // namespace

X11SelectionReader::X11SelectionReader(std::unique_ptr<X11Display> display, Limits limits)
    : display_(std::move(display)), limits_(limits) {}

X11SelectionReader::~X11SelectionReader() = default;

::Window X11SelectionReader::owner() {
  MutexLock lock(mutex_);
  return XGetSelectionOwner(display_->get(), display_->atom("CLIPBOARD"));
}

bool X11SelectionReader::waitForEvent(::Window window, int eventType, Atom property, TimePoint deadline,
                                      XEvent* event) {
  Display* dpy = display_->get();
  EventWanted wanted{window, eventType, property};
  XFlush(dpy);
  for (;;) {
    if (XCheckIfEvent(dpy, event, matches, reinterpret_cast<XPointer>(&wanted))) return true;
    const int left = msUntil(deadline);
    if (left <= 0) return false;
    pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
    poll(&fd, 1, std::min(left, 50));
  }
}

bool X11SelectionReader::takeProperty(::Window window, Atom property, Atom* type, std::string* data,
                                      std::size_t* size) {
  Display* dpy = display_->get();
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* bytes = nullptr;
  // A zero-length read gives the type and the size without copying anything.
  if (XGetWindowProperty(dpy, window, property, 0, 0, False, AnyPropertyType, type, &format, &count, &after,
                         &bytes) != Success) {
    return false;
  }
  if (bytes) XFree(bytes);
  *size = after;
  if (*type == display_->atom("INCR")) return true;
  if (after > limits_.maxBytes) {
    XDeleteProperty(dpy, window, property);
    return true;
  }
  if (XGetWindowProperty(dpy, window, property, 0, static_cast<long>((after + 3) / 4), True, AnyPropertyType,
                         type, &format, &count, &after, &bytes) != Success) {
    return false;
  }
  data->clear();
  if (bytes) {
    if (format == 32) {
      // Xlib hands format-32 items over as longs, whatever their size on the wire.
      const auto* longs = reinterpret_cast<const long*>(bytes);
      for (unsigned long i = 0; i < count; ++i) {
        const auto v = static_cast<std::uint32_t>(longs[i]);
        data->append(reinterpret_cast<const char*>(&v), sizeof v);
      }
    } else {
      data->assign(reinterpret_cast<const char*>(bytes), count * static_cast<unsigned long>(format / 8));
    }
    XFree(bytes);
  }
  *size = data->size();
  return true;
}

X11SelectionReader::Outcome X11SelectionReader::readIncremental(::Window window, Atom property,
                                                                TimePoint deadline, std::string* data) {
  Display* dpy = display_->get();
  data->clear();
  // Notices queued so far are of the announcement and of earlier answers; only a value written after
  // the delete below is a part.
  XEvent stale;
  while (XCheckTypedWindowEvent(dpy, window, PropertyNotify, &stale)) {
  }
  // Deleting the announcement asks the owner for the first part.
  XDeleteProperty(dpy, window, property);
  for (;;) {
    const auto waitUntil =
        std::min(deadline, Clock::now() + std::chrono::milliseconds(limits_.answerTimeoutMs));
    XEvent event;
    if (!waitForEvent(window, PropertyNotify, property, waitUntil, &event)) return Outcome::TimedOut;
    Atom type = None;
    std::string part;
    std::size_t size = 0;
    if (!takeProperty(window, property, &type, &part, &size)) return Outcome::Refused;
    if (type == None) continue;  // a notice of a value already taken
    if (size > limits_.maxBytes || data->size() + part.size() > limits_.maxBytes) return Outcome::TooLarge;
    if (part.empty()) return Outcome::Ok;  // an empty part ends the transfer
    data->append(part);
  }
}

X11SelectionReader::Outcome X11SelectionReader::convert(::Window window, Atom target, std::string* type,
                                                        std::string* data) {
  Display* dpy = display_->get();
  const auto start = Clock::now();
  const auto deadline = start + std::chrono::milliseconds(limits_.transferTimeoutMs);
  const Atom property = display_->atom("VL_SELECTION");
  XConvertSelection(dpy, display_->atom("CLIPBOARD"), target, property, window, CurrentTime);
  XEvent event;
  const auto answerBy = std::min(deadline, start + std::chrono::milliseconds(limits_.answerTimeoutMs));
  if (!waitForEvent(window, SelectionNotify, None, answerBy, &event)) return Outcome::TimedOut;
  if (event.xselection.property == None) return Outcome::Refused;
  Atom typeAtom = None;
  std::size_t size = 0;
  if (!takeProperty(window, event.xselection.property, &typeAtom, data, &size)) return Outcome::Refused;
  if (typeAtom == None) return Outcome::Refused;  // the owner claimed an answer it never wrote
  if (typeAtom == display_->atom("INCR")) {
    const Outcome incremental = readIncremental(window, event.xselection.property, deadline, data);
    if (incremental != Outcome::Ok) return incremental;
    *type = display_->atomName(target);
    return Outcome::Ok;
  }
  if (size > limits_.maxBytes) return Outcome::TooLarge;
  *type = display_->atomName(typeAtom);
  return Outcome::Ok;
}

std::vector<std::string> X11SelectionReader::offeredTargets(::Window window, bool* answered) {
  std::string type, data;
  const Outcome outcome = convert(window, display_->atom("TARGETS"), &type, &data);
  *answered = outcome != Outcome::TimedOut;
  std::vector<std::string> names;
  if (outcome != Outcome::Ok) return names;
  if (type != "ATOM" && type != "TARGETS") {
    logWarningf("X11 clipboard: the owner answered TARGETS with a %s instead of atoms", type.c_str());
    return names;
  }
  // Only so many names are worth looking at: an owner that offers thousands is not a real program.
  const std::size_t count = std::min<std::size_t>(data.size() / 4, 256);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t value = 0;
    std::memcpy(&value, data.data() + i * 4, 4);
    std::string name = display_->atomName(value);
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

std::vector<PasteboardItem> X11SelectionReader::read() {
  MutexLock lock(mutex_);
  Display* dpy = display_->get();
  // Whatever is left of an earlier read (answers that came too late) belongs to windows that are gone.
  while (XPending(dpy) > 0) {
    XEvent stale;
    XNextEvent(dpy, &stale);
  }
  if (XGetSelectionOwner(dpy, display_->atom("CLIPBOARD")) == None) return {};

  // A fresh window per read, so a late answer to an abandoned read can never be taken for this one.
  const ::Window window = XCreateSimpleWindow(dpy, display_->root(), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(dpy, window, PropertyChangeMask);

  bool answered = false;
  const auto offered = offeredTargets(window, &answered);
  std::vector<clipboard::Answer> answers;
  if (!answered) {
    logWarningf("X11 clipboard: the owner did not answer within %d ms; nothing read",
                limits_.answerTimeoutMs);
  } else {
    for (const auto& target : clipboard::wantedTargets(offered)) {
      clipboard::Answer answer{target, {}, {}};
      const Outcome outcome = convert(window, display_->atom(target), &answer.type, &answer.data);
      if (outcome == Outcome::Ok) {
        const bool secret =
            target == kPasteboardTypePasswordManagerHint && isSecretPasswordManagerHint(answer.data);
        answers.push_back(std::move(answer));
        // A password manager's secret: its content is never asked for, so it is never in our memory.
        if (secret) break;
      } else if (outcome == Outcome::TooLarge) {
        logWarningf("X11 clipboard: %s is larger than %zu bytes, left out", target.c_str(), limits_.maxBytes);
      } else if (outcome == Outcome::TimedOut) {
        logWarningf("X11 clipboard: no answer for %s in time; the rest is not read", target.c_str());
        break;
      }
    }
  }
  XDestroyWindow(dpy, window);
  XFlush(dpy);
  return clipboard::itemsFromAnswers(answers);
}

}  // namespace vl::x11
