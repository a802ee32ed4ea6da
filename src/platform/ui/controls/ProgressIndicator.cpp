#include "platform/ui/controls/ProgressIndicator.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/ui/graphics/DisplayList.h"

namespace vl::ui {

ProgressIndicator::ProgressIndicator(const Rect& frame) : View(frame) {}

void ProgressIndicator::setStyle(ProgressIndicatorStyle s) {
  style_ = s;
  if (s == ProgressIndicatorStyle::Spinning) indeterminate_ = true;
  setNeedsDisplay(true);
}

void ProgressIndicator::setDoubleValue(double v) {
  value_ = std::isfinite(v) ? std::clamp(v, min_, max_) : min_;
  setNeedsDisplay(true);
}

double ProgressIndicator::fraction() const { return (value_ - min_) / (max_ - min_); }

void ProgressIndicator::startAnimation() {
  if (animating_) return;
  animating_ = true;
  animationStart_ = Clock::current().monotonicMs() / 1000;
  setNeedsDisplay(true);
}

void ProgressIndicator::stopAnimation() {
  if (!animating_) return;
  animating_ = false;
  setNeedsDisplay(true);
}

int ProgressIndicator::spinnerPhase() const {
  if (!animating_) return 0;
  double elapsed = std::max(0.0, Clock::current().monotonicMs() / 1000 - animationStart_);
  return static_cast<int>(std::floor(elapsed * 12)) % 12;
}

void ProgressIndicator::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsContext::current();
  if (!ctx || !animating_) return;
  const Rect b = bounds();
  if (style_ == ProgressIndicatorStyle::Bar) {
    double h = std::min(b.height(), 6.0);
    Rect track{0, (b.height() - h) / 2, b.width(), h};
    ctx->fillPath(BezierPath::roundedRect(track, h / 2, h / 2), Color::white(0.85));
    if (!indeterminate_) {
      Rect fill{track.minX(), track.minY(), track.width() * fraction(), h};
      if (fill.width() > 0)
        ctx->fillPath(BezierPath::roundedRect(fill, h / 2, h / 2), Color::rgb24(0x0A84FF));
    }
    return;
  }
  // Twelve spokes; the one at the current phase is the darkest.
  double radius = std::min(b.width(), b.height()) / 2;
  Point c{b.midX(), b.midY()};
  int phase = spinnerPhase();
  for (int i = 0; i < 12; ++i) {
    double angle = M_PI / 2 - i * M_PI / 6;
    BezierPath spoke;
    spoke.moveTo({c.x + std::cos(angle) * radius * 0.5, c.y + std::sin(angle) * radius * 0.5});
    spoke.lineTo({c.x + std::cos(angle) * radius, c.y + std::sin(angle) * radius});
    spoke.setLineWidth(std::max(1.0, radius / 6));
    int age = (phase - i + 12) % 12;
    ctx->strokePath(spoke, Color::white(0.2, animating_ ? 1.0 - age / 13.0 : 0.4));
  }
}

}  // namespace vl::ui
