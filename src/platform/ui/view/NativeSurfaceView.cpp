#include "platform/ui/view/NativeSurfaceView.h"

#include <atomic>

namespace vl::ui {

namespace {
std::atomic<int> nextSurfaceNumber{1};
}  // namespace

NativeSurfaceView::NativeSurfaceView(const Rect& frame) : View(frame), surfaceNumber_(nextSurfaceNumber++) {}

void NativeSurfaceView::setSurfaceColor(const Color& color) {
  surfaceColor_ = color;
  setNeedsDisplay(true);
}

std::optional<Rect> NativeSurfaceView::surfaceFrameInWindow() const {
  if (!window() || isHiddenOrHasHiddenAncestor()) return std::nullopt;
  const Rect visible = visibleRect();
  if (visible.isEmpty()) return std::nullopt;
  return convertRectToView(visible, nullptr);
}

void NativeSurfaceView::setNativeWindow(unsigned long window) {
  if (window == nativeWindow_) return;
  nativeWindow_ = window;
  nativeWindowDidChange();
}

void NativeSurfaceView::viewDidMoveToWindow() {
  View::viewDidMoveToWindow();
  // The window server places surfaces when it repaints the window.
  setNeedsDisplay(true);
}

void collectNativeSurfaceViews(View& root, std::vector<NativeSurfaceView*>& out) {
  if (auto* surface = dynamic_cast<NativeSurfaceView*>(&root)) out.push_back(surface);
  for (const auto& sub : root.subviews()) collectNativeSurfaceViews(*sub, out);
}

}  // namespace vl::ui
