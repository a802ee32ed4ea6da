#pragma once

#include <memory>

#include "platform/ui/view/View.h"

namespace vl::ui {

enum class ProgressIndicatorStyle { Bar = 0, Spinning = 1 };

// A progress bar (determinate: a value between a minimum and a maximum) or a spinner. Spinning and
// indeterminate indicators move only while animating; a spinner turns by one step per 1/12 s of the
// injectable clock, so what it draws is reproducible. Main thread only.
class ProgressIndicator : public View {
 public:
  explicit ProgressIndicator(const Rect& frame = {});
  static std::shared_ptr<ProgressIndicator> create(const Rect& frame = {}) {
    return std::make_shared<ProgressIndicator>(frame);
  }

  ProgressIndicatorStyle style() const { return style_; }
  // Spinners are indeterminate.
  void setStyle(ProgressIndicatorStyle s);
  bool isIndeterminate() const { return indeterminate_; }
  void setIndeterminate(bool v);

  double minValue() const { return min_; }
  double maxValue() const { return max_; }
  // A maximum at or below the minimum is refused; values are clamped to the range.
  void setMinValue(double v);
  void setMaxValue(double v);
  double doubleValue() const { return value_; }
  void setDoubleValue(double v);
  void incrementBy(double delta) { setDoubleValue(value_ + delta); }
  // 0...1 of the way from the minimum to the maximum.
  double fraction() const;

  void startAnimation();
  void stopAnimation();
  bool isAnimating() const { return animating_; }
  // When false, the indicator draws nothing while it is not animating.
  bool isDisplayedWhenStopped() const { return displayedWhenStopped_; }
  void setDisplayedWhenStopped(bool v);
  // The spinner's step (0...11) at this moment; 0 when not animating.
  int spinnerPhase() const;

  void drawRect(const Rect& dirtyRect) override;

 private:
  ProgressIndicatorStyle style_ = ProgressIndicatorStyle::Bar;
  bool indeterminate_ = true;
  double min_ = 0;
  double max_ = 100;
  double value_ = 0;
  bool animating_ = false;
  bool displayedWhenStopped_ = true;
  double animationStart_ = 0;
};

}  // namespace vl::ui
