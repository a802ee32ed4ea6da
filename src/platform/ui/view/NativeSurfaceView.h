#pragma once

#include <optional>

#include "platform/ui/graphics/Color.h"
#include "platform/ui/view/View.h"

namespace vl::ui {

// A view whose area another program draws (a web page). On a real display the window server backs it
// with a native child window of its window's own, which follows the view's place and size in the window
// and shows and hides with it (hidden, or clipped away entirely). A view taken out of its window keeps
// its native window, hidden, until it joins a window again or goes; moved to another window it gets a
// new one there. Headless it is a plain view and nativeWindow() stays 0. The toolkit draws nothing of it:
// what shows before the other program has drawn is the surface colour. Main thread only.
class NativeSurfaceView : public View {
 public:
  explicit NativeSurfaceView(const Rect& frame = {});

  // The native window (an X window id) the other program should draw into; 0 before the window server
  // made it and when headless.
  unsigned long nativeWindow() const { return nativeWindow_; }
  // Called on the main thread each time nativeWindow() changes: made, made anew with its window, gone.
  virtual void nativeWindowDidChange() {}
  const Color& surfaceColor() const { return surfaceColor_; }
  void setSurfaceColor(const Color& color);
  // A number that names the surface to the window server for the view's life.
  int surfaceNumber() const { return surfaceNumber_; }

  // Where the surface belongs now, in window points: the part of the view its ancestors leave visible;
  // nullopt while it is hidden, outside a window, clipped away, or partly covered by a view drawn above
  // it (the native window would hide that view).
  std::optional<Rect> surfaceFrameInWindow() const;

  // --- for the window server ----------------------------------------------------------------------------
  void setNativeWindow(unsigned long window);
  // Where the window server last put the surface (window points), nullopt when it hid it.
  void setPlacedFrame(std::optional<Rect> frame) { placed_ = frame; }

  void viewDidMoveToWindow() override;

 private:
  unsigned long nativeWindow_ = 0;
  Color surfaceColor_ = Color::white(1);
  int surfaceNumber_;
  std::optional<Rect> placed_;
};

// Every native surface view in the tree, depth first.
void collectNativeSurfaceViews(View& root, std::vector<NativeSurfaceView*>& out);

}  // namespace vl::ui
