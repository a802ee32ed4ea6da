// The status item half of VLStatusBar: the icon, the menu and the copy feedback.

#include <utility>

#include "core/VLConfig.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/system/Sound.h"
#include "platform/ui/menu/Menu.h"
#include "platform/ui/menu/MenuItem.h"
#include "platform/ui/menu/StatusItem.h"
#include "platform/ui/view/Appearance.h"
#include "platform/ui/window/Application.h"
#include "shortcuts/ShortcutKeys.h"
#include "statusbar/StatusIcons.h"
#include "statusbar/VLStatusBar.h"

namespace vl {

namespace {

constexpr const char* kMainMenuTitle = "Vellisto";
constexpr const char* kColorMenuTitle = "color sub";
constexpr long kRedTag = 1;
constexpr double kFrameMs = 100;
constexpr std::int64_t kFrames = 4;

std::function<void()>& quitAction() {
  static auto* quit = new std::function<void()>();
  return *quit;
}

// "Title     Ctrl+Alt+V"; the title alone while no key works for the id.
std::string rowTitle(const std::string& key, const std::optional<HokeyStruct>& hotKey) {
  std::string title = localized(key);
  if (!hotKey) return title;
  const std::string keys = hotKey->doubleTap ? modifierFlagsString(hotKey->modifierFlags) + " double tap"
                                             : shortcutDisplayString(hotKey->modifierFlags, hotKey->keyCode);
  return keys.empty() ? title : title + "     " + keys;
}

std::shared_ptr<ui::MenuItem> commandRow(const std::string& title, long tag,
                                         const std::shared_ptr<ui::ActionTarget>& target,
                                         const std::string& key = {}) {
  auto item = ui::MenuItem::create(title, "itemAction:", key);
  item->setTag(tag);
  item->setTarget(target);
  return item;
}

}  // namespace

class VLStatusBar::MenuObserver : public ui::MenuDelegate {
 public:
  explicit MenuObserver(VLStatusBar* bar) : bar_(bar) {}
  void menuWillOpen(ui::Menu& menu) override { bar_->menuWillOpen(menu); }

