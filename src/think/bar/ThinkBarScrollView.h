#pragma once

#include <memory>

#include "ui/view/VLVisualEffectScrollView.h"

namespace vl {

class ThinkBarScrollViewDelegate {
 public:
  virtual ~ThinkBarScrollViewDelegate() = default;
  virtual void scrollMovingLeft() = 0;
  virtual void scrollMovingRight() = 0;
};

// The thinking bar's row of buttons. It never scrolls by itself: every wheel or trackpad event becomes a
// step towards the start or the end of the row, at most one per direction every 0.1 s, and the bar
// decides how far that moves. A vertical wheel steps too, as most mice have no horizontal one: up goes
// towards the start.
class ThinkBarScrollView : public VLVisualEffectScrollView {
 public:
  static constexpr double kStepSeconds = 0.1;

  explicit ThinkBarScrollView(const ui::Rect& frame = {});
  static std::shared_ptr<ThinkBarScrollView> create(const ui::Rect& frame = {});

  void setUpOnInit();
  void scrollWheel(const ui::Event& event) override;

  void setTbScrollDelegate(ThinkBarScrollViewDelegate* delegate) { tbScrollDelegate_ = delegate; }
  bool scrollingEnabled() const { return scrollingEnabled_; }
  double downTimestamp() const { return downTimestamp_; }
  double upTimestamp() const { return upTimestamp_; }

 private:
  double downTimestamp_ = 0;
  double upTimestamp_ = 0;
  bool scrollingEnabled_ = false;
  // The bar that owns this view.
  ThinkBarScrollViewDelegate* tbScrollDelegate_ = nullptr;
};

}  // namespace vl
