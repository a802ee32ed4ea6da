#pragma once

#include <memory>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/view/View.h"

namespace vl::ui {

class ClipView;

// A document view that lays itself out for what is visible (tables tile their rows, text views follow
// their width) is told when its clip view scrolls or resizes.
class ScrollClient {
 public:
  virtual ~ScrollClient() = default;
  virtual void clipViewBoundsDidChange(ClipView&) {}
  virtual void clipViewFrameDidChange(ClipView&) {}
};

// The window of a scroll view onto its document view: scrolling moves the clip view's bounds origin over
// the document. Its coordinates are flipped exactly when the document view's are, so a scroll point means
// the same corner of the document either way (top left for flipped documents). Scroll points are kept
// inside the document. Bounds changes are posted (kViewBoundsDidChangeNotification) unless turned off.
class ClipView : public View {
 public:
  explicit ClipView(const Rect& frame = {});
  static std::shared_ptr<ClipView> create(const Rect& frame = {}) {
    return std::make_shared<ClipView>(frame);
  }

  const std::shared_ptr<View>& documentView() const { return documentView_; }
  void setDocumentView(const std::shared_ptr<View>& view);
  bool isFlipped() const override;
  // Rows scrolled past an edge are never drawn over the views around the scroll view.
  bool clipsToBounds() const override { return true; }

  // Scrolls so that `p` (document coordinates) is at the clip view's origin corner, after constraining.
  void scrollToPoint(Point p);
  // The nearest point that keeps the visible area inside the document (a document smaller than the clip
  // view stays at its top left).
  Point constrainScrollPoint(Point p) const;
  // The document view's frame, and the part of it in view (document coordinates).
  Rect documentRect() const;
  Rect documentVisibleRect() const;

  bool drawsBackground() const { return drawsBackground_; }
  void setDrawsBackground(bool v);
  const Color& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(const Color& c);

  void setBoundsOrigin(Point origin) override;
  void setFrameSize(Size size) override;
  void drawRect(const Rect& dirtyRect) override;

 private:
  void documentFrameChanged();
  void notifyScrolled();

  std::shared_ptr<View> documentView_;
  Observation documentFrameObservation_;
  bool drawsBackground_ = false;
  Color backgroundColor_ = Color::whiteColor();
};

}  // namespace vl::ui
