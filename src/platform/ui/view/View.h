#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/view/Cursor.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/view/Responder.h"
#include "platform/ui/view/TrackingArea.h"

namespace vl::ui {

class Menu;
class ViewAnimator;
class ViewController;
class Window;

// Posted on the default notification centre with the view (as `const View*`) as the object, by views that
// ask for it (setPostsFrameChangedNotifications, setPostsBoundsChangedNotifications).
inline constexpr const char* kViewFrameDidChangeNotification = "NSViewFrameDidChangeNotification";
inline constexpr const char* kViewBoundsDidChangeNotification = "NSViewBoundsDidChangeNotification";

// A rectangle in a window that draws itself and handles events. Its frame is in its superview's
// coordinates (the window's for a window's content view); its bounds are its own. Coordinates grow up and
// to the right unless isFlipped() (then y grows down from the top). Views are held by shared_ptr: a
// superview owns its subviews; the superview and window pointers are back references the owners clear.
// Main thread only.
class View : public Responder {
 public:
  enum AutoresizingMask : std::uint32_t {
    NotSizable = 0,
    MinXMargin = 1,
    WidthSizable = 2,
    MaxXMargin = 4,
    MinYMargin = 8,
    HeightSizable = 16,
    MaxYMargin = 32,
  };
  enum class Ordering { Below, Above };

  explicit View(const Rect& frame = {});
  ~View() override;
  static std::shared_ptr<View> create(const Rect& frame = {}) { return std::make_shared<View>(frame); }
  // This view as a shared_ptr (empty when it is not held by one).
  std::shared_ptr<View> self();

  // --- geometry -------------------------------------------------------------------------------------
  const Rect& frame() const { return frame_; }
  // Sets the origin and the size through setFrameOrigin and setFrameSize, so overriding those catches
  // every frame change.
  virtual void setFrame(const Rect& frame);
  virtual void setFrameOrigin(Point origin);
  // Resizes the bounds with the frame and, when autoresizesSubviews, lays out the subviews.
  virtual void setFrameSize(Size size);
  const Rect& bounds() const { return bounds_; }
  // Scrolls: the point of the view's coordinates shown at its bottom-left (top-left when flipped) corner.
  virtual void setBoundsOrigin(Point origin);
  virtual bool isFlipped() const { return flipped_; }
  void setFlipped(bool flipped);
  // The part of the bounds not clipped away by the ancestors.
  Rect visibleRect() const;
  // Whether the subviews are drawn only inside the bounds (a scroll view's clip view); others may draw
  // over their edges (a badge, a pill that overlaps its neighbour).
  virtual bool clipsToBounds() const { return false; }
  // Off unless turned on: frame changes (origin or size) and bounds origin changes are then posted.
  void setPostsFrameChangedNotifications(bool v) { postsFrameChanged_ = v; }
  void setPostsBoundsChangedNotifications(bool v) { postsBoundsChanged_ = v; }

  void setAutoresizesSubviews(bool v) { autoresizesSubviews_ = v; }
  void setAutoresizingMask(std::uint32_t mask) { autoresizingMask_ = mask; }
  // Tells each subview of the size change (resizeWithOldSuperviewSize).
  virtual void resizeSubviewsWithOldSize(Size oldSize);
  // Applies the autoresizing mask: along each axis the change of the superview's size is shared evenly
  // among the flexible parts (left margin, width, right margin; bottom, height, top).
  virtual void resizeWithOldSuperviewSize(Size oldSuperviewSize);

  // --- hierarchy ------------------------------------------------------------------------------------
  View* superview() const { return superview_; }
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  Window* window() const { return window_; }
  // Adds on top of the other subviews. A view of another superview moves here; a subview of this view
  // moves to the top; a view that contains this one is refused.
  void addSubview(const std::shared_ptr<View>& view);
  // Adds just above or below `relativeTo`, or on top of / under all others when it is nullptr (or not a
  // subview).
  void addSubview(const std::shared_ptr<View>& view, Ordering place, const View* relativeTo);
  void removeFromSuperview();
  bool isDescendantOf(const View* ancestor) const;
  // This view or the first descendant with the tag, depth first.
  View* viewWithTag(long tag);

  // Hooks, called on additions, moves and removals (removal moves to nullptr).
  virtual void viewWillMoveToSuperview(View* /*newSuperview*/) {}
  virtual void viewDidMoveToSuperview() {}
  virtual void viewWillMoveToWindow(Window* /*newWindow*/) {}
  virtual void viewDidMoveToWindow() {}
  virtual void didAddSubview(View* /*subview*/) {}
  virtual void willRemoveSubview(View* /*subview*/) {}

  // --- attributes -----------------------------------------------------------------------------------
  bool isHidden() const { return hidden_; }
  virtual void setHidden(bool hidden);
  bool isHiddenOrHasHiddenAncestor() const;
  double alphaValue() const { return alpha_; }
  virtual void setAlphaValue(double alpha);
  virtual long tag() const { return tag_; }
  void setTag(long tag) { tag_ = tag; }
  const std::string& identifier() const { return identifier_; }
  void setIdentifier(std::string id) { identifier_ = std::move(id); }
  bool needsDisplay() const { return needsDisplay_; }
  void setNeedsDisplay(bool needs);

