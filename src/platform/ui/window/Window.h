#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/view/Responder.h"

namespace vl::ui {

class Screen;
class TrackingArea;
class WindowPeer;
class View;
class ViewController;

namespace WindowStyle {
constexpr std::uint64_t Borderless = 0;
constexpr std::uint64_t Titled = 1 << 0;
constexpr std::uint64_t Closable = 1 << 1;
constexpr std::uint64_t Miniaturizable = 1 << 2;
constexpr std::uint64_t Resizable = 1 << 3;
constexpr std::uint64_t UtilityWindow = 1 << 4;
constexpr std::uint64_t NonactivatingPanel = 1 << 7;
constexpr std::uint64_t HUDWindow = 1 << 13;
constexpr std::uint64_t FullSizeContentView = 1 << 15;
}  // namespace WindowStyle

namespace WindowLevel {
constexpr int Normal = 0;
constexpr int Floating = 3;
constexpr int ModalPanel = 8;
constexpr int MainMenu = 24;
constexpr int Status = 25;
constexpr int PopUpMenu = 101;
constexpr int ScreenSaver = 1000;
}  // namespace WindowLevel

namespace CollectionBehavior {
constexpr std::uint64_t Default = 0;
constexpr std::uint64_t CanJoinAllSpaces = 1 << 0;
constexpr std::uint64_t MoveToActiveSpace = 1 << 1;
constexpr std::uint64_t Managed = 1 << 2;
constexpr std::uint64_t Transient = 1 << 3;
constexpr std::uint64_t Stationary = 1 << 4;
constexpr std::uint64_t FullScreenAuxiliary = 1 << 8;
}  // namespace CollectionBehavior

// Posted on the default notification centre with the window (as `const Window*`) as the object.
inline constexpr const char* kWindowDidBecomeKeyNotification = "NSWindowDidBecomeKeyNotification";
inline constexpr const char* kWindowDidResignKeyNotification = "NSWindowDidResignKeyNotification";
inline constexpr const char* kWindowDidBecomeMainNotification = "NSWindowDidBecomeMainNotification";
inline constexpr const char* kWindowDidResignMainNotification = "NSWindowDidResignMainNotification";
inline constexpr const char* kWindowWillCloseNotification = "NSWindowWillCloseNotification";
inline constexpr const char* kWindowDidResizeNotification = "NSWindowDidResizeNotification";
inline constexpr const char* kWindowDidMoveNotification = "NSWindowDidMoveNotification";

// Told of a window's changes; every method is optional. Held weakly.
class WindowDelegate {
 public:
  virtual ~WindowDelegate() = default;
  virtual bool windowShouldClose(Window&) { return true; }
  virtual void windowWillClose(Window&) {}
  virtual void windowDidBecomeKey(Window&) {}
  virtual void windowDidResignKey(Window&) {}
  virtual void windowDidBecomeMain(Window&) {}
  virtual void windowDidResignMain(Window&) {}
  virtual void windowDidResize(Window&) {}
  virtual void windowDidMove(Window&) {}
};

// A top-level window: a frame on the screens (bottom-left origin), a title bar unless borderless, and a
// content view that fills the rest. Windows register with the Application when created and leave its list
// when destroyed; events reach them through Application::sendEvent. Held by shared_ptr. Main thread only.
class Window : public Responder {
 public:
  static constexpr double kTitlebarHeight = 28;

  Window(const Rect& contentRect, std::uint64_t styleMask);
  ~Window() override;
  static std::shared_ptr<Window> create(const Rect& contentRect, std::uint64_t styleMask) {
    return std::make_shared<Window>(contentRect, styleMask);
  }
  static Rect frameRectForContentRect(const Rect& contentRect, std::uint64_t styleMask);
  static Rect contentRectForFrameRect(const Rect& frameRect, std::uint64_t styleMask);

  // --- geometry (screen coordinates) -----------------------------------------------------------------
  const Rect& frame() const { return frame_; }
  // Moves and resizes; the content view follows. With `display` the window redraws at once.
  virtual void setFrame(const Rect& frame, bool display);
  void setFrameOrigin(Point origin);
  void setContentSize(Size size);
  Rect contentRect() const { return contentRectForFrameRect(frame_, styleMask_); }
  double titlebarHeight() const { return frame_.height() - contentRect().height(); }
  // The screen holding most of the window; the main screen when it is on none.
  std::shared_ptr<Screen> screen() const;
  Point convertPointToScreen(Point p) const { return {p.x + frame_.origin.x, p.y + frame_.origin.y}; }
  Point convertPointFromScreen(Point p) const { return {p.x - frame_.origin.x, p.y - frame_.origin.y}; }
  Rect convertRectToScreen(const Rect& r) const { return r.offsetBy(frame_.origin.x, frame_.origin.y); }

