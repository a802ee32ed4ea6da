#include "ui/panels/BlockShadowView.h"

#include "core/files/PathHelper.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/Cursor.h"
#include "platform/ui/view/TrackingArea.h"
#include "theme/VLThemeCategories.h"
#include "ui/panels/SlideCenter.h"

namespace vl {

namespace {

// Entered and exited, moved, cursor updates, while the application is active.
constexpr std::uint32_t kTrackingOptions = 0x47;

}  // namespace

BlockShadowView::BlockShadowView(const ui::Rect& frame) : ui::View(frame) {}

void BlockShadowView::styleNew(const std::shared_ptr<BlockShadowView>& view) {
  view->setWantsLayer(true);
  setBackgroundColorAssetKey(static_cast<ui::View&>(*view), std::string(kBorderKey));
  view->setHidden(true);
  view->rebuildTrackingArea();
}

std::shared_ptr<BlockShadowView> BlockShadowView::create(const ui::Rect& frame) {
  auto view = std::make_shared<BlockShadowView>(frame);
  styleNew(view);
  return view;
}

std::shared_ptr<SlideBlockShadowView> SlideBlockShadowView::create(const ui::Rect& frame) {
  auto view = std::make_shared<SlideBlockShadowView>(frame);
  styleNew(view);
  return view;
}

void BlockShadowView::rebuildTrackingArea() {
  if (trackingArea_) removeTrackingArea(trackingArea_.get());
  trackingArea_.reset();
  auto owner = std::static_pointer_cast<ui::Responder>(self());
  if (!owner) return;
  trackingArea_ = std::make_shared<ui::TrackingArea>(bounds(), kTrackingOptions, owner);
  addTrackingArea(trackingArea_);
}

void BlockShadowView::setFrameSize(ui::Size size) {
  ui::View::setFrameSize(size);
  rebuildTrackingArea();
}

void BlockShadowView::updateTrackingAreas() { rebuildTrackingArea(); }

void BlockShadowView::resetCursorRects() { addCursorRect(bounds(), ui::Cursor::arrow()); }

void BlockShadowView::mouseDown(const ui::Event&) {}

void BlockShadowView::mouseMoved(const ui::Event&) { ui::Cursor::arrow().set(); }

void BlockShadowView::cursorUpdate(const ui::Event&) { ui::Cursor::arrow().set(); }

void BlockShadowView::setPath(ui::BezierPath path) {
  path_ = std::move(path);
  setNeedsDisplay(true);
}

void BlockShadowView::drawShadowInFrame(const ui::Rect& f) {
  double x = f.origin.x, y = f.origin.y, w = f.width(), h = f.height();
  ui::BezierPath p;
  p.moveTo({x, y + 20});
  p.lineTo({x, y + h});
  p.moveTo({x, y + 20});
  p.curveTo({x + 20, y}, {x, y}, {x, y});
  p.lineTo({x + w - 20, y});
  p.curveTo({x + w, y + 20}, {x + w, y}, {x + w, y});
  p.lineTo({x + w, y + h});
  p.lineTo({x, y + h});
  setPath(std::move(p));
}

void SlideBlockShadowView::drawShadowInFrame(const ui::Rect& f) {
  double x = f.origin.x, y = f.origin.y, w = f.width(), h = f.height();
  ui::BezierPath p;
  p.moveTo({x, y});
  p.lineTo({x, y + h});
  p.moveTo({x, y});
  p.curveTo({x, y}, {x, y}, {x, y});
  p.lineTo({x + w, y});
  p.curveTo({x + w, y}, {x + w, y}, {x + w, y});
  p.lineTo({x + w, y + h});
  p.lineTo({x, y + h});
  setPath(std::move(p));
}

void SlideBlockShadowView::mouseDown(const ui::Event&) {
  SlideCenter::shared().dismissExistSlideIfNeededOn(superview());
}

void BlockShadowView::drawRect(const ui::Rect&) {
  if (!path_ || path_->isEmpty()) return;
  auto* ctx = ui::GraphicsContext::current();
  AssetKey key = backgroundColorAssetKey(static_cast<const ui::View&>(*this));
  auto color = key ? VLThemeManager::shared().colorForKey(*key) : std::nullopt;
  ui::BezierPath stroke = *path_;
  stroke.setLineWidth(1);
  if (ctx && color) ctx->strokePath(stroke, *color);
  if (auto& l = layer()) {
    l->setShadowOpacity(0.1);
    l->setShadowColor(ui::Color::black());
    l->setShadowOffset({0, -2});
    l->setShadowPath(PathHelper::createShadowPath(*path_));
    l->setShadowRadius(5);
  }
}

}  // namespace vl
