#include "platform/ui/menu/Menu.h"

#include <algorithm>

#include "platform/foundation/Log.h"
#include "platform/ui/view/View.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {

namespace {

Menu::Chooser& chooser() {
  static Menu::Chooser c;
  return c;
}

Menu::Presenter& presenter() {
  static Menu::Presenter p;
  return p;
}

Menu::ChangeObserver& changeObserver() {
  static Menu::ChangeObserver observer;
  return observer;
}

std::vector<Menu::Presentation>& presentationLog() {
  static std::vector<Menu::Presentation> log;
  return log;
}

}  // namespace

Menu::Menu(std::string title) : title_(std::move(title)) {}

Menu::~Menu() {
  for (auto& item : items_) {
    if (item->menu_ == this) item->menu_ = nullptr;
    if (item->submenu_ && item->submenu_->supermenu_ == this) item->submenu_->supermenu_ = nullptr;
  }
}

std::shared_ptr<MenuItem> Menu::itemAtIndex(long index) const {
  if (index < 0 || index >= numberOfItems()) {
    logWarningf("menu \"%s\": item index %ld out of range (%ld items)", title_.c_str(), index,
                numberOfItems());
    return nullptr;
  }
  return items_[static_cast<std::size_t>(index)];
}

std::vector<std::shared_ptr<MenuItem>> Menu::shownItems() const {
  std::vector<std::shared_ptr<MenuItem>> shown;
  shown.reserve(items_.size());
  for (const auto& item : items_) {
    if (item->isHidden()) continue;
    if (item->isSeparatorItem() && (shown.empty() || shown.back()->isSeparatorItem())) continue;
    shown.push_back(item);
  }
  if (!shown.empty() && shown.back()->isSeparatorItem()) shown.pop_back();
  return shown;
}

void Menu::adopt(const std::shared_ptr<MenuItem>& item) {
  item->menu_ = this;
  if (item->submenu_) item->submenu_->supermenu_ = this;
}

void Menu::addItem(const std::shared_ptr<MenuItem>& item) { insertItem(item, numberOfItems()); }

std::shared_ptr<MenuItem> Menu::addItemWithTitle(std::string title, std::string action,
                                                 std::string keyEquivalent) {
  auto item = MenuItem::create(std::move(title), std::move(action), std::move(keyEquivalent));
  addItem(item);
  return item;
}

void Menu::insertItem(const std::shared_ptr<MenuItem>& item, long index) {
  if (!item) return;
  if (item->menu_ == this) {
    logWarningf("menu \"%s\": item \"%s\" is already in it, not inserted again", title_.c_str(),
                item->title().c_str());
    return;
  }
  if (index < 0 || index > numberOfItems()) {
    logWarningf("menu \"%s\": insert index %ld out of range (%ld items)", title_.c_str(), index,
                numberOfItems());
    return;
  }
  std::shared_ptr<MenuItem> keep = item;
  if (item->menu_) item->menu_->removeItem(item.get());
  items_.insert(items_.begin() + index, keep);
  adopt(keep);
  noteChanged();
}

void Menu::removeItem(const MenuItem* item) {
  long i = indexOfItem(item);
  if (i >= 0) removeItemAtIndex(i);
}

void Menu::removeItemAtIndex(long index) {
  std::shared_ptr<MenuItem> item = itemAtIndex(index);
  if (!item) return;
  items_.erase(items_.begin() + index);
  item->menu_ = nullptr;
  if (item->submenu_ && item->submenu_->supermenu_ == this) item->submenu_->supermenu_ = nullptr;
  noteChanged();
}

void Menu::removeAllItems() {
  while (!items_.empty()) removeItemAtIndex(numberOfItems() - 1);
}

long Menu::indexOfItem(const MenuItem* item) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == item) return static_cast<long>(i);
  }
  return -1;
}

long Menu::indexOfItemWithTag(long tag) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->tag() == tag) return static_cast<long>(i);
  }
  return -1;
}

long Menu::indexOfItemWithTitle(const std::string& title) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->title() == title) return static_cast<long>(i);
  }
  return -1;
}

std::shared_ptr<MenuItem> Menu::itemWithTag(long tag) const {
  long i = indexOfItemWithTag(tag);
  return i < 0 ? nullptr : items_[static_cast<std::size_t>(i)];
}

std::shared_ptr<MenuItem> Menu::itemWithTitle(const std::string& title) const {
  long i = indexOfItemWithTitle(title);
  return i < 0 ? nullptr : items_[static_cast<std::size_t>(i)];
}

void Menu::setSubmenu(const std::shared_ptr<Menu>& submenu, MenuItem* item) {
  if (item) item->setSubmenu(submenu);
}