  // --- attributes -----------------------------------------------------------------------------------
  std::uint64_t styleMask() const { return styleMask_; }
  // Keeps the frame; the content area grows or shrinks by the title bar.
  void setStyleMask(std::uint64_t mask);
  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  int level() const { return level_; }
  void setLevel(int level);
  std::uint64_t collectionBehavior() const { return collectionBehavior_; }
  void setCollectionBehavior(std::uint64_t b);
  const Color& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(const Color& c);
  bool isOpaque() const { return opaque_; }
  void setOpaque(bool v);
  bool hasShadow() const { return hasShadow_; }
  void setHasShadow(bool v);
  double alphaValue() const { return alpha_; }
  void setAlphaValue(double a);
  // Ordered out while the application is inactive (false by default here, panels included).
  bool hidesOnDeactivate() const { return hidesOnDeactivate_; }
  void setHidesOnDeactivate(bool v) { hidesOnDeactivate_ = v; }
  int windowNumber() const { return windowNumber_; }

  // --- content --------------------------------------------------------------------------------------
  const std::shared_ptr<View>& contentView() const { return contentView_; }
  // The view fills the content area and resizes with the window.
  void setContentView(const std::shared_ptr<View>& view);
  const std::shared_ptr<ViewController>& contentViewController() const { return contentViewController_; }
  // Loads the controller's view, sizes the content area to it (when it has a size) and shows it.
  void setContentViewController(const std::shared_ptr<ViewController>& controller);

  // --- key, main, ordering --------------------------------------------------------------------------
  // By default windows with a title bar or a resize edge can become key; borderless ones cannot.
  virtual bool canBecomeKeyWindow() const;
  virtual bool canBecomeMainWindow() const;
  bool isKeyWindow() const;
  bool isMainWindow() const;
  // Hooks run when the status changes, before the notification is posted.
  virtual void becomeKeyWindow() {}
  virtual void resignKeyWindow() {}
  virtual void becomeMainWindow() {}
  virtual void resignMainWindow() {}
  // Makes the window key (and main when it can be); nothing when it cannot become key.
  void makeKeyWindow();
  void makeMainWindow();
  void makeKeyAndOrderFront();
  void orderFront();
  void orderBack();
  // Takes the window off screen; a key or main window gives up that status.
  void orderOut();
  bool isVisible() const { return visible_; }
  // Tells the delegate and observers, then orders out. The window object stays usable.
  virtual void close();
  // close() unless the delegate's windowShouldClose refuses.
  void performClose();

  // --- responders and events ------------------------------------------------------------------------
  // The first responder; the window itself when no other is.
  Responder* firstResponder() const;
  // Asks the current first responder to resign and `responder` to become first responder. When the new
  // one refuses (or does not accept), the window becomes first responder and false is returned; when the
  // current one refuses, nothing changes and false is returned. nullptr makes the window first responder.
  bool makeFirstResponder(Responder* responder);
  // Routes one event: keys to the first responder, clicks to the view under the pointer (drags and the
  // release to the view that got the press), scroll to the view under the pointer, moves to tracking areas.
  virtual void sendEvent(const Event& event);
  // Offers the key equivalent to the content view tree.
  bool performKeyEquivalent(const Event& event) override;

  // --- drawing --------------------------------------------------------------------------------------
  // Records the window's background and content view tree, in window coordinates.
  void display();
  void displayIfNeeded();
  bool viewsNeedDisplay() const { return viewsNeedDisplay_; }
  const DisplayList& displayList() const { return displayList_; }

  // The window's twin on a real display; nullptr while headless or before it was first shown.
  WindowPeer* peer() const { return peer_.get(); }

  std::shared_ptr<WindowDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<WindowDelegate>& d) { delegate_ = d; }

 private:
  friend class View;
  friend class Application;
  void didBecomeKey();
  void didResignKey();
  void didBecomeMain();
  void didResignMain();
  void layoutContentView();
  void post(const char* name);
  void tellPeer(unsigned changes);
  void setViewsNeedDisplay();
  // A view (with its subtree) leaves the window or hides: it can no longer be first responder or the
  // target of a drag.
  void viewWillLeave(View* root, bool keepInTree = false);
  void viewGeometryChanged() { trackingDirty_ = true; }
  void routeMouse(const Event& event);
  void updateTracking(const Event& event, bool dragging);
  void updateCursor(Point location);
  void rebuildTrackingIfNeeded();

  Rect frame_;
  std::uint64_t styleMask_;
  std::string title_;
  int level_ = WindowLevel::Normal;
  std::uint64_t collectionBehavior_ = CollectionBehavior::Default;
  Color backgroundColor_ = Color::white(0.93);
  bool opaque_ = true;
  bool hasShadow_ = true;
  double alpha_ = 1;
  bool hidesOnDeactivate_ = false;
  bool visible_ = false;
  int windowNumber_;
  std::shared_ptr<View> contentView_;
  std::shared_ptr<ViewController> contentViewController_;
  std::weak_ptr<Responder> firstResponder_;
  std::weak_ptr<View> mouseDownView_;
  std::weak_ptr<View> rightMouseDownView_;
  std::weak_ptr<View> otherMouseDownView_;
  Point mouseLocation_;
  bool trackingDirty_ = true;
  bool viewsNeedDisplay_ = true;
  DisplayList displayList_;
  std::weak_ptr<WindowDelegate> delegate_;
  std::unique_ptr<WindowPeer> peer_;
};

}  // namespace vl::ui
