#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/keys/HokeyStruct.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/GlobalEventMonitor.h"
#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/view/Event.h"

namespace vl {

namespace ui {
class ActionTarget;
class EventMonitor;
class Menu;
class MenuDelegate;
class MenuItem;
class StatusItem;
}  // namespace ui

// One copy's icon pulse: the number of the next frame to show; 4 once all four were shown.
struct AnimateTask {
  std::int64_t frameNo = 0;
  static std::shared_ptr<AnimateTask> an() { return std::make_shared<AnimateTask>(); }
};

// The program's presence on the desktop. This half brings our windows up from anywhere: the global hot
// keys of the main window (settings key 1, id 1) and of the record window (settings key 122, id 2), the
// double tap of Ctrl, Alt or Super that stands in for the main hot key, and the watch on clicks in other
// programs that tells the window placement which screen the user works on. Main thread only.
class VLStatusBar : public std::enable_shared_from_this<VLStatusBar> {
 public:
  static constexpr std::int64_t kMainHotKeyID = 1;
  static constexpr std::int64_t kRecordHotKeyID = 2;
  // Two presses of one modifier at most this far apart are a double tap.
  static constexpr std::int64_t kDoubleTapMs = 299;

  // What the hot keys do to our windows. The window registry installs them when its windows exist;
  // until then a press is only logged (once).
  struct WindowActions {
    // Hides the main window when it is the key window, otherwise shows it.
    std::function<void()> activeOrInactiveVellisto;
    std::function<void()> toggleRecordWindow;
    // A left or right click in another program, in screen coordinates: the screen holding the point
    // becomes the one the main and the record window open on.
    std::function<void(ui::Point)> updateByMousePoint;
  };
  static void setWindowActions(WindowActions actions);
  // What the status menu's rows do to windows, installed with them: the main window to the middle of
  // the active screen, and a registered window ("vellisto_pref", "vellisto_about", "vellisto_help") brought
  // up. Until then a choice is only logged.
  struct MenuActions {
    std::function<void()> centerMainWindow;
    std::function<void(const std::string& windowKey)> showWindowByKey;
  };
  static void setMenuActions(MenuActions actions);
  // What the menu's quit row does; nullptr goes back to terminating the application.
  static void setQuitAction(std::function<void()> quit);
  // What is installed, for start-up's check that nothing is left empty.
  static const WindowActions& installedWindowActions() { return windowActions(); }
  static const MenuActions& installedMenuActions() { return menuActions(); }
  static bool hasQuitAction();

  // Made on first use: registers the stored hot keys and starts watching the modifier keys and clicks.
  static VLStatusBar& shared();
  static void resetForTesting();
  // A status bar of its own (tests); the shared one must not exist at the same time.
  static std::shared_ptr<VLStatusBar> create();
  ~VLStatusBar();
  VLStatusBar(const VLStatusBar&) = delete;
  VLStatusBar& operator=(const VLStatusBar&) = delete;

  // Registers a hot key; `modifiers` is the hot key modifier mask (VLShortcutsButton::convertModifierToKey).
  // Asking for what is already registered does nothing. A new combination is taken before the old one
  // is let go, so when another program holds it the old one keeps working and the answer is false. A
  // double tap (main window only) registers no combination and lets the old one go.
  [[nodiscard]] bool registerHotKeysWithID(std::int64_t hotKeyID, const std::string& desc, std::int64_t code,
                                           std::int64_t modifiers, bool doubleTap);
  // Registers what settings key 1 or 122 holds. A value of the wrong type or out of range is treated as
  // no hot key, with a log line.
  [[nodiscard]] bool registerStoredHotKey(long settingsKey);

  // The hot key that works for an id now, modifiers as event flags; nullopt when none does.
  std::optional<HokeyStruct> activeHotKey(std::int64_t hotKeyID) const;
  // Whether the last hot key asked for the id is the one that works; false after a refusal and when
  // none was asked. The status menu shows the key as unset then.
  bool isRegistered(std::int64_t hotKeyID) const;
  // Called after each registration that changed something, refused ones included; the status menu
  // retitles its toggle row.
  void setHotKeysChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }

  // The main window's toggle, from the hot key and the double tap.
  static void wakeupOrHidden();