void Menu::update() {
  if (!autoenables_) return;
  for (auto& item : items_) {
    if (item->separator_) continue;
    if (item->submenu_) {
      item->enabled_ = true;
    } else if (item->action_.empty()) {
      item->enabled_ = false;
    } else if (auto target = item->target()) {
      item->enabled_ = target->respondsToAction(item->action_);
    } else {
      item->enabled_ = Application::shared().targetForAction(item->action_) != nullptr;
    }
  }
}

bool Menu::contains(const MenuItem* item) const {
  for (const Menu* m = item ? item->menu_ : nullptr; m; m = m->supermenu_) {
    if (m == this) return true;
  }
  return false;
}

void Menu::open() {
  if (auto d = delegate()) d->menuNeedsUpdate(*this);
  update();
  if (auto d = delegate()) d->menuWillOpen(*this);
  open_ = true;
}

void Menu::close() {
  open_ = false;
  if (auto d = delegate()) d->menuDidClose(*this);
}

bool Menu::popUpMenuPositioningItem(const MenuItem* item, Point location, View* view) {
  std::shared_ptr<MenuItem> chosen = trackPopUp(item, location, view);
  if (!chosen) return false;
  performItem(*chosen);
  return true;
}

std::shared_ptr<MenuItem> Menu::trackPopUp(const MenuItem* item, Point location, View* view) {
  if (open_) {
    logWarningf("menu \"%s\" is already open", title_.c_str());
    return nullptr;
  }
  if (item && !contains(item)) item = nullptr;
  std::shared_ptr<Menu> keep = weak_from_this().lock();
  Point screen = location;
  if (view) {
    Point inWindow = view->convertPointToView(location, nullptr);
    screen = view->window() ? view->window()->convertPointToScreen(inWindow) : inWindow;
  }
  cancelled_ = false;
  open();
  Presentation p{weak_from_this(), title_, screen, {}};
  for (const auto& i : shownItems()) p.titles.push_back(i->isSeparatorItem() ? "-" : i->title());
  presentationLog().push_back(std::move(p));

  std::shared_ptr<MenuItem> chosen;
  if (Chooser pick = chooser()) {
    chosen = pick(*this);
  } else if (Presenter show = presenter()) {
    chosen = show(*this, item, screen);
  }
  // Submenus on the way to the chosen item open in turn, as the pointer moves through them.
  std::vector<std::shared_ptr<Menu>> opened;
  if (chosen && contains(chosen.get()) && chosen->menu_ != this) {
    std::vector<Menu*> chain;
    for (Menu* m = chosen->menu_; m && m != this; m = m->supermenu_) chain.push_back(m);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      auto sub = (*it)->weak_from_this().lock();
      if (!sub) continue;
      sub->open();
      opened.push_back(sub);
    }
  }
  bool usable = chosen && !cancelled_ && contains(chosen.get()) && chosen->isEnabled() &&
                !chosen->isHidden() && !chosen->isSeparatorItem() && !chosen->hasSubmenu();
  if (chosen && !usable && !cancelled_) {
    logWarningf("menu \"%s\": item \"%s\" cannot be chosen", title_.c_str(), chosen->title().c_str());
  }
  for (auto it = opened.rbegin(); it != opened.rend(); ++it) (*it)->close();
  close();
  return usable ? chosen : nullptr;
}

bool Menu::popUpContextMenu(const std::shared_ptr<Menu>& menu, const Event& event, View* view) {
  if (!menu) return false;
  Point at = event.locationInWindow();
  if (view) at = view->convertPointFromView(at, nullptr);
  return menu->popUpMenuPositioningItem(nullptr, at, view);
}

bool Menu::performItem(MenuItem& item) {
  if (!item.isEnabled() || item.isSeparatorItem() || item.hasSubmenu() || item.action().empty()) return false;
  std::shared_ptr<ActionTarget> keep = item.weak_from_this().lock();
  return Application::shared().sendAction(item.action(), item.target(), &item);
}

bool Menu::performActionForItemAtIndex(long index) {
  std::shared_ptr<MenuItem> item = itemAtIndex(index);
  return item && performItem(*item);
}

bool Menu::performKeyEquivalent(const Event& event) {
  update();
  for (auto& item : std::vector<std::shared_ptr<MenuItem>>(items_)) {
    if (item->isHidden()) continue;
    if (item->submenu_) {
      if (item->submenu_->performKeyEquivalent(event)) return true;
    } else if (item->isEnabled() && item->matchesKeyEquivalent(event)) {
      return performItem(*item);
    }
  }
  return false;
}

void Menu::setHeadlessChooser(Chooser c) { chooser() = std::move(c); }

void Menu::setPresenter(Presenter p) { presenter() = std::move(p); }

void Menu::setChangeObserver(ChangeObserver observer) { changeObserver() = std::move(observer); }

void Menu::noteChanged() {
  if (const ChangeObserver& observer = changeObserver()) observer(*this);
}

const std::vector<Menu::Presentation>& Menu::presentations() { return presentationLog(); }

void Menu::clearPresentations() { presentationLog().clear(); }

}  // namespace vl::ui