  // --- coordinates ----------------------------------------------------------------------------------
  // `view` nullptr means the window's coordinates.
  Point convertPointToView(Point p, const View* view) const;
  Point convertPointFromView(Point p, const View* view) const;
  Rect convertRectToView(const Rect& r, const View* view) const;
  Rect convertRectFromView(const Rect& r, const View* view) const;
  // Maps this view's coordinates to its superview's (to the window's for a root view). With
  // `presentation`, an animated layer's on-screen position is used instead of the frame.
  Transform transformToSuperview(bool presentation = false) const;
  Transform transformToWindow(bool presentation = false) const;

  // --- events ---------------------------------------------------------------------------------------
  // The deepest visible view under a point of the superview's coordinates, topmost subview first; nullptr
  // when the point is outside this view or the view is hidden.
  virtual View* hitTest(Point pointInSuperview);
  // Whether a click that makes the window key also reaches this view.
  virtual bool acceptsFirstMouse(const Event&) { return false; }
  // Offers the key equivalent to the visible subviews in order.
  bool performKeyEquivalent(const Event& event) override;
  // The explicitly set next responder, else the controller of the view, else the superview, else the window.
  Responder* nextResponder() const override;
  // The context menu: menuForEvent answers menu() by default; a right click pops it up, and without one
  // the click travels up the responder chain.
  const std::shared_ptr<Menu>& menu() const { return menu_; }
  void setMenu(std::shared_ptr<Menu> menu) { menu_ = std::move(menu); }
  virtual std::shared_ptr<Menu> menuForEvent(const Event& event);
  void rightMouseDown(const Event& event) override;

  void addTrackingArea(const std::shared_ptr<TrackingArea>& area);
  void removeTrackingArea(const TrackingArea* area);
  const std::vector<std::shared_ptr<TrackingArea>>& trackingAreas() const { return trackingAreas_; }
  // Called when the view's geometry or place changed, before the pointer is tracked again: rebuild the
  // tracking areas here.
  virtual void updateTrackingAreas() {}

  struct CursorRect {
    Rect rect;
    Cursor cursor;
  };
  // Called when cursor rectangles are rebuilt (after discardCursorRects): add them here.
  virtual void resetCursorRects() {}
  void addCursorRect(const Rect& rect, const Cursor& cursor);
  void discardCursorRects() { cursorRects_.clear(); }
  const std::vector<CursorRect>& cursorRects() const { return cursorRects_; }

  // --- drawing --------------------------------------------------------------------------------------
  // Draws into GraphicsContext::current(), in the view's coordinates. Adding or removing subviews here is
  // allowed: subviews are drawn from the list as it stands after drawRect.
  virtual void drawRect(const Rect& /*dirtyRect*/) {}
  // Records this view and its subviews in the view's own coordinates.
  DisplayList recordDisplayList();
  // Records the view into a context whose coordinates are the superview's (the window's for a root).
  void displayInto(GraphicsContext& ctx);

  // --- layers ---------------------------------------------------------------------------------------
  bool wantsLayer() const { return layer_ != nullptr; }
  // Creates the backing layer (makeBackingLayer) when turned on; turning it off drops the layer.
  void setWantsLayer(bool wants);
  const std::shared_ptr<Layer>& layer() const { return layer_; }
  void setLayer(std::shared_ptr<Layer> layer);
  virtual std::shared_ptr<Layer> makeBackingLayer() { return Layer::create(); }
  // Animated frame and alpha changes (see AnimationContext).
  ViewAnimator animator();

 protected:
  // The window whose tree this view belongs to is told about moves and changes that affect tracking.
  void geometryChanged();

 private:
  friend class Window;
  friend class ViewController;
  void drawSubtree(GraphicsContext& ctx);
  void insertSubview(const std::shared_ptr<View>& view, std::size_t index);
  void setWindowRecursive(Window* window, bool notify);
  void syncLayer();

  Rect frame_;
  Rect bounds_;
  bool flipped_ = false;
  bool hidden_ = false;
  double alpha_ = 1;
  long tag_ = -1;
  std::string identifier_;
  bool needsDisplay_ = true;
  // The view's place or size changed since its window last rebuilt tracking areas.
  bool trackingDirty_ = true;
  bool autoresizesSubviews_ = true;
  bool postsFrameChanged_ = false;
  bool postsBoundsChanged_ = false;
  std::shared_ptr<Menu> menu_;
  std::uint32_t autoresizingMask_ = NotSizable;
  View* superview_ = nullptr;
  Window* window_ = nullptr;
  ViewController* viewController_ = nullptr;
  std::vector<std::shared_ptr<View>> subviews_;
  std::shared_ptr<Layer> layer_;
  std::vector<std::shared_ptr<TrackingArea>> trackingAreas_;
  std::vector<CursorRect> cursorRects_;
};

}  // namespace vl::ui
