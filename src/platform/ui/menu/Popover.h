#pragma once

#include <memory>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/view/Responder.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Panel.h"

namespace vl::ui {

class Popover;
class Screen;
class View;
class Window;
class ViewController;

enum class PopoverBehavior { ApplicationDefined = 0, Transient = 1, Semitransient = 2 };
// The side of the positioning rectangle the popover appears on, in the positioning view's coordinates.
enum class RectEdge { MinX = 0, MinY = 1, MaxX = 2, MaxY = 3 };

// Posted on the default notification centre with the popover (as `const Popover*`) as the object.
inline constexpr const char* kPopoverWillShowNotification = "NSPopoverWillShowNotification";
inline constexpr const char* kPopoverDidShowNotification = "NSPopoverDidShowNotification";
inline constexpr const char* kPopoverWillCloseNotification = "NSPopoverWillCloseNotification";
inline constexpr const char* kPopoverDidCloseNotification = "NSPopoverDidCloseNotification";

// Told as a popover shows and closes; every method is optional. Held weakly.
class PopoverDelegate {
 public:
  virtual ~PopoverDelegate() = default;
  virtual void popoverWillShow(Popover&) {}
  virtual void popoverDidShow(Popover&) {}
  // Asked before the user (a click outside, Escape) or performClose closes it; close() does not ask.
  virtual bool popoverShouldClose(Popover&) { return true; }
  virtual void popoverWillClose(Popover&) {}
  virtual void popoverDidClose(Popover&) {}
};

// A small window of content anchored to a rectangle of a view, on the edge asked for, or the opposite
// one when the screen has no room there. Application-defined popovers stay until closed; transient ones
// also close on a click outside them or when the application deactivates; semi-transient ones close on a
// click in the window they are anchored to. Escape closes any of them. Held by shared_ptr. Main thread
// only.
class Popover : public Responder {
 public:
  static constexpr double kGap = 2;  // between the anchor and the popover

  Popover();
  ~Popover() override;
  static std::shared_ptr<Popover> create() { return std::make_shared<Popover>(); }

  const std::shared_ptr<ViewController>& contentViewController() const { return contentViewController_; }
  void setContentViewController(std::shared_ptr<ViewController> controller);
  // The set size, else the content view's size.
  Size contentSize() const;
  void setContentSize(Size size);
  void setBehavior(PopoverBehavior b) { behavior_ = b; }
  bool animates() const { return animates_; }
  void setAnimates(bool v) { animates_ = v; }

  // Shows (or moves) the popover next to `rect` of `view`; nothing without a view in a window or without
  // content.
  void showRelativeToRect(const Rect& rect, View* view, RectEdge preferredEdge);
  // The same next to a rectangle in screen points that belongs to no window of ours (a tray icon, the
  // pointer); its positioning rect is then that screen rectangle.
  void showRelativeToScreenRect(const Rect& onScreen, RectEdge preferredEdge);
  bool isShown() const { return shown_; }
  // Where it was anchored (in the view's coordinates) and the edge it ended up on.
  const Rect& positioningRect() const { return positioningRect_; }
  RectEdge shownEdge() const { return shownEdge_; }
  // Closes without asking the delegate.
  void close();
  // Asks the delegate first; false when it refused.
  bool performClose();

  // The window that shows the content (exists once shown).
  const std::shared_ptr<Panel>& window() const { return window_; }

  std::shared_ptr<PopoverDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<PopoverDelegate>& d) { delegate_ = d; }

 private:
  class PopoverWindow;
  void present(const Rect& onScreen, const Rect& anchorRect, const std::shared_ptr<Screen>& screen,
               Window* anchor, bool flipped, RectEdge preferredEdge);
  void post(const char* name);
  void stopWatching();

  std::shared_ptr<ViewController> contentViewController_;
  std::optional<Size> contentSize_;
  PopoverBehavior behavior_ = PopoverBehavior::ApplicationDefined;
  bool animates_ = true;
  bool shown_ = false;
  Rect positioningRect_;
  RectEdge shownEdge_ = RectEdge::MaxY;
  std::shared_ptr<Panel> window_;
  std::weak_ptr<Window> anchorWindow_;
  std::shared_ptr<EventMonitor> clickMonitor_;
  Observation deactivateObservation_;
  std::weak_ptr<PopoverDelegate> delegate_;
};

}  // namespace vl::ui
