#include "Windows/Main/list/TransferProgressView.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/ui/graphics/BezierPath.h"
#include "platform/ui/graphics/DisplayList.h"
#include "theme/VLThemeCategories.h"

namespace vl {

void TransferProgressView::setEntity(std::shared_ptr<RowTransfer> transfer) {
  transfer_ = std::move(transfer);
  if (transfer_) {
    std::weak_ptr<View> weak = self();
    transfer_->onProgress = [weak] {
      if (auto view = weak.lock()) view->setNeedsDisplay(true);
    };
  }
  setNeedsDisplay(true);
}

void TransferProgressView::drawRect(const ui::Rect&) {
  ui::GraphicsContext* ctx = ui::GraphicsContext::current();
  if (!ctx || !transfer_) return;
  const ui::Rect box = bounds().insetBy(2, 2);
  const ui::Point c{box.midX(), box.midY()};
  const double r = box.width() / 2;
  if (auto track = themeManager(*this).colorForKey("lineColor")) {
    ui::BezierPath ring = ui::BezierPath::oval(box);
    ring.setLineWidth(1.5);
    ctx->strokePath(ring, *track);
  }
  const double fraction = std::clamp(transfer_->fraction, 0.0, 1.0);
  auto accent = themeManager(*this).colorForKey("accentColor");
  if (!accent || fraction <= 0) return;
  // A pie from twelve o'clock, as straight steps fine enough to read as an arc.
  ui::BezierPath pie;
  pie.moveTo(c);
  const int steps = std::max(2, static_cast<int>(48 * fraction));
  const double sign = isFlipped() ? -1 : 1;
  for (int i = 0; i <= steps; ++i) {
    const double angle = std::numbers::pi / 2 - 2 * std::numbers::pi * fraction * i / steps;
    pie.lineTo({c.x + r * std::cos(angle), c.y + sign * r * std::sin(angle)});
  }
  pie.closePath();
  ctx->fillPath(pie, *accent);
}

}  // namespace vl
