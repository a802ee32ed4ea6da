#pragma once

#include <functional>
#include <optional>

#include "platform/ui/graphics/Geometry.h"

namespace vl {

// The geometry of the main window: which screen the user works on, where the 680-point main panel
// goes on it, dragging the borderless window by its background, and its remembered origin per screen
// (settings key 111). Placement keeps windows on the active screen, its origin included, so screens
// above, below or left of the main one work alike. Main thread only.
class AppFrame {
 public:
  static constexpr double kMainWidth = 680;

  static AppFrame& shared();
  // Forgets clicks and drags (tests); the pointer source stays.
  void resetForTesting();

  // Where the pointer is now, in screen coordinates; nullopt when the desktop cannot tell. Before the
  // first click the screen holding the pointer is the active one.
  using PointerLocation = std::function<std::optional<ui::Point>()>;
  void setPointerLocation(PointerLocation source) { pointerLocation_ = std::move(source); }
  bool hasPointerLocation() const { return static_cast<bool>(pointerLocation_); }

  // A click anywhere, in screen coordinates: the first screen holding it becomes the active one.
  void updateByMousePoint(ui::Point point);
  // The last clicked screen while it is attached; else the one holding the pointer; else the main one.
  ui::Rect activeScreenFrame() const;

  void startDrag(ui::Point pointInWindow);
  void stopDrag() { onDrag_ = false; }
  void updateByMouseDraggedPoint(ui::Point pointInWindow);
  bool onDrag() const { return onDrag_; }
  ui::Point dragStartPoint() const { return dragStartPoint_; }

  // The main window's frame: its remembered origin on the active screen, else the centre of it (then
  // remembered).
  ui::Rect getFull();
  // Puts the main window in the middle of the active screen and remembers it there.
  void center();

  // Placement of other windows of `size` on the active screen, measured from its top edge.
  ui::Rect centerOfSize(ui::Size size) const;
  ui::Rect horizontalCenterOfFrame(ui::Size size, double marginTop = 0) const;
  ui::Rect horizontalCenterOfFrameMarginRight(ui::Size size, double marginTop, double marginRight) const;
  ui::Rect horizontalCenterOfFrameMarginLeft(ui::Size size, double marginTop, double marginLeft) const;
  double standardMarginBottom() const { return 0.2 * activeScreenFrame().height(); }

 private:
  AppFrame() = default;
  // The main view's height; 0 before the main window has content.
  double mainHeight() const;
  ui::Point centredOrigin(const ui::Rect& screen, double height) const;
  void record();

  std::optional<ui::Rect> clickedScreen_;
  PointerLocation pointerLocation_;
  ui::Point dragStartPoint_;
  bool onDrag_ = false;
};

}  // namespace vl
