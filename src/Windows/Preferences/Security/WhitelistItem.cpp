#include "Windows/Preferences/Security/WhitelistItem.h"

#include "platform/system/desktop/IconProvider.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/window/Screen.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr double kIconPoints = 20;

ui::ImageRef applicationIcon(const std::string& entryPath) {
  auto screen = ui::Screen::mainScreen();
  const int scale = screen && screen->backingScaleFactor() >= 1.5 ? 2 : 1;
  ui::ImageRef icon;
  if (auto workspace = Workspace::shared(); workspace && !entryPath.empty())
    icon = workspace->iconForApplication(entryPath, kIconPoints, scale);
  // An entry that is gone, or names no icon the theme has, still gets a picture of an application.
  if (!icon || !icon->hasPixels())
    icon = IconProvider::shared()->iconNamed("application-x-executable", kIconPoints, scale);
  return icon;
}

}  // namespace

std::shared_ptr<WhitelistItem> WhitelistItem::initWithTitle(const std::string& name, const std::string& title,
                                                            const std::string& entryPath) {
  auto item = std::make_shared<WhitelistItem>(name);
  item->setWantsLayer(true);
  item->buttonAsTextView_ = PassthroughTextView::create();
  item->buttonAsTextView_->setFont(ui::Font::systemFont(13));
  item->buttonAsTextView_->setTextContainerInset({0, 0});
  item->buttonAsTextView_->setLineFragmentPadding(0);
  item->buttonAsTextView_->setMaximumNumberOfLines(1);
  item->buttonAsTextView_->setString(title.empty() ? name : title);
  item->icon_ = ui::ImageView::create();
  item->icon_->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
  item->icon_->setImage(applicationIcon(entryPath));
  item->addSubview(item->buttonAsTextView_);
  item->addSubview(item->icon_);
  item->selected(false);
  return item;
}

void WhitelistItem::setTitleColorAssetKey(std::string key, std::string selectedKey) {
  textColorAssetKey_ = std::move(key);
  selectedTextColorAssetKey_ = std::move(selectedKey);
}

void WhitelistItem::setFrame(const ui::Rect& frame) {
  ui::View::setFrame(frame);
  if (!buttonAsTextView_) return;
  buttonAsTextView_->setFrame({30, 6, frame.width() - 30, 18});
  icon_->setFrame({5, 5, kIconPoints, kIconPoints});
}

void WhitelistItem::click() {
  if (selected_ && !toggles_) return;
  selected(!selected_);
  if (didSelected_) didSelected_(*this);
}

void WhitelistItem::mouseDown(const ui::Event&) { click(); }

void WhitelistItem::selected(bool selected) {
  selected_ = selected;
  vl::setBackgroundColorAssetKey(*layer(), selected ? highlightedColorAssetKey_ : normalColorAssetKey_);
  setTextColorAssetKey(*buttonAsTextView_, selected ? selectedTextColorAssetKey_ : textColorAssetKey_);
}

}  // namespace vl
