#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/NotificationCenter.h"
#include "platform/system/DragSource.h"
#include "platform/system/x11/window/X11Screens.h"
#include "platform/ui/view/Event.h"
#include "platform/ui/window/WindowServer.h"

namespace vl::dispatch {
class DelayedBlock;
}  // namespace vl::dispatch

namespace vl::x11 {

class X11Display;
class X11EventLoop;
class X11WindowHost;
class X11WindowPeer;
struct WindowTraits;

// The desktop as the screens and fonts need it.
struct DesktopState {
  std::vector<Monitor> monitors;
  std::optional<PixelRect> workArea;
  PixelRect root;
  double scale = 1;
  std::string fontName;
  std::string iconThemeName;
  // The GTK theme a settings manager announces (Net/ThemeName); none without one.
  std::optional<std::string> themeName;
};

// Toolkit windows as X11 windows. The X side (X11WindowHost) runs on a thread of its own with its own
// connection, like every X11 backend here; it posts input, focus, moves and screen changes to the main
// queue. The main thread records and paints each window's display list with Cairo into the window's
// back buffer and hands the changed pixels to the X thread to put on screen: at most once per frame and
// only for windows marked since their last paint (a view or layer changed, an animation ticked, input
// arrived, the X server exposed it). Nothing polls. No lock of its own: the two sides share nothing but
// posted blocks.
class X11WindowServer final : public ui::WindowServer,
                              public DragSource,
                              public std::enable_shared_from_this<X11WindowServer> {
 public:
  // nullptr (logged) when the display cannot be opened.
  static std::shared_ptr<X11WindowServer> create(const std::string& displayName);
  ~X11WindowServer() override;

  std::unique_ptr<ui::WindowPeer> createPeer(ui::Window& window) override;
  void cursorChanged(const ui::Cursor& cursor) override;
  bool flushToDisplay(int waitMs) override;
  // The drag starts on the X thread, which holds the press's grab; true once it is on its way there.
  bool beginDrag(ui::Window& window, std::vector<PasteboardItem> items, DragImage image) override;
  // Tests: the X window showing the picture of the drag under way; None without one.
  unsigned long dragIconWindow();

  // The desktop's UI font ("Cantarell 11" from the settings), "" when it names none.
  const std::string& desktopFontName() const { return desktop_.fontName; }
  const std::string& desktopIconThemeName() const { return desktop_.iconThemeName; }
  const std::optional<std::string>& desktopThemeName() const { return desktop_.themeName; }
  // Told of every change of the desktop's settings and screens, on the main thread, after the screens.
  void setDesktopChangeHandler(std::function<void(const DesktopState&)> handler) {
    desktopHandler_ = std::move(handler);
  }
  double backingScale() const { return space_.scale(); }
  // The X window showing a toolkit window; None before it was shown. Waits for the X thread.
  unsigned long xWindowOf(const ui::Window& window);
  // The window another process embedded into a native surface's child window; None when nothing is
  // embedded there. Waits for the X thread.
  unsigned long embeddedWindowOf(int surfaceNumber);
  // Paints every window that needs it now, not at the next frame.
  void displayNow();
  // A frame is on its way (some window was marked and waits for it).
  bool frameScheduled() const { return frameScheduled_; }

 private:
  friend class X11WindowPeer;
  explicit X11WindowServer(std::unique_ptr<X11Display> display);
  void start();
  void post(std::function<void(X11WindowHost&)> work);
  void scheduleFrame();
  void frame();
  void markAllDirty();
  WindowTraits traitsFor(const ui::Window& window) const;
  // The window's client area in root pixels, bounded by twice the desktop.
  PixelRect pixelFrameFor(const ui::Window& window) const;
  // On the main thread, from the X thread's reports.
  void deliver(int number, ui::Event event);
  // `requests`: how many of the focus requests sent so far the X side had taken when it looked.
  void focusMoved(int number, std::uint64_t requests);
  void desktopChanged(DesktopState state);

  std::unique_ptr<X11EventLoop> loop_;
  std::unique_ptr<X11WindowHost> host_;
  std::map<int, X11WindowPeer*> peers_;
  DesktopState desktop_;
  std::function<void(const DesktopState&)> desktopHandler_;
  ScreenSpace space_;
  int focused_ = 0;
  // Focus requests sent to the X side (shows that activate, focus calls).
  std::uint64_t focusRequests_ = 0;
  bool frameScheduled_ = false;
  double lastFrameMs_ = -1e9;
  std::shared_ptr<dispatch::DelayedBlock> pendingFrame_;
  Observation themeChanged_;
};

}  // namespace vl::x11
