#pragma once

#include <memory>

#include "platform/ui/controls/ClipView.h"
#include "platform/ui/controls/Scroller.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/view/View.h"

namespace vl::ui {

// What a scroll view does with wheel events: scroll its document, hand them to the next responder (a
// list that moves its selection instead), or drop them.
enum class WheelHandling { Scroll, Forward, Swallow };

// A document view seen through a clip view, with optional scrollers that float over the right and bottom
// edges. The clip view always fills the scroll view. Main thread only.
class ScrollView : public View {
 public:
  explicit ScrollView(const Rect& frame = {});
  static std::shared_ptr<ScrollView> create(const Rect& frame = {}) {
    return std::make_shared<ScrollView>(frame);
  }

  const std::shared_ptr<ClipView>& contentView() const { return clipView_; }
  // Replaces the clip view (a custom subclass); the document view moves into the new one.
  void setContentView(const std::shared_ptr<ClipView>& clip);
  const std::shared_ptr<View>& documentView() const { return clipView_->documentView(); }
  void setDocumentView(const std::shared_ptr<View>& view);

  bool hasVerticalScroller() const { return hasVertical_; }
  void setHasVerticalScroller(bool v);
  void setHasHorizontalScroller(bool v);
  // On by default: a scroller shows only when its document does not fit.
  void setAutohidesScrollers(bool v);
  const std::shared_ptr<Scroller>& verticalScroller() const { return vertical_; }
  // A custom scroller; nullptr restores a plain one.
  void setVerticalScroller(std::shared_ptr<Scroller> scroller);
  bool isVerticalScrollerVisible() const;
  bool isHorizontalScrollerVisible() const;

  bool drawsBackground() const { return clipView_->drawsBackground(); }
  void setDrawsBackground(bool v) { clipView_->setDrawsBackground(v); }
  const Color& backgroundColor() const { return clipView_->backgroundColor(); }
  void setBackgroundColor(const Color& c) { clipView_->setBackgroundColor(c); }

  // Points per wheel step.
  void setLineScroll(double points);
  void setWheelHandling(WheelHandling h) { wheelHandling_ = h; }

  // The visible part of the document, in its coordinates.
  Rect documentVisibleRect() const { return clipView_->documentVisibleRect(); }
  Size contentSize() const { return clipView_->bounds().size; }
  // Scrolls the clip view (document coordinates of the top-left corner for flipped documents).
  void scrollToPoint(Point p) { clipView_->scrollToPoint(p); }

  // Brings the scrollers up to date with the clip view.
  void reflectScrolledClipView(ClipView& clip);
  // Lays out the clip view and scrollers.
  void tile();

  // The innermost scroll view around a view; nullptr when none.
  static ScrollView* enclosingScrollView(const View& view);

  void scrollWheel(const Event& event) override;
  void resizeSubviewsWithOldSize(Size oldSize) override;

 private:
  void installScroller(std::shared_ptr<Scroller>& slot, std::shared_ptr<Scroller> scroller, bool vertical);
  void scrollerMoved(bool vertical, double position);

  std::shared_ptr<ClipView> clipView_;
  std::shared_ptr<Scroller> vertical_;
  std::shared_ptr<Scroller> horizontal_;
  bool hasVertical_ = false;
  bool hasHorizontal_ = false;
  bool autohides_ = true;
  double lineScroll_ = 10;
  WheelHandling wheelHandling_ = WheelHandling::Scroll;
};

}  // namespace vl::ui
