#include "Windows/Sync/SyncNetworkPicture.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/graphics/BezierPath.h"
#include "platform/ui/graphics/DisplayList.h"

namespace vl {

namespace {

constexpr double kScreenWidth = 46, kScreenHeight = 32, kGap = 92;

// A computer: a screen with rounded corners on a short stand and foot.
void drawComputer(ui::GraphicsContext& ctx, ui::Point centre, const ui::Color& ink, const ui::Color& glass) {
  const ui::Rect screen{centre.x - kScreenWidth / 2, centre.y - kScreenHeight / 2 + 5, kScreenWidth,
                        kScreenHeight};
  ctx.fillPath(ui::BezierPath::roundedRect(screen, 4, 4), glass);
  ui::BezierPath frame = ui::BezierPath::roundedRect(screen.insetBy(1, 1), 3.5, 3.5);
  frame.setLineWidth(2);
  ctx.strokePath(frame, ink);
  ctx.fillRect({centre.x - 2, screen.minY() - 6, 4, 6}, ink);
  ctx.fillPath(ui::BezierPath::roundedRect({centre.x - 11, screen.minY() - 8, 22, 3}, 1.5, 1.5), ink);
}

}  // namespace

std::shared_ptr<SyncNetworkPicture> SyncNetworkPicture::create(const ui::Rect& frame) {
  auto view = std::make_shared<SyncNetworkPicture>(frame);
  view->themeManager();
  return view;
}

void SyncNetworkPicture::drawRect(const ui::Rect&) {
  ui::GraphicsContext* ctx = ui::GraphicsContext::current();
  if (!ctx) return;
  VLThemeManager& theme = themeManager();
  const ui::Color ink = theme.colorForKey("fontSubtitleColor").value_or(ui::Color::white(0.5));
  const ui::Color glass = theme.colorForKey("modalTableItemBackgroundColor").value_or(ui::Color::clear());
  const ui::Color link = theme.colorForKey("accentTextColor").value_or(ink);
  const ui::Rect b = bounds();
  const double cy = std::round(b.midY());
  const ui::Point left{std::round(b.midX() - kGap / 2 - kScreenWidth / 2), cy};
  const ui::Point right{std::round(b.midX() + kGap / 2 + kScreenWidth / 2), cy};
  // The link between them: dashes, with the network as a ring in the middle.
  const double y = cy + 5;
  for (double x = left.x + kScreenWidth / 2 + 6; x + 4 <= right.x - kScreenWidth / 2 - 5; x += 8) {
    ctx->fillRect({x, y - 1, 4, 2}, link);
  }
  ctx->fillPath(ui::BezierPath::oval({b.midX() - 9, y - 9, 18, 18}), glass);
  ui::BezierPath ring = ui::BezierPath::oval({b.midX() - 8, y - 8, 16, 16});
  ring.setLineWidth(2);
  ctx->strokePath(ring, link);
  ctx->fillPath(ui::BezierPath::oval({b.midX() - 3, y - 3, 6, 6}), link);
  drawComputer(*ctx, left, ink, glass);
  drawComputer(*ctx, right, ink, glass);
}

}  // namespace vl
