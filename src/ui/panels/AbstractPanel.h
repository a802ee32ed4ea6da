#pragma once

#include <functional>

#include "ui/panels/EdgeSheet.h"

namespace vl {

// A sheet that drops down from the top edge of the main view, centred, over a cover that blocks the view
// below; it can shake to say no and run a block after its dismissal. Held by shared_ptr (create through
// std::make_shared). Main thread only.
class AbstractPanel : public EdgeSheet {
 public:
  // The shake: offset A·e^(−ε·t)·sin(ω·t).
  static constexpr float kAmplitude = 15.0f;
  static constexpr float kDecay = 5.0f;
  static constexpr float kOmega = 62.831852f;
  static constexpr double kShakeDuration = 0.1;
  static constexpr int kShakeSteps = 13;

  explicit AbstractPanel(const ui::Rect& frame = {});

  // The block runs once, after the dismiss animation ends; nothing is kept when the panel is not shown.
  void dismissWithEndBlock(std::function<void(AbstractPanel&)> block);
  // Keeps the main window in step; overrides call it.
  virtual void panelAnimationDidEnd(bool shown);
  // A damped sideways shake: "no".
  void sayNo();
  static float shakeOffset(float t);

 protected:
  void sheetDidEnd(bool shown) override;
  void otherAnimationDidStop(ui::Animation& animation, bool finished) override;

 private:
  void shakeStep(int index);

  std::function<void(AbstractPanel&)> dismissEndBlock_;
};

}  // namespace vl
