#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"
#include "platform/ui/graphics/Geometry.h"

namespace vl {

// Window origins remembered per screen: a list of point texts ("{x, y}"), the first one inside a
// screen's frame being that screen's. Shared by the main window's frame keeper and the drag stores.
namespace origins {

// At most this many entries are read; a list longer than that was not written by us.
inline constexpr std::size_t kMaxEntries = 64;

// The entries that read as points, in order. Anything else (not a text, not two finite numbers between
// braces, absurdly long) is left out with a log line naming `listName`; a value that is no list reads
// as an empty one.
std::vector<ui::Point> read(const std::optional<Json>& stored, const std::string& listName);
Json write(const std::vector<ui::Point>& points);
// A strict reading of one text; nullopt when it is not a point.
std::optional<ui::Point> parsePoint(const std::string& text);

// The frame of the first screen (in the system's order) holding the point.
std::optional<ui::Rect> screenFrameContaining(ui::Point point);
// Whether a screen with exactly this frame is still attached.
bool screenStillAttached(const ui::Rect& frame);
// The main screen's frame; zero when there is no screen.
ui::Rect mainScreenFrame();

// Moves an origin so that a window of `size` starting there lies on `screen` as far as it fits; the
// origin always ends inside the screen (a window larger than the screen keeps its bottom-left corner on
// it).
ui::Point placeInside(ui::Point origin, ui::Size size, const ui::Rect& screen);
// The part of the screen with this frame that windows may use, its bars and docks left out; the frame
// itself when no attached screen has it.
ui::Rect visibleFrameOf(const ui::Rect& screenFrame);
// A window's frame brought inside `area`: as it is when it lies there already (where the user put it),
// else moved along each axis it crosses an edge of, to stand a small margin inside. One longer than the
// area keeps its top edge (its title bar) and its left edge inside.
ui::Rect fitInside(const ui::Rect& frame, const ui::Rect& area);

// Replaces the screen's remembered origin (the first one inside it) by `origin`, when `origin` lies on
// that screen; otherwise the list stays as it is.
void replaceOnScreen(std::vector<ui::Point>& points, const ui::Rect& screen, ui::Point origin);

}  // namespace origins

// Where one window was dragged to, one origin per screen, kept in the group defaults under
// "origins-<window key>", and the frame it shows at next. Main thread only.
class DragStore {
 public:
  explicit DragStore(std::string windowKey);
  static DragStore initWithWindowKey(std::string windowKey) { return DragStore(std::move(windowKey)); }

  const std::string& windowKey() const { return windowKey_; }
  std::string originsKey() const { return "origins-" + windowKey_; }

  // The remembered origin on the active screen, else the default position (appended to the list);
  // the size is the window's own or its framing's default size.
  ui::Rect getFrame();

  // A click at a point in screen coordinates: the screen holding it becomes the active one.
  void updateByMousePoint(ui::Point point);
  void startDrag(ui::Point point);
  // Moves the window by how far the pointer went since the drag started (window coordinates).
  void updateByMouseDraggedPoint(ui::Point point);
  void stopDrag() { onDrag_ = false; }
  // Replaces the active screen's remembered origin by the window's, when the window is on that screen.
  void record();

  // The active screen; the main screen until the first click, and again when the clicked one is gone.
  ui::Rect activeScreenFrame() const;
  bool onDrag() const { return onDrag_; }
  ui::Point dragStartPoint() const { return dragStartPoint_; }

 private:
  std::vector<ui::Point> storedOrigins() const;
  void store(const std::vector<ui::Point>& points) const;

  std::string windowKey_;
  std::optional<ui::Rect> activeScreenFrame_;
  ui::Point dragStartPoint_;
  bool onDrag_ = false;
};

}  // namespace vl