  // ---- the status item and its menu (VLStatusBarItem.cpp) ----
  // Menu row tags.
  enum MenuTag : long {
    kToggleTag = 0,
    kSettingsTag = 1,
    kQuitTag = 3,
    kColorTag = 4,
    kCenterTag = 6,
    kAboutTag = 7,
    kRecordTag = 8,
    kHelpTag = 9
  };
  // Builds the item and its menu once; later calls answer the same item.
  std::shared_ptr<ui::StatusItem> produceStatusItem();
  const std::shared_ptr<ui::StatusItem>& getStatusItem() const { return statusItem_; }
  const std::shared_ptr<ui::Menu>& statusMenu() const { return menu_; }
  // Puts the current icon on the button and retitles the colour submenu's second row.
  void updateIcon();
  ui::ImageRef getStatusIcon() const;
  // Shows the picture on the status item with its one-colour form, if it has one.
  void showIcon(const ui::ImageRef& image);
  std::string getFlashAnimatePrefix() const;
  // Whether the icon needs the light shade: the tray's background where the tray tells it, else the
  // desktop's colour scheme.
  bool effectDarkMode() const;
  // Settings key 100: "red" (also when unset) or "black".
  static bool isSelectedIconColor(const std::string& color);
  std::string toggleString() const;
  std::string recordString() const;
  void updateWakeupItemDisplay();

  // The copy feedback on the main thread: the icon pulse when key 113 is on, with the copy sound when
  // key 114 is on as each pulse starts (at once without pulses); a pulse that comes while one runs waits
  // for it. nullptr is a new task.
  void payAnimate(std::shared_ptr<AnimateTask> task = nullptr);
  // The same from any thread (capture's queue): posted to the main thread, never waited for.
  static void payAnimateFromAnyThread();
  bool isAnimate() const { return isAnimate_; }

  // The last counted press of each modifier, milliseconds since 1970; 0 before the first.
  std::int64_t commandKeyDownTime() const { return commandKeyDownTime_; }
  std::int64_t optionKeyDownTime() const { return optionKeyDownTime_; }
  std::int64_t controlKeyDownTime() const { return controlKeyDownTime_; }

 private:
  VLStatusBar() = default;
  static WindowActions& windowActions();
  static MenuActions& menuActions();
  void start();
  void onHotKey(std::int64_t hotKeyID);
  void onKeyEvent(const ui::Event& event);
  void forgetTaps() { commandKeyDownTime_ = optionKeyDownTime_ = controlKeyDownTime_ = 0; }
  void notifyChanged();
  void itemAction(ui::MenuItem& item);
  void colorSelection(ui::MenuItem& item);
  void menuWillOpen(ui::Menu& menu);
  void playCopySoundIfOn();
  void startAnimation(std::shared_ptr<AnimateTask> task);
  void flashAnimate(const std::shared_ptr<AnimateTask>& task);
  class MenuObserver;

  struct Held {
    HokeyStruct value;  // modifiers as the hot key mask, as asked
    bool registered = false;
  };
  // The last value asked per id, and whether it works; `working_` is what works (after a refusal, the
  // value before it).
  std::map<std::int64_t, Held> asked_;
  std::map<std::int64_t, HokeyStruct> working_;
  std::function<void()> changed_;
  std::int64_t commandKeyDownTime_ = 0;
  std::int64_t optionKeyDownTime_ = 0;
  std::int64_t controlKeyDownTime_ = 0;
  std::shared_ptr<GlobalEventMonitor> globalBackend_;
  std::shared_ptr<GlobalEventMonitor::Monitor> globalMonitor_;
  std::shared_ptr<ui::EventMonitor> localMonitor_;

  std::shared_ptr<ui::StatusItem> statusItem_;
  std::shared_ptr<ui::Menu> menu_;
  std::shared_ptr<ui::Menu> colorMenu_;
  std::shared_ptr<ui::MenuItem> blackItem_;
  std::shared_ptr<ui::ActionTarget> target_;
  std::shared_ptr<ui::MenuDelegate> menuDelegate_;
  Observation appearanceObservation_;
  Observation hostBackgroundObservation_;
  bool isAnimate_ = false;
  // Pulses waiting for the running one; a leaf lock, never held while calling out.
  std::mutex animateTasksMutex_;
  std::vector<std::shared_ptr<AnimateTask>> animateTasks_;
  std::shared_ptr<dispatch::TimerSource> animationTimer_;
};

}  // namespace vl
