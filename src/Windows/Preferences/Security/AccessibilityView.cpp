#include "Windows/Preferences/Security/AccessibilityView.h"

#include <algorithm>

#include "core/VLConfig.h"
#include "core/apps/AppInstalledManager.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"
#include "platform/system/desktop/DesktopEntryFile.h"
#include "platform/ui/view/Layer.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr const char* kAppList = "appList";

std::shared_ptr<Button2> squareButton(const ui::Rect& frame, const std::string& title) {
  auto button = Button2::create(frame);
  button->setTitle(title);
  button->setFont(ui::Font::systemFont(16, ui::Font::WeightLight));
  button->setAlignment(ui::TextAlignment::Center);
  button->setVerticalCenter(true);
  button->setTextColorAssetKey(std::string("fontNormalColor"));
  button->setButtonBackgroundColorAssetKey(std::string("clear"));
  button->setButtonBackgroundHighlightedColorAssetKey(std::string("viceButtonHighlightedBackgroundColor"));
  button->setBorderWidth(1);
  button->setBorderColorAssetKey(std::string("lineColor"));
  return button;
}

// What the desktop calls the application, when its entry can be found.
std::string displayedName(const std::string& entryPath) {
  if (entryPath.empty()) return {};
  std::string error;
  auto file = DesktopEntryFile::read(entryPath, &error);
  return file ? file->value("Name") : std::string();
}

}  // namespace

std::shared_ptr<AccessibilityView> AccessibilityView::create(const ui::Rect& frame) {
  auto view = std::make_shared<AccessibilityView>(frame);
  view->build();
  return view;
}

std::string AccessibilityView::applicationNameOfPath(const std::string& path) {
  std::string name = files::lastPathComponent(path);
  // Only the end goes: "Photo.application Tool.desktop" keeps the word inside its name.
  for (std::string_view suffix : {std::string_view(".desktop"), std::string_view(".app")}) {
    if (name.size() > suffix.size() && endsWith(name, suffix)) {
      name.resize(name.size() - suffix.size());
      break;
    }
  }
  return name;
}

void AccessibilityView::build() {
  delegate_ = this;
  dataSource_ = this;
  auto self = std::static_pointer_cast<AccessibilityView>(shared_from_this());
  const double h = frame().height();

  titleView_ = ButtonTextView::create({40, h - 20 - 18, 570, 18});
  titleView_->setTitle(localized("pref.security.hint"));
  titleView_->setAlignment(ui::TextAlignment::Left);
  titleView_->setFont(ui::Font::systemFont(13));
  titleView_->setBackgroundColorAssetKey(std::string("clear"));
  titleView_->setTextColorAssetKey(std::string("fontNormalColor"));
  addSubview(titleView_);

  center_ = AccessibilityScrollView::create({40, titleView_->frame().origin.y - 10 - 250, 570, 250});
  // The frame, not the document, carries the border, so it stays whole while a long list scrolls.
  center_->layer()->setBorderWidth(1);
  setBorderColorAssetKey(*center_->layer(), std::string("lineColor"));
  containerView_ = ui::View::create();
  center_->setDocumentView(containerView_);
  addSubview(center_);

  std::weak_ptr<AccessibilityView> weak = self;
  add_ = squareButton({40, center_->frame().origin.y - 10 - 30, 40, 30}, "+");
  add_->setActionHandler("addClick:", [weak](ui::ActionTarget*) {
    if (auto view = weak.lock()) view->addClick();
  });
  add_->setTarget(add_);
  add_->setAction("addClick:");
  addSubview(add_);
  // U+2212, the minus sign, as wide as the plus beside it.
  delete_ = squareButton({80, add_->frame().origin.y, 40, 30}, "\u2212");
  delete_->setActionHandler("deleteClick:", [weak](ui::ActionTarget*) {
    if (auto view = weak.lock()) view->deleteClick();
  });
  delete_->setTarget(delete_);
  delete_->setAction("deleteClick:");
  addSubview(delete_);

  reloadSettings();
}

void AccessibilityView::reloadSettings() {
  source_.clear();
  entries_ = Json::array();
  const std::optional<Json> stored = VLConfig::shared().getValueOfKey(VLConfig::kIgnoredApps);
  const Json* list =
      stored && stored->is_object() && stored->contains(kAppList) ? &(*stored)[kAppList] : nullptr;
  if (list && list->is_array()) {
    // The list is written back as it was read, with only the user's edits applied: what this pane
    // cannot show (an entry that is no name, a name given twice) is another writer's, not ours to drop.
    entries_ = *list;
    for (const Json& entry : *list) {
      if (!entry.is_string()) {
        logWarningf("security list: an entry that is not a name is kept but not shown: %s",
                    entry.dump().c_str());
        continue;
      }
      const std::string name = entry.get<std::string>();
      if (std::find(source_.begin(), source_.end(), name) == source_.end()) source_.push_back(name);
    }
  } else if (stored && !(stored->is_object() && !stored->contains(kAppList))) {
    logWarning("security list: the stored list is not a list of names; it shows empty");
  }
  render();
}

