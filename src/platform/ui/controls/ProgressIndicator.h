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

  // Values are clamped to the range.
  void setDoubleValue(double v);
  // 0...1 of the way from the minimum to the maximum.
  double fraction() const;

  void startAnimation();
  void stopAnimation();
  bool isAnimating() const { return animating_; }
  // The spinner's step (0...11) at this moment; 0 when not animating.
  int spinnerPhase() const;

  void drawRect(const Rect& dirtyRect) override;

 private:
  ProgressIndicatorStyle style_ = ProgressIndicatorStyle::Bar;
  bool indeterminate_ = true;
  static constexpr double min_ = 0;
  static constexpr double max_ = 100;
  double value_ = 0;
  bool animating_ = false;
  double animationStart_ = 0;
};

}  // namespace vl::ui
