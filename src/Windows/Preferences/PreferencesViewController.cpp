#include "Windows/Preferences/PreferencesViewController.h"

#include <functional>
#include <string>

#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/placement/DragStore.h"
#include "Windows/Preferences/AdvancedViewController.h"
#include "Windows/Preferences/GeneralViewController.h"
#include "Windows/Preferences/PreferencesWindow.h"
#include "Windows/Preferences/Security/SecurityViewController.h"
#include "core/VLConfig.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/window/Screen.h"
#include "platform/ui/window/Window.h"
#include "shortcuts/ShortcutsViewController.h"
#include "snippets/SnippetsViewController.h"
#include "ui/themechooser/ThemeViewController.h"

namespace vl {

namespace {

// The Security page, read again like the other panes when another process changed the settings.
class SecurityPane : public SecurityViewController, public SettingsPane {
 public:
  void reloadSettings() override {
    if (auto p = pane()) p->reloadSettings();
  }
};

UserDefaults& groupSettings() { return UserDefaults::suite(UserDefaults::kGroupSuite); }

}  // namespace

// The tab controller keeps its delegate alive; this one only points back, so the controller and its
// tabs do not keep each other.
class PreferencesViewController::TabDelegate : public VLTabControllerDelegate {
 public:
  explicit TabDelegate(PreferencesViewController* owner) : owner_(owner) {}
  void detach() { owner_ = nullptr; }
  void tabControllerDidChangeHeight(VLTabController&, float height, VLTabBarItem& item) override {
    if (owner_) owner_->tabControllerDidChangeHeight(height, item);
  }

 private:
  PreferencesViewController* owner_;
};

PreferencesViewController::PreferencesViewController(PreferencesHooks hooks) : hooks_(std::move(hooks)) {}

PreferencesViewController::~PreferencesViewController() {
  if (tabDelegate_) tabDelegate_->detach();
  stopWatching();
}

const std::shared_ptr<VLTabController>& PreferencesViewController::tabController() {
  if (tabController_) return tabController_;
  tabController_ = VLTabController::create();
  tabDelegate_ = std::make_shared<TabDelegate>(this);
  tabController_->setDelegate(tabDelegate_);
  auto bar = VLTabBar::create();
  const PreferencesHooks hooks = hooks_;
  struct Tab {
    const char* key;
    std::function<std::shared_ptr<VLViewController>()> make;
  };
  const Tab tabs[] = {
      {"general", [hooks] { return std::make_shared<GeneralViewController>(hooks); }},
      {"shortcuts", [] { return std::make_shared<ShortcutsViewController>(); }},
      {"snippets",
       [hooks]() -> std::shared_ptr<VLViewController> {
         if (hooks.makeSnippetsPane) return hooks.makeSnippetsPane();
         return std::make_shared<SnippetsViewController>();
       }},
      {"security",
       [hooks]() -> std::shared_ptr<VLViewController> {
         if (hooks.makeSecurityPane) return hooks.makeSecurityPane();
         return std::make_shared<SecurityPane>();
       }},
      {"theme", [] { return std::make_shared<ThemeViewController>(); }},
      {"advanced", [] { return std::make_shared<AdvancedViewController>(); }},
  };
  std::int64_t index = 0;
  for (const Tab& tab : tabs) {
    auto item = VLTabBarItem::create();
    item->setIndex(index++);
    item->setTitle(localized(std::string("pref.") + tab.key));
    item->setViewController(tab.make());
    bar->addItem(item);
  }
  // Only now, so the bar is sized for all six.
  tabController_->setTabBar(bar);
  return tabController_;
}

void PreferencesViewController::loadView() { setView(tabController()->view()); }

std::int64_t PreferencesViewController::storedIndex() {
  const auto stored = UserDefaults::standard().object(kSelectedIndexKey);
  if (!stored) return 0;
  if (!stored->is_number_integer() || stored->get<std::int64_t>() < 0 ||
      stored->get<std::int64_t>() >= kTabCount) {
    logWarningf("preferences: stored tab \"%s\" names no tab; the General tab shows", stored->dump().c_str());
    return 0;
  }
  return stored->get<std::int64_t>();
}

void PreferencesViewController::viewWillAppear() {
  VLViewController::viewWillAppear();
  tabController()->tabBar()->selectItemAtIndex(static_cast<std::size_t>(storedIndex()));
  startWatching();
}

void PreferencesViewController::viewDidDisappear() {
  VLViewController::viewDidDisappear();
  stopWatching();
}

void PreferencesViewController::tabControllerDidChangeHeight(float height, VLTabBarItem& item) {
  UserDefaults::standard().setInteger(kSelectedIndexKey, item.index());
  ui::Window* window = window_;
  if (!window) window = WindowCenter::shared().windowForKey(kPreferencesWindowKey).get();
  if (!window) return;
  const ui::Rect F = window->frame();
  const double h = height;
  // The top edge stays, unless a taller pane would then reach past the work area's bottom.
  const ui::Rect wanted{F.origin.x, F.origin.y - (h - F.height()), tabController()->view()->frame().width(),
                        h};
  const std::shared_ptr<ui::Screen> screen = window->screen();
  window->setFrame(screen ? origins::fitInside(wanted, screen->visibleFrame()) : wanted, true);
}

void PreferencesViewController::startWatching() {
  // What changed while the window was away shows as it comes back.
  if (seen_.is_null()) {
    seen_ = groupSettings().dictionaryRepresentation();
  } else {
    checkSettings();
  }
  if (poll_) return;
  poll_ = dispatch::TimerSource::create(dispatch::Queue::main());
  poll_->schedule(kSettingsPollMs, kSettingsPollMs, kSettingsPollMs / 4);
  poll_->setHandler([this] { checkSettings(); });
  poll_->resume();
}

void PreferencesViewController::stopWatching() {
  if (!poll_) return;
  poll_->cancel();
  poll_.reset();
}

void PreferencesViewController::checkSettings() {
  Json now = groupSettings().dictionaryRepresentation();
  if (now == seen_) return;
  seen_ = std::move(now);
  // Another process (or another part of this one) changed a setting: every pane that shows settings
  // reads them again. The snippets page looks at its own part only, and not at a change it wrote itself:
  // reading the list afresh would drop the user's search and choice under them.
  for (const auto& item : tabController()->tabBar()->items()) {
    const auto& controller = item->viewController();
    if (!controller || !controller->isViewLoaded()) continue;
    if (auto* pane = dynamic_cast<SettingsPane*>(controller.get())) pane->reloadSettings();
    if (auto* snippets = dynamic_cast<SnippetsViewController*>(controller.get())) snippets->settingsChanged();
    if (auto* theme = dynamic_cast<ThemeViewController*>(controller.get())) {
      const std::string chosen = VLConfig::shared().getStringValueOfKey(VLConfig::kThemeName).value_or("");
      for (const auto& thumbnail : theme->thumbnailList())
        thumbnail->setSelected(thumbnail->getThemeName() == chosen);
    }
  }
  // The panes write back what they read (the merging copy switch does, and the snippets merge); that is
  // no news.
  seen_ = groupSettings().dictionaryRepresentation();
}

}  // namespace vl
