#include "ui/navigation/ModalNavigationBar.h"

#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/text/Font.h"
#include "platform/ui/view/Cursor.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

void fillWithKey(const ui::View& view, const ui::Rect& dirty) {
  auto* ctx = ui::GraphicsContext::current();
  AssetKey key = backgroundColorAssetKey(view);
  if (!ctx || !key) return;
  if (auto color = VLThemeManager::shared().colorForKey(*key)) ctx->fillRect(dirty, *color);
}

}  // namespace

std::shared_ptr<ModalNavigationBar> ModalNavigationBar::create() {
  auto bar = std::make_shared<ModalNavigationBar>();
  setBackgroundColorAssetKey(static_cast<ui::View&>(*bar), std::string(kBackgroundKey));
  bar->titleView_ = PassthroughAndArrowCursorTextView::create();
  bar->titleView_->setMaximumNumberOfLines(1);
  bar->titleView_->setString("");
  bar->titleView_->setFont(ui::Font::systemFont(16, ui::Font::WeightMedium));
  bar->titleView_->setAlignment(ui::TextAlignment::Center);
  setTextColorAssetKey(*bar->titleView_, std::string("fontHeadColor"));
  bar->addSubview(bar->titleView_);
  bar->line_ = Line::ofWidth(0);
  bar->addSubview(bar->line_);
  return bar;
}

void ModalNavigationBar::initSize(ui::Size size) {
  setFrameSize(size);
  titleView_->setFrame({(size.width - 250) / 2, 12, 250, 18});
  line_->setFrame({0, 0, size.width, 1});
}

void ModalNavigationBar::showLineAtTop() { line_->setFrameOrigin({0, frame().height() - 1}); }

void ModalNavigationBar::replaceItem(std::shared_ptr<ui::View>& slot, const std::shared_ptr<ui::View>& item,
                                     bool right) {
  if (slot == item) return;
  if (slot) slot->removeFromSuperview();
  slot = item;
  if (!item) return;
  addSubview(item);
  double y = (frame().height() - item->frame().height()) / 2;
  double x = right ? frame().width() - item->frame().width() - 10 : 10;
  item->setFrameOrigin({x, y});
}

void ModalNavigationBar::setLeftItem(const std::shared_ptr<ui::View>& item) {
  replaceItem(leftItem_, item, false);
}

void ModalNavigationBar::setRightItem(const std::shared_ptr<ui::View>& item) {
  replaceItem(rightItem_, item, true);
}

void ModalNavigationBar::drawRect(const ui::Rect& dirtyRect) { fillWithKey(*this, dirtyRect); }

void ModalNavigationBar::resetCursorRects() { addCursorRect(bounds(), ui::Cursor::arrow()); }

void ModalNavigationBar::mouseMoved(const ui::Event&) { ui::Cursor::arrow().set(); }

void ModalNavigationBar::cursorUpdate(const ui::Event&) { ui::Cursor::arrow().set(); }

std::shared_ptr<NavigationBgView> NavigationBgView::create() {
  auto view = std::make_shared<NavigationBgView>();
  setBackgroundColorAssetKey(static_cast<ui::View&>(*view), std::string(kBackgroundKey));
  return view;
}

void NavigationBgView::drawRect(const ui::Rect& dirtyRect) { fillWithKey(*this, dirtyRect); }

}  // namespace vl
