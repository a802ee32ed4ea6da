#include "ui/tabbar/VLTabBar.h"

#include <algorithm>

#include "platform/foundation/Log.h"

namespace vl {

VLTabBarItem::VLTabBarItem(const ui::Rect& frame) : ImageTextButton(frame) {
  setTextColorAssetKey(std::string("fontSubtitleColor"));
  setTextSelectedColorAssetKey(std::string("accentTextColor"));
  setButtonBackgroundColorAssetKey(std::string("clear"));
  setButtonBackgroundSelectedColorAssetKey(std::string("tabBarItemSelectedBackgroundColor"));
  setFont(ui::Font::systemFont(12));
  setRadius(4);
  setAlignment(ui::TextAlignment::Center);
}

VLTabBar::VLTabBar() : ui::View(ui::Rect{}) {
  setActionHandler("itemClick:", [this](ui::ActionTarget* sender) {
    if (auto* item = dynamic_cast<VLTabBarItem*>(sender)) itemClick(*item);
  });
}

void VLTabBar::addItem(const std::shared_ptr<VLTabBarItem>& item) {
  if (!item) return;
  item->setTarget(shared_from_this());
  item->setAction("itemClick:");
  items_.push_back(item);
}

void VLTabBar::selectItemAtIndex(std::size_t index) {
  if (index >= items_.size()) {
    logWarningf("VLTabBar: no tab at index %zu of %zu, selection ignored", index, items_.size());
    return;
  }
  itemClick(*items_[index]);
}

void VLTabBar::itemClick(VLTabBarItem& item) {
  if (lastItem_.get() == &item) return;
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& i) { return i.get() == &item; });
  if (it == items_.end()) {
    logWarning("VLTabBar: a click from an item of another bar, ignored");
    return;
  }
  if (lastItem_) {
    lastItem_->setSelected(false);
    // A page learns that it leaves, so it can end what it started (a recorder listening to the keys).
    if (const auto& controller = lastItem_->viewController()) {
      controller->viewWillDisappear();
      controller->view()->removeFromSuperview();
      controller->viewDidDisappear();
    }
  }
  lastItem_ = *it;
  lastItem_->setSelected(true);
  const auto coming = lastItem_->viewController();
  if (coming) coming->viewWillAppear();
  if (auto d = delegate()) d->tabBarDidClickItem(*this, *lastItem_);
  if (coming) coming->viewDidAppear();
}

void VLTabBar::viewDidMoveToSuperview() {
  ui::View::viewDidMoveToSuperview();
  if (!superview()) return;
  auto d = delegate();
  ui::Size size = d ? d->tabBarItemSize() : ui::Size{};
  for (std::size_t i = 0; i < items_.size(); ++i) {
    items_[i]->setFrame({static_cast<double>(i) * size.width, 0, size.width, size.height});
    addSubview(items_[i]);
  }
  setFrameSize({size.width * static_cast<double>(items_.size()), size.height});
}

}  // namespace vl
