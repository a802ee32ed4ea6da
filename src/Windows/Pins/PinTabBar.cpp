#include "Windows/Pins/PinTabBar.h"

#include <algorithm>
#include <cmath>

#include "pins/PinManager.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/ui/controls/Beep.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/Layer.h"
#include "theme/VLThemeCategories.h"
#include "ui/alert/Alert.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelCenter.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

// ---- outline ----

ui::BezierPath PinTabBarBorderView::createPath(const ui::Rect& a, double r) const {
  const double x = a.minX(), y = a.minY(), w = a.width(), h = a.height();
  ui::BezierPath path;
  path.moveTo({0, 0});
  path.lineTo({x, y});
  path.lineTo({x, y + h - r});
  path.curveTo({x + r, y + h}, {x, y + h}, {x, y + h});
  path.lineTo({x + w - r, y + h});
  path.curveTo({x + w, y + h - r}, {x + w, y + h}, {x + w, y + h});
  path.lineTo({x + w, y});
  path.lineTo({frame().width(), y});
  return path;
}

void PinTabBarBorderView::setActiveFrame(std::optional<ui::Rect> frame, double cornerRadius) {
  active_ = frame.value_or(ui::Rect{});
  radius_ = frame ? std::floor(cornerRadius * 2) : 0;
  setNeedsDisplay(true);
}

void PinTabBarBorderView::drawRect(const ui::Rect&) {
  path_ = createPath(active_, radius_);
  path_.setLineWidth(1);
  ui::GraphicsContext* ctx = ui::GraphicsContext::current();
  std::optional<ui::Color> color = VLThemeManager::shared().colorForKey("pinTabBarItemBorderColor");
  if (ctx && color) ctx->strokePath(path_, *color);
}

void PinTabBarContainerView::setFrameSize(ui::Size size) {
  ThemeView::setFrameSize(size);
  if (borderView) borderView->setFrameSize(size);
}

// ---- bar ----

PinTabBar::PinTabBar() : ui::ScrollView({{0, 0}, kSize}) {
  setHasVerticalScroller(false);
  setHasHorizontalScroller(false);
  setDrawsBackground(false);
}

std::shared_ptr<PinTabBar> PinTabBar::create() {
  auto bar = std::make_shared<PinTabBar>();
  bar->container_ = std::make_shared<PinTabBarContainerView>(ui::Rect{{0, 0}, kSize});
  setBackgroundColorAssetKey(*static_cast<ui::View*>(bar->container_.get()),
                             std::string("pinTabBarBackgroundColor"));
  // Added before any tab, so every tab and the button lie above the outline.
  bar->container_->borderView = PinTabBarBorderView::create({{0, 0}, kSize});
  bar->container_->addSubview(bar->container_->borderView);
  bar->setDocumentView(bar->container_);
  std::weak_ptr<PinTabBar> weak = bar;
  bar->setActionHandler("addPinTab:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->addPinTab();
  });
  return bar;
}

const std::shared_ptr<Button3>& PinTabBar::addPinTabButton() {
  if (!addPinTabButton_) {
    addPinTabButton_ = Button3::create({0, 8, 20, 20});
    addPinTabButton_->setFont(ui::Font::systemFont(20, ui::Font::WeightLight));
    addPinTabButton_->setTitle("+");
    // The state key, so the title follows light and dark changes.
    addPinTabButton_->setTextColorAssetKey(std::string("fontNormalColor"));
    addPinTabButton_->setTarget(std::static_pointer_cast<PinTabBar>(shared_from_this()));
    addPinTabButton_->setAction("addPinTab:");
    container_->addSubview(addPinTabButton_);
  }
  return addPinTabButton_;
}

std::shared_ptr<PinTabBarTab> PinTabBar::tabOfId(const std::string& uuid) const {
  for (const auto& tab : tabs_) {
    if (tab->uuid() == uuid) return tab;
  }
  return nullptr;
}

void PinTabBar::viewDidMoveToSuperview() {
  ui::ScrollView::viewDidMoveToSuperview();
  // The bar is built once; moving it between views keeps its tabs.
  if (!superview() || setUp_) return;
  setUp_ = true;
  container_->setFrameSize(frame().size);
  renderFromDisk();
  addPinTabButton();
  updateAddPinTabButtonState();
  redraw();
}

void PinTabBar::addTab(const std::shared_ptr<PinTabBarTab>& tab, std::size_t index) {
  tab->setBar(this);
  tab->setFrameOrigin({PinTabBarTab::kWidth * static_cast<double>(index) + 10, 0});
  tabs_.push_back(tab);
  if (addPinTabButton_) {
    container_->addSubview(tab, ui::View::Ordering::Below, addPinTabButton_.get());
  } else {
    container_->addSubview(tab);
  }
}

void PinTabBar::renderFromDisk() {
  const auto list = PinManager::shared().tabList();
  for (std::size_t i = 0; i < list.size(); ++i) addTab(PinTabBarTab::ofPinTab(list[i]), i);
  PinManager::shared().activeTabOfId(kClipboardPinTabId);
}

void PinTabBar::appendPinTabBarTab(const std::shared_ptr<PinTabBarTab>& tab) {
  const std::size_t count = PinManager::shared().tabCount();
  addTab(tab, count == 0 ? 0 : count - 1);
  PinManager::shared().activeTabOfId(tab->uuid());
  updateAddPinTabButtonState();
  research();
}

void PinTabBar::addPinTab() {
  if (blocked()) {
    ui::beep();
    return;
  }
  // Folders made outside the program can bring more tabs than the bar offers; none is added then.
  if (PinManager::shared().tabCount() >= kMaxTabs) {
    ui::View* host = MainViewHooks::current().mainViewOrNull();
    if (!host) {
      logWarning("pin tab bar: no main view to show the tab limit over");
      return;
    }
    auto alert = Alert::ofTitle(
        localized("pin.tab.add.alert.content"), [] {}, nullptr);
    alert->showWithEscape(host);
    return;
  }
  PanelCenter::shared().showPanelByKey(kPanelPinDetail);
}

void PinTabBar::updateAddPinTabButtonState() {
  const std::size_t count = PinManager::shared().tabCount();
  const auto& button = addPinTabButton();
  button->setHidden(count >= kMaxTabs);
  button->setFrameOrigin({static_cast<double>(count) * PinTabBarTab::kWidth + 15, 8});
}

void PinTabBar::redraw() {
  auto active = PinManager::shared().activedTab();
  auto view = active ? tabOfId(active->pinTabId()) : nullptr;
  if (view && view->superview() == container_.get()) {
    borderView()->setActiveFrame(view->frame(), view->layer()->cornerRadius());
  } else {
    borderView()->setActiveFrame(std::nullopt, 0);
  }
}

bool PinTabBar::blocked() const { return PanelCenter::shared().isShown(); }

void PinTabBar::tabDidLeave(const PinTabBarTab* tab) {
  std::erase_if(tabs_, [tab](const std::shared_ptr<PinTabBarTab>& t) { return t.get() == tab; });
}

}  // namespace vl