 private:
  VLStatusBar* bar_;  // owns this observer
};

VLStatusBar::MenuActions& VLStatusBar::menuActions() {
  static auto* actions = new MenuActions();
  return *actions;
}

void VLStatusBar::setMenuActions(MenuActions actions) { menuActions() = std::move(actions); }

void VLStatusBar::setQuitAction(std::function<void()> quit) { quitAction() = std::move(quit); }

bool VLStatusBar::hasQuitAction() { return static_cast<bool>(quitAction()); }

std::shared_ptr<ui::StatusItem> VLStatusBar::produceStatusItem() {
  if (statusItem_) return statusItem_;
  target_ = std::make_shared<ui::ActionTarget>();
  target_->setActionHandler("itemAction:", [this](ui::ActionTarget* sender) {
    if (auto* item = dynamic_cast<ui::MenuItem*>(sender)) itemAction(*item);
  });
  target_->setActionHandler("colorSelection:", [this](ui::ActionTarget* sender) {
    if (auto* item = dynamic_cast<ui::MenuItem*>(sender)) colorSelection(*item);
  });
  menuDelegate_ = std::make_shared<MenuObserver>(this);

  auto item = ui::StatusBar::system().statusItemWithLength(ui::kSquareStatusItemLength);
  item->button()->setAlternateImage(statusIconNamed("StatusIconWhite"));

  menu_ = ui::Menu::create(kMainMenuTitle);
  menu_->setAutoenablesItems(true);
  menu_->setDelegate(menuDelegate_);
  menu_->addItem(commandRow(toggleString(), kToggleTag, target_));
  menu_->addItem(commandRow(recordString(), kRecordTag, target_));
  menu_->addItem(ui::MenuItem::separatorItem());
  auto color = ui::MenuItem::create(localized("statuesbar.color"));
  color->setTag(kColorTag);
  menu_->addItem(color);
  menu_->addItem(commandRow(localized("statuesbar.center"), kCenterTag, target_));
  menu_->addItem(ui::MenuItem::separatorItem());
  menu_->addItem(commandRow(localized("statuesbar.settings"), kSettingsTag, target_, ","));
  menu_->addItem(ui::MenuItem::separatorItem());
  menu_->addItem(commandRow(localized("statusbar.about"), kAboutTag, target_));
  menu_->addItem(commandRow(localized("statusbar.help"), kHelpTag, target_));
  menu_->addItem(ui::MenuItem::separatorItem());
  menu_->addItem(commandRow(localized("statuesbar.quit"), kQuitTag, target_));

  colorMenu_ = ui::Menu::create();
  colorMenu_->setTitle(kColorMenuTitle);
  colorMenu_->setDelegate(menuDelegate_);
  auto red = ui::MenuItem::create(localized("statuesbar.color.red"), "colorSelection:");
  red->setTag(kRedTag);
  red->setTarget(target_);
  colorMenu_->addItem(red);
  blackItem_ = ui::MenuItem::create(localized("statuesbar.color.black"), "colorSelection:");
  blackItem_->setTag(2);
  blackItem_->setTarget(target_);
  colorMenu_->addItem(blackItem_);
  color->setSubmenu(colorMenu_);
  // Both menus show their marks from the first export on, for trays that never say they open one.
  menuWillOpen(*colorMenu_);
  menuWillOpen(*menu_);

  item->setMenu(menu_);
  statusItem_ = item;
  appearanceObservation_ =
      ui::SystemAppearance::shared().center().observe(ui::SystemAppearance::kThemeChangedNotification,
                                                      nullptr, [this](const Notification&) { updateIcon(); });
  hostBackgroundObservation_ =
      NotificationCenter::defaultCenter().observe(ui::StatusBar::kHostBackgroundChangedNotification, nullptr,
                                                  [this](const Notification&) { updateIcon(); });
  updateIcon();
  return statusItem_;
}

bool VLStatusBar::effectDarkMode() const {
  // The tray's own background where it is known: a dark panel in a light desktop is common.
  return ui::StatusBar::system().hostBackgroundIsDark().value_or(ui::SystemAppearance::shared().isDark());
}

bool VLStatusBar::isSelectedIconColor(const std::string& color) {
  const std::optional<Json> stored = VLConfig::shared().getValueOfKey(VLConfig::kStatusIconColor);
  const std::string chosen = stored && stored->is_string() ? stored->get<std::string>() : "red";
  // Anything but "black" draws in red, as an unset key does.
  return color == (chosen == "black" ? "black" : "red");
}

std::string VLStatusBar::getFlashAnimatePrefix() const {
  if (isSelectedIconColor("red")) return "StatusIconRedAnimate";
  return effectDarkMode() ? "StatusIconWhiteAnimate" : "StatusIconBlackAnimate";
}

ui::ImageRef VLStatusBar::getStatusIcon() const {
  if (isSelectedIconColor("red")) return statusIconNamed("StatusIconRed");
  return statusIconNamed(effectDarkMode() ? "StatusIconWhite" : "StatusIconBlack");
}

void VLStatusBar::updateIcon() {
  if (!statusItem_) return;
  // A running pulse puts the icon back when it ends.
  if (!isAnimate_) showIcon(getStatusIcon());
  blackItem_->setTitle(localized(effectDarkMode() ? "statuesbar.color.white" : "statuesbar.color.black"));
  if (menu_) menuWillOpen(*menu_);
}

void VLStatusBar::showIcon(const ui::ImageRef& image) {
  statusItem_->button()->setImage(image);
  // Hosts that recolour icons get the one-colour pictures as symbolic icons; the red ones keep theirs.
  statusItem_->setSymbolicIcon(image ? statusSymbolicIcon(image->name()) : std::nullopt);
}

std::string VLStatusBar::toggleString() const {
  return rowTitle("statuesbar.toggle",
                  isRegistered(kMainHotKeyID) ? activeHotKey(kMainHotKeyID) : std::nullopt);
}

std::string VLStatusBar::recordString() const {
  return rowTitle("statusbar.record",
                  isRegistered(kRecordHotKeyID) ? activeHotKey(kRecordHotKeyID) : std::nullopt);
}

void VLStatusBar::updateWakeupItemDisplay() {
  if (!menu_) return;
  if (auto row = menu_->itemWithTag(kToggleTag)) row->setTitle(toggleString());
  if (auto row = menu_->itemWithTag(kRecordTag)) row->setTitle(recordString());
}

void VLStatusBar::itemAction(ui::MenuItem& item) {
  const MenuActions& actions = menuActions();
  const auto show = [&actions](const char* key) {
    if (actions.showWindowByKey) {
      actions.showWindowByKey(key);
    } else {
      logWarningf("status menu: there is no window \"%s\" yet", key);
    }
  };
  switch (item.tag()) {
    case kToggleTag:
      wakeupOrHidden();
      break;
    case kRecordTag:
      if (const auto& toggle = windowActions().toggleRecordWindow) toggle();
      break;
    case kCenterTag:
      if (actions.centerMainWindow) actions.centerMainWindow();
      break;
    case kSettingsTag:
      show("vellisto_pref");
      break;
    case kAboutTag:
      show("vellisto_about");
      break;
    case kHelpTag:
      show("vellisto_help");
      break;
    case kQuitTag:
      if (quitAction()) {
        quitAction()();
      } else {
        ui::Application::shared().terminate();
      }
      break;
    default:
      break;
  }
}

void VLStatusBar::colorSelection(ui::MenuItem& item) {
  const std::string color = item.tag() == kRedTag ? "red" : "black";
  if (isSelectedIconColor(color)) return;
  VLConfig::shared().setValueOfKey(VLConfig::kStatusIconColor, color);
  updateIcon();
  menuWillOpen(*colorMenu_);
}

void VLStatusBar::menuWillOpen(ui::Menu& menu) {
  if (menu.title() == kColorMenuTitle) {
    for (const auto& row : menu.items()) {
      row->setState(isSelectedIconColor(row->tag() == kRedTag ? "red" : "black") ? 1 : 0);
    }
  } else if (menu.title() == kMainMenuTitle) {
    if (auto row = menu.itemWithTag(kColorTag)) {
      const char* swatch = isSelectedIconColor("red") ? "color-state-red"
                           : effectDarkMode()         ? "color-state-white"
                                                      : "color-state-black";
      row->setOnStateImage(statusIconNamed(swatch));
      row->setState(1);
    }
  }
}

// ---- copy feedback ----

void VLStatusBar::payAnimateFromAnyThread() {
  dispatch::Queue::main()->async([] { shared().payAnimate(); });
}

void VLStatusBar::payAnimate(std::shared_ptr<AnimateTask> task) {
  if (!task) task = AnimateTask::an();
  if (!VLConfig::shared().getBoolValueOfKey(VLConfig::kAnimateStatusItem)) {
    playCopySoundIfOn();
    return;
  }
  // A copy that has to wait plays its sound when its pulse starts, so sound and pulse go together and
  // each copy is heard once.
  if (isAnimate_) {
    std::lock_guard lock(animateTasksMutex_);
    animateTasks_.push_back(std::move(task));
    return;
  }
  startAnimation(std::move(task));
}

void VLStatusBar::playCopySoundIfOn() {
  if (VLConfig::shared().getBoolValueOfKey(VLConfig::kPlaySound)) SoundPlayer::shared()->playCopySound();
}

void VLStatusBar::startAnimation(std::shared_ptr<AnimateTask> task) {
  playCopySoundIfOn();
  // Raised now rather than at the first frame, so a copy in the first tenth of a second waits instead
  // of running a second pulse over this one.
  isAnimate_ = true;
  animationTimer_ = dispatch::TimerSource::create(dispatch::Queue::main());
  std::weak_ptr<VLStatusBar> weak = weak_from_this();
  animationTimer_->setHandler([weak, task] {
    if (auto self = weak.lock()) self->flashAnimate(task);
  });
  animationTimer_->schedule(kFrameMs, kFrameMs);
  animationTimer_->resume();
}

void VLStatusBar::flashAnimate(const std::shared_ptr<AnimateTask>& task) {
  if (task->frameNo >= kFrames) {
    std::shared_ptr<AnimateTask> next;
    {
      std::lock_guard lock(animateTasksMutex_);
      if (!animateTasks_.empty()) {
        next = std::move(animateTasks_.back());
        animateTasks_.pop_back();
      }
    }
    isAnimate_ = false;
    animationTimer_->cancel();
    animationTimer_.reset();
    updateIcon();
    if (next) startAnimation(std::move(next));
    return;
  }
  const std::int64_t n = task->frameNo++;
  if (statusItem_) {
    showIcon(statusIconNamed(getFlashAnimatePrefix() + std::to_string(n)));
  }
}

}  // namespace vl
