#include "Windows/Pins/PinTabBarTab.h"

#include "Windows/Main/list/ContextualMenu.h"
#include "Windows/Pins/PinTabBar.h"
#include "pins/PinManager.h"
#include "pins/PinTab.h"
#include "platform/ui/graphics/BezierPath.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/view/Layer.h"
#include "statusbar/StatusIcons.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"
#include "ui/view/GlobalColorPanel.h"

namespace vl {

namespace {

constexpr double kTitleWidth = 80;

// The title cut with "…" to the room its view lays text out in.
std::string fittedTitle(const std::string& name, const PassthroughAndArrowCursorTextView& view) {
  return ui::TextMetrics::truncateTail(name, view.font(), kTitleWidth - 2 * view.lineFragmentPadding());
}

}  // namespace

PinTabBarTab::PinTabBarTab(const std::string& name, const std::string& txtColor, const std::string& bgColor,
                           const std::string& uuid)
    : ThemeView({0, 0, kWidth, kHeight}), uuid_(uuid), name_(name) {
  if (!txtColor.empty()) txtColor_ = txtColor;
  if (!bgColor.empty()) bgColor_ = bgColor;
  enableMenu_ = uuid != kClipboardPinTabId;
  imageView_ = ui::ImageView::create();
  imageView_->setWantsLayer(true);
  titleView_ = PassthroughAndArrowCursorTextView::create({0, 10, kTitleWidth, 14});
  titleView_->setFont(VLFont::mainFont());
  titleView_->setAlignment(ui::TextAlignment::Left);
  titleView_->setMaximumNumberOfLines(1);
  titleView_->setString(fittedTitle(name_, *titleView_));
  setWantsLayer(true);
  layer()->setCornerRadius(4);
  layer()->setMaskedCorners(ui::MinXMaxYCorner | ui::MaxXMaxYCorner);
  layer()->setMasksToBounds(true);
}

std::shared_ptr<PinTabBarTab> PinTabBarTab::initWithName(const std::string& name, const std::string& txtColor,
                                                         const std::string& bgColor,
                                                         const std::string& uuid) {
  auto tab = std::make_shared<PinTabBarTab>(name, txtColor, bgColor, uuid);
  setTextColorAssetKey(*tab->titleView_, std::string("fontNormalColor"));
  setBackgroundColorAssetKey(*static_cast<ui::View*>(tab.get()), std::string(kActiveKey));
  if (tab->enableMenu_) {
    tab->setColorIcon();
  } else {
    tab->setVellistoIcon();
  }
  tab->addSubview(tab->imageView_);
  tab->addSubview(tab->titleView_);
  return tab;
}

std::shared_ptr<PinTabBarTab> PinTabBarTab::ofPinTab(const std::shared_ptr<PinTab>& tab) {
  auto view = initWithName(tab->name(), tab->txtColor(), tab->bgColor(), tab->pinTabId());
  tab->setPtDelegate(view);
  return view;
}

void PinTabBarTab::setColorIcon() {
  imageView_->layer()->setCornerRadius(4);
  showSquareOutline();
  // A folder made outside the program may carry no colour; its square then stays empty.
  if (!bgColor_.empty()) {
    imageView_->layer()->setBackgroundColor(GlobalColorPanel::colorFromHexString(bgColor_));
  } else {
    imageView_->layer()->setBackgroundColor(std::nullopt);
  }
  imageView_->setNeedsDisplay(true);
}

void PinTabBarTab::setVellistoIcon() {
  // The tray's clipboard in the clipboard tab's red: drawn, so it shows with or without installed pictures.
  imageView_->setImage(statusIconNamed("StatusIconRed"));
  imageView_->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
}

void PinTabBarTab::viewDidMoveToSuperview() {
  ThemeView::viewDidMoveToSuperview();
  if (enableMenu_) {
    imageView_->setFrame({15, 8, 14, 14});
  } else {
    imageView_->setFrame({15, 7, 18, 18});
  }
  titleView_->setFrame({imageView_->frame().maxX(), 10, kTitleWidth, 14});
}

void PinTabBarTab::showSquareOutline() {
  if (!enableMenu_) return;
  // The active tab is filled with the accent colour, which a square of the same hue would vanish into.
  imageView_->layer()->setBorderWidth(active_ ? 1.5 : 0);
  setBorderColorAssetKey(*imageView_->layer(), active_ ? AssetKey("white") : std::nullopt);
}

bool PinTabBarTab::didActive() {
  active_ = true;
  showSquareOutline();
  setBackgroundColorAssetKey(*static_cast<ui::View*>(this), std::string(kActiveKey));
  setNeedsDisplay(true);
  if (bar_) bar_->redraw();
  return true;
}

bool PinTabBarTab::didInactive() {
  active_ = false;
  showSquareOutline();
  setBackgroundColorAssetKey(*static_cast<ui::View*>(this), std::string(kInactiveKey));
  setNeedsDisplay(true);
  return true;
}

void PinTabBarTab::moveForward() {
  setFrameOrigin({frame().minX() - frame().width(), frame().minY()});
  // The outline follows a moved active tab at once rather than at the next activation.
  if (active_ && bar_) bar_->redraw();
}

void PinTabBarTab::moveBackward() {
  setFrameOrigin({frame().minX() + frame().width(), frame().minY()});
  if (active_ && bar_) bar_->redraw();
}

void PinTabBarTab::remove() {
  PinTabBar* bar = bar_;
  removeFromSuperview();
  if (bar) bar->tabDidLeave(this);
}

void PinTabBarTab::setName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  titleView_->setString(fittedTitle(name_, *titleView_));
}

void PinTabBarTab::setBgColor(const std::string& bgColor) {
  if (bgColor == bgColor_) return;
  bgColor_ = bgColor;
  setColorIcon();
}

std::shared_ptr<ui::Menu> PinTabBarTab::menuForEvent(const ui::Event&) {
  if (!enableMenu_) return nullptr;
  return ContextualMenu::factory().getPinTabMenu(uuid_);
}

void PinTabBarTab::mouseDown(const ui::Event&) {
  if ((bar_ && bar_->blocked()) || uuid_.empty()) return;
  PinManager::shared().activeTabOfId(uuid_);
  if (bar_) bar_->research();
}

}  // namespace vl
