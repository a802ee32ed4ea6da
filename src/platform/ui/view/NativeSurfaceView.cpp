#include "platform/ui/view/NativeSurfaceView.h"

#include <atomic>

#include "platform/ui/controls/Scroller.h"

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
  const Rect mine = convertRectToView(visible, nullptr);
  // The native window lies above everything the toolkit draws, so a view drawn over this one (an
  // overlay sliding over the window, an alert) would vanish under it: the surface hides while one does.
  // Scrollers float over their content by design and do not count, nor do hairline separators.
  for (const View *child = this, *parent = superview(); parent;
       child = parent, parent = parent->superview()) {
    bool above = false;
    for (const auto& sibling : parent->subviews()) {
      if (sibling.get() == child) {
        above = true;
        continue;
      }
      if (!above || sibling->isHidden() || sibling->alphaValue() <= 0) continue;
      if (dynamic_cast<const Scroller*>(sibling.get())) continue;
      const Rect covered = sibling->convertRectToView(sibling->visibleRect(), nullptr).intersection(mine);
      // A separator line along the edge may go under: only what covers more than a hairline counts.
      if (covered.width() > 1 && covered.height() > 1) return std::nullopt;
    }
  }
  return mine;
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