std::shared_ptr<WhitelistItem> AccessibilityView::whitelist(long index) {
  const std::string& name = source_.at(static_cast<std::size_t>(index));
  const std::string entryPath =
      AppInstalledManager::shared().getAppPath(percentEncode(name, PercentSet::Path));
  auto item = WhitelistItem::initWithTitle(name, displayedName(entryPath), entryPath);
  item->setBackgroundColorAssetKey("clear");
  item->setBackgroundHighlightedColorAssetKey("accentColor");
  item->setTitleColorAssetKey("fontNormalColor", "white");
  return item;
}

void AccessibilityView::render() {
  VL_DCHECK(delegate_ && dataSource_);
  const long n = dataSource_->numberOfWhitelistItem();
  const ui::Size rowSize = delegate_->sizeOfMenuItem();
  center_->setBackgroundColor(delegate_->menuBackgroundColor());
  for (const auto& item : whitelistItems_) item->removeFromSuperview();
  whitelistItems_.clear();
  for (long i = 0; i < n; ++i) {
    auto item = dataSource_->whitelist(i);
    item->setTagId(static_cast<std::int32_t>(i));
    std::weak_ptr<AccessibilityView> weak = std::static_pointer_cast<AccessibilityView>(shared_from_this());
    item->setDidSelected([weak](WhitelistItem& clicked) {
      auto view = weak.lock();
      if (!view) return;
      for (const auto& other : view->whitelistItems_) {
        if (other->tagId() != clicked.tagId()) other->selected(false);
      }
    });
    whitelistItems_.push_back(item);
    containerView_->addSubview(item);
    item->selected(i == 0);
  }
  layOutRows(*center_, *containerView_, whitelistItems_, rowSize);
}

void AccessibilityView::addClick() {
  if (chooser_) return;
  auto apps = ApplicationChooser::installedApplications(source_);
  std::weak_ptr<AccessibilityView> weak = std::static_pointer_cast<AccessibilityView>(shared_from_this());
  const ui::Rect area = {40, add_->frame().origin.y, 570, center_->frame().maxY() - add_->frame().origin.y};
  chooser_ =
      ApplicationChooser::create(area, std::move(apps), [weak](const std::vector<std::string>& picked) {
        if (auto view = weak.lock()) view->closeChooser(picked);
      });
  for (const auto& v : {std::static_pointer_cast<ui::View>(center_), std::static_pointer_cast<ui::View>(add_),
                        std::static_pointer_cast<ui::View>(delete_)})
    v->setHidden(true);
  addSubview(chooser_);
}

void AccessibilityView::closeChooser(const std::vector<std::string>& picked) {
  if (chooser_) chooser_->removeFromSuperview();
  chooser_.reset();
  for (const auto& v : {std::static_pointer_cast<ui::View>(center_), std::static_pointer_cast<ui::View>(add_),
                        std::static_pointer_cast<ui::View>(delete_)})
    v->setHidden(false);
  if (!picked.empty()) addNames(picked);
}

void AccessibilityView::addNames(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (name.empty()) continue;
    if (std::find(source_.begin(), source_.end(), name) != source_.end()) continue;
    source_.push_back(name);
    entries_.push_back(name);
  }
  render();
  store();
}

void AccessibilityView::deleteClick() {
  if (whitelistItems_.empty()) return;
  auto it = std::find_if(whitelistItems_.begin(), whitelistItems_.end(),
                         [](const auto& item) { return item->isSelected(); });
  if (it == whitelistItems_.end()) return;
  const auto index = static_cast<std::size_t>(it - whitelistItems_.begin());
  (*it)->removeFromSuperview();
  whitelistItems_.erase(it);
  const std::string name = source_[index];
  source_.erase(source_.begin() + static_cast<std::ptrdiff_t>(index));
  // Every entry of the name goes, or capture would go on ignoring an application no row shows.
  Json kept = Json::array();
  for (Json& entry : entries_) {
    if (!(entry.is_string() && entry.get<std::string>() == name)) kept.push_back(std::move(entry));
  }
  entries_ = std::move(kept);
  render();
  store();
}

void AccessibilityView::store() {
  VLConfig& config = VLConfig::shared();
  Json value = config.getValueOfKey(VLConfig::kIgnoredApps).value_or(Json::object());
  if (!value.is_object()) {
    logWarning("security list: the stored value was no dictionary; it is replaced by the list");
    value = Json::object();
  }
  value[kAppList] = entries_;
  config.setValueOfKey(VLConfig::kIgnoredApps, value);
}

}  // namespace vl
