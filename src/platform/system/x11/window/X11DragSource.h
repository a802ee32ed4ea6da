#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/Pasteboard.h"
#include "platform/system/x11/X11Display.h"
#include "platform/system/x11/window/X11DragIcon.h"

namespace vl::x11 {

// The source side of a drag to other X clients (XDND, versions 3 to 5). It lives on the thread of the
// window host's connection: the press that began the drag keeps its implicit grab there, so the moves
// and the release still come to our window wherever the pointer goes, and the host hands them over.
// The items are offered as the pasteboard's X targets and served from the XdndSelection until another
// drag replaces them.
class X11DragSource {
 public:
  // How long a target may take to answer a position or a drop before the drag is given up.
  static constexpr std::chrono::milliseconds kAnswerTimeout{3000};

  explicit X11DragSource(X11Display& x) : x_(x), icon_(x) {}

  // A drag out of `source` (one of our windows), its picture under the pointer until the drag ends
  // (`argb`: where a compositor blends it). False (logged) when no button is held any more, nothing can be
  // offered or the selection cannot be taken.
  bool begin(::Window source, Time time, std::vector<PasteboardItem> items, DragIconPixels icon = {},
             bool argb = false);
  // The window showing the drag's picture; None without one.
  ::Window iconWindow() const { return icon_.window(); }
  bool active() const { return source_ != None; }
  // The pointer moved (root pixels).
  void motion(int rootX, int rootY, Time time);
  // The button went up: a drop on a target that accepted, otherwise a leave.
  void release(Time time);
  // XDND answers to our window and requests for the drag's selection; true when the event was ours.
  bool handle(const XEvent& event);
  // Gives up a drag whose target stopped answering.
  void tick();

 private:
  struct Target {
    ::Window window = None;
    // Where the messages go: the window itself or the proxy it names.
    ::Window sendTo = None;
    int version = 0;
  };

  Target targetAt(int rootX, int rootY);
  std::optional<int> awareVersion(::Window window);
  void send(const char* message, long l1, long l2, long l3, long l4);
  void sendPosition();
  void drop();
  void leave();
  void finish(const char* how);
  void serve(const XSelectionRequestEvent& request);
  bool answer(const XSelectionRequestEvent& request, Atom property);
  void arm() { deadline_ = std::chrono::steady_clock::now() + kAnswerTimeout; }

  X11Display& x_;
  X11DragIcon icon_;
  ::Window source_ = None;
  // The selection's owner window; it outlives the drag, since a target asks for the data after the drop.
  ::Window owner_ = None;
  std::vector<PasteboardItem> items_;
  std::vector<std::string> targets_;
  Target target_;
  bool waitingStatus_ = false;
  bool positionPending_ = false;
  bool accepted_ = false;
  bool released_ = false;
  bool dropping_ = false;
  int rootX_ = 0;
  int rootY_ = 0;
  Time time_ = CurrentTime;
  std::chrono::steady_clock::time_point deadline_{};
};

}  // namespace vl::x11
