#include "platform/system/x11/clipboard/X11Pasteboard.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>

#include "platform/foundation/Log.h"
#include "platform/system/x11/clipboard/X11ClipboardFormats.h"

namespace vl {

using x11::X11Display;
using x11::X11ErrorTrap;

std::shared_ptr<X11Pasteboard> X11Pasteboard::create(const std::string& displayName, Options options) {
  auto events = X11Display::open(displayName);
  auto readerDisplay = X11Display::open(displayName);
  if (!events || !readerDisplay) return nullptr;
  int eventBase = 0, errorBase = 0;
  if (!XFixesQueryExtension(events->get(), &eventBase, &errorBase)) {
    logWarningf("X11 clipboard: the display \"%s\" lacks the XFixes extension", events->name().c_str());
    return nullptr;
  }
  auto reader = std::make_unique<x11::X11SelectionReader>(std::move(readerDisplay), options.limits);
  std::shared_ptr<X11Pasteboard> board(
      new X11Pasteboard(std::move(events), std::move(reader), eventBase, options));
  board->start();
  return board;
}

X11Pasteboard::X11Pasteboard(std::unique_ptr<X11Display> events,
                             std::unique_ptr<x11::X11SelectionReader> reader, int xfixesEventBase,
                             Options options)
    : loop_(std::move(events)),
      reader_(std::move(reader)),
      xfixesEventBase_(xfixesEventBase),
      options_(options) {}

X11Pasteboard::~X11Pasteboard() { loop_.stop(); }

void X11Pasteboard::start() {
  X11Display& x = loop_.display();
  Display* dpy = x.get();
  // Requests larger than the server takes in one go must go out in parts.
  const long maxRequest =
      XExtendedMaxRequestSize(dpy) > 0 ? XExtendedMaxRequestSize(dpy) : XMaxRequestSize(dpy);
  options_.incrChunkBytes =
      std::clamp<std::size_t>(options_.incrChunkBytes, 1024, static_cast<std::size_t>(maxRequest) * 4 - 1024);
  ownerWindow_ = XCreateSimpleWindow(dpy, x.root(), 0, 0, 1, 1, 0, 0, 0);
  XFixesSelectSelectionInput(dpy, x.root(), x.atom("CLIPBOARD"),
                             XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                 XFixesSelectionClientCloseNotifyMask);
  XSync(dpy, False);
  // Only a large answer in parts needs the clock (to give up on a client that stopped taking them).
  loop_.tickOnlyWhile([this] { return !transfers_.empty(); });
  loop_.start(
      "vl-x11-clipboard", [this](XEvent& e) { onEvent(e); }, [this] { onTick(); });
}

long long X11Pasteboard::changeCount() const { return changeCount_.load(); }

bool X11Pasteboard::ownsClipboard() const {
  MutexLock lock(mutex_);
  return own_;
}

std::vector<PasteboardItem> X11Pasteboard::items() const {
  {
    MutexLock lock(mutex_);
    if (own_) return items_;
  }
  MutexLock reading(readMutex_);
  const long long count = changeCount_.load();
  {
    MutexLock lock(mutex_);
    if (own_) return items_;
    if (cachedCount_ == count) return cached_;
  }
  auto items = reader_->read();
  MutexLock lock(mutex_);
  if (changeCount_.load() == count) {
    cachedCount_ = count;
    cached_ = items;
  }
  return items;
}

long long X11Pasteboard::clearContents() {
  // The selection is claimed by the write that follows, once there is something to offer: each claim
  // tells every client watching the clipboard to read it again.
  MutexLock lock(mutex_);
  items_.clear();
  own_ = true;
  return ++changeCount_;
}

bool X11Pasteboard::writeObjects(const std::vector<PasteboardItem>& items) {
  bool wrote = false;
  {
    MutexLock lock(mutex_);
    // Another client took the selection since our last write: what we held is not the contents.
    if (!own_) items_.clear();
    for (const auto& item : items) {
      if (item.empty()) continue;
      items_.push_back(item);
      wrote = true;
    }
    if (!wrote) return false;
    own_ = true;
  }
  const bool claimed = claim();
  // Capture hears the program's own write as a change too; what it does with it is its own business.
  announce(changeCount_.load());
  return claimed;
}

bool X11Pasteboard::observeChanges(ChangeObserver observer) {
  MutexLock lock(observerMutex_);
  observer_ = std::move(observer);
  return true;
}

void X11Pasteboard::announce(long long changeCount) {
  ChangeObserver observer;
  {
    MutexLock lock(observerMutex_);
    observer = observer_;
  }
  if (observer) observer(changeCount);
}

bool X11Pasteboard::claim() {
  // Waiting for the claim matters: a paste chord posted right after a write must find us the owner.
  auto claimed = loop_.call<bool>(
      [this] {
        X11Display& x = loop_.display();
        const Atom clipboard = x.atom("CLIPBOARD");
        ++claimsUnheard_;
        XSetSelectionOwner(x.get(), clipboard, ownerWindow_, CurrentTime);
        const bool owner = XGetSelectionOwner(x.get(), clipboard) == ownerWindow_;
        // A notice of another client's older copy, handled between the write and this claim, took
        // the ownership flag away; the server has the last word.
        if (owner) {
          MutexLock lock(mutex_);
          own_ = true;
        }
        return owner;
      },
      options_.claimTimeoutMs);
  if (!claimed || !*claimed) {
    {
      // Reads then go to whoever does own the selection instead of answering from memory.
      MutexLock lock(mutex_);
      own_ = false;
    }
    logError(
        "X11 clipboard: could not take the CLIPBOARD selection; other applications keep the old contents");
    return false;
  }
  return true;
}

void X11Pasteboard::onEvent(XEvent& event) {
  if (event.type == xfixesEventBase_ + XFixesSelectionNotify) {
    const auto& notify = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
    if (notify.subtype != XFixesSetSelectionOwnerNotify) return;
    if (notify.owner == ownerWindow_) {
      if (claimsUnheard_ > 0) {
        --claimsUnheard_;
        return;
      }
      // Any client may name any window the owner. Ours holds what the program last wrote, which is not
      // what the user copied since; answering with it would pass an old paste off as the contents.
      if (foreignClaims_++ == 0) {
        logWarning(
            "X11 clipboard: another client made the program's window the CLIPBOARD owner; it offers "
            "nothing until the program writes again");
      }
      MutexLock lock(mutex_);
      own_ = false;
      return;
    }
    // Another client copied something (an owner that merely went away leaves nothing new to read).
    // A notice that came while a claim of ours is on its way may be older than the claim, so the server
    // decides then; otherwise the copy came after everything we claimed.
    if (notify.owner != None) {
      const long long count = ++changeCount_;
      if (claimsUnheard_ > 0) {
        lostSelectionUnlessOwner();
      } else {
        MutexLock lock(mutex_);
        own_ = false;
      }
      // Told now, while that owner still holds what it copied: a poll would see only the last of
      // several quick copies.
      announce(count);
    }
    return;
  }
  switch (event.type) {
    case SelectionRequest:
      serve(event.xselectionrequest);
      break;
    case SelectionClear:
      // A clear can be stale when we claimed again meanwhile.
      if (event.xselectionclear.window == ownerWindow_) lostSelectionUnlessOwner();
      break;
    case PropertyNotify:
      if (event.xproperty.state != PropertyDelete) break;
      for (auto& t : transfers_) {
        if (t.requestor == event.xproperty.window && t.property == event.xproperty.atom) {
          sendNextPart(t);
          break;
        }
      }
      break;
    default:
      break;
  }
}

void X11Pasteboard::lostSelectionUnlessOwner() {
  X11Display& x = loop_.display();
  if (XGetSelectionOwner(x.get(), x.atom("CLIPBOARD")) == ownerWindow_) return;
  MutexLock lock(mutex_);
  own_ = false;
}

void X11Pasteboard::onTick() {
  const auto now = std::chrono::steady_clock::now();
  const auto stall = std::chrono::milliseconds(options_.incrStallTimeoutMs);
  for (auto it = transfers_.begin(); it != transfers_.end();) {
    if (now - it->lastActivity > stall) {
      logWarningf("X11 clipboard: window 0x%lx stopped taking a large answer; given up", it->requestor);
      it = transfers_.erase(it);
    } else {
      ++it;
    }
  }
}

void X11Pasteboard::serve(const XSelectionRequestEvent& request) {
  X11Display& x = loop_.display();
  // Clients older than the conventions name no property; the target's name serves as one.
  const Atom property = request.property == None ? request.target : request.property;
  X11ErrorTrap trap(x.get());
  const bool answered =
      request.owner == ownerWindow_ && request.selection == x.atom("CLIPBOARD") && answer(request, property);
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.display = x.get();
  reply.xselection.requestor = request.requestor;
  reply.xselection.selection = request.selection;
  reply.xselection.target = request.target;
  reply.xselection.property = answered ? property : None;
  reply.xselection.time = request.time;
  XSendEvent(x.get(), request.requestor, False, NoEventMask, &reply);
  // A requestor that vanished meanwhile is no fault of ours; the trap keeps it out of the log.
  trap.sync();
}

bool X11Pasteboard::answer(const XSelectionRequestEvent& request, Atom property) {
  X11Display& x = loop_.display();
  Display* dpy = x.get();
  std::vector<PasteboardItem> items;
  {
    MutexLock lock(mutex_);
    if (!own_) return false;
    items = items_;
  }
  if (request.target == x.atom("TARGETS")) {
    std::vector<long> atoms{static_cast<long>(x.atom("TARGETS"))};
    for (const auto& name : x11::clipboard::targetsFor(items))
      atoms.push_back(static_cast<long>(x.atom(name)));
    XChangeProperty(dpy, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
    return true;
  }
  auto reply = x11::clipboard::answerFor(items, x.atomName(request.target));
  if (!reply) return false;
  const Atom type = x.atom(reply->first);
  auto data = std::make_shared<const std::string>(std::move(reply->second));
  if (data->size() <= options_.incrChunkBytes) {
    XChangeProperty(dpy, request.requestor, property, type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data->data()), static_cast<int>(data->size()));
    return true;
  }
  // Too large for one request: announce the size, then hand out parts as the requestor deletes each.
  XSelectInput(dpy, request.requestor, PropertyChangeMask);
  const long size = static_cast<long>(data->size());
  XChangeProperty(dpy, request.requestor, property, x.atom("INCR"), 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&size), 1);
  transfers_.erase(std::remove_if(transfers_.begin(), transfers_.end(),
                                  [&](const Transfer& t) {
                                    return t.requestor == request.requestor && t.property == property;
                                  }),
                   transfers_.end());
  transfers_.push_back(
      {request.requestor, property, type, std::move(data), 0, std::chrono::steady_clock::now()});
  return true;
}

void X11Pasteboard::sendNextPart(Transfer& transfer) {
  Display* dpy = loop_.display().get();
  const std::size_t part = std::min(options_.incrChunkBytes, transfer.data->size() - transfer.offset);
  X11ErrorTrap trap(dpy);
  XChangeProperty(dpy, transfer.requestor, transfer.property, transfer.type, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(transfer.data->data() + transfer.offset),
                  static_cast<int>(part));
  transfer.offset += part;
  transfer.lastActivity = std::chrono::steady_clock::now();
  const bool gone = !trap.sync();
  // The empty part that ends the transfer has gone out (or the requestor has gone): forget it.
  if (part == 0 || gone) {
    const ::Window requestor = transfer.requestor;
    const Atom property = transfer.property;
    transfers_.erase(
        std::remove_if(transfers_.begin(), transfers_.end(),
                       [&](const Transfer& t) { return t.requestor == requestor && t.property == property; }),
        transfers_.end());
    const bool more = std::any_of(transfers_.begin(), transfers_.end(),
                                  [&](const Transfer& t) { return t.requestor == requestor; });
    if (!more && !gone) {
      X11ErrorTrap quiet(dpy);
      XSelectInput(dpy, requestor, NoEventMask);
    }
  }
}

}  // namespace vl
